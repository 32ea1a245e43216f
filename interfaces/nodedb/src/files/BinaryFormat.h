#pragma once

// Constants of the binary file format; docs/binary-format.md describes it.

#include <cstddef>
#include <cstdint>

namespace db::files::binary
{

constexpr unsigned char s_magic[8] = {0x89, 'D', 'B', 'B', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::uint16_t s_version = 1;
constexpr std::size_t s_headerSize = 24;

constexpr std::uint16_t s_kindDatabase = 0;
constexpr std::uint16_t s_kindSubtree = 1;

/// Record tags 1 to 21 are attribute types; these are the others.
constexpr std::uint8_t s_tagNode = 22;
constexpr std::uint8_t s_tagNames = 64;
/// Set on an attribute tag when the attribute is dynamic (its definition follows the name).
constexpr std::uint8_t s_dynamicBit = 0x80;

/// How a pointer value is stored.
constexpr std::uint8_t s_pointerNull = 0;
constexpr std::uint8_t s_pointerAbsolute = 1;
constexpr std::uint8_t s_pointerLocal = 2;

} // namespace db::files::binary
