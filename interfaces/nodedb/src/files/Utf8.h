#pragma once

// Conversions between the database's wide strings and the UTF-8 of files and
// file names. wchar_t holds a whole code point on the platforms we build for;
// a lone surrogate or out-of-range value is written as U+FFFD so that every
// string the database holds can be saved. U+0000 is left out when writing and
// refused when reading: XML cannot hold it, and both formats must agree.

#include <cstddef>
#include <string>

namespace db::files
{

void appendUtf8(std::string& out, const wchar_t* text, std::size_t length);

/// The most bytes one wide character becomes (a surrogate pair on 16-bit
/// platforms becomes four bytes from two characters, so four per character holds).
constexpr std::size_t s_maxUtf8PerChar = 4;

/// Reads the code point at `text[i]`, pairing surrogates where wchar_t is 16
/// bits, and advances `i` past it. Returns 0 for U+0000 (which callers drop)
/// and U+FFFD for anything that is not a code point.
inline unsigned long nextCodePoint(const wchar_t* text, std::size_t length, std::size_t& i)
{
    auto c = static_cast<unsigned long>(text[i++]);
    if constexpr (sizeof(wchar_t) == 2)
    {
        if (c >= 0xD800 && c < 0xDC00 && i < length)
        {
            auto low = static_cast<unsigned long>(text[i]);
            if (low >= 0xDC00 && low < 0xE000)
            {
                ++i;
                return 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            }
        }
    }
    else
        (void)length;
    if ((c >= 0xD800 && c < 0xE000) || c > 0x10FFFF)
        return 0xFFFD;
    return c;
}

/// Writes a code point from `nextCodePoint` as UTF-8 (nothing for 0); returns the new end.
inline char* putUtf8(char* p, unsigned long c)
{
    if (c < 0x80)
    {
        if (c != 0)
            *p++ = static_cast<char>(c);
    }
    else if (c < 0x800)
    {
        *p++ = static_cast<char>(0xC0 | (c >> 6));
        *p++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    else if (c < 0x10000)
    {
        *p++ = static_cast<char>(0xE0 | (c >> 12));
        *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *p++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    else
    {
        *p++ = static_cast<char>(0xF0 | (c >> 18));
        *p++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *p++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return p;
}

inline std::string toUtf8(const std::wstring& text)
{
    std::string out;
    out.reserve(text.size());
    appendUtf8(out, text.data(), text.size());
    return out;
}

/// Decodes UTF-8; returns false on malformed input (overlong forms, surrogates,
/// truncated sequences, U+0000), leaving `out` with what was decoded so far.
bool fromUtf8(const char* text, std::size_t length, std::wstring& out);

inline std::wstring fromUtf8Lenient(const std::string& text)
{
    std::wstring out;
    fromUtf8(text.data(), text.size(), out);
    return out;
}

} // namespace db::files
