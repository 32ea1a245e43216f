#pragma once

#include <cstddef>

namespace dbui
{

/// One of the icons drawn for the views (src/views/icons), as the PNG that the
/// build renders from its SVG and compiles in (cmake/EmbedIcons.cmake).
struct EmbeddedIcon
{
    const char* name;
    const unsigned char* png;
    std::size_t size;
};

/// The icons, by name in alphabetical order.
extern const EmbeddedIcon g_embeddedIcons[];
extern const std::size_t g_embeddedIconCount;

} // namespace dbui
