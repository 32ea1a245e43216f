#pragma once

#include <cstddef>
#include <functional>

namespace db
{

/// Follows a long load or save: told that `done` of `total` units of work are
/// finished (bytes of the file for loaders, nodes for savers), from the thread
/// that called load or save. Returning false cancels the work, which then fails
/// with nothing changed. An empty function costs nothing.
using Progress = std::function<bool(std::size_t done, std::size_t total)>;

} // namespace db
