#include "Utf8.h"

#include <algorithm>

namespace db::files
{

void appendUtf8(std::string& out, const wchar_t* text, std::size_t length)
{
    // Most text is ASCII: copy the plain run directly, then encode the rest
    // into room made once for the worst case.
    std::size_t plain = 0;
    while (plain < length && text[plain] > 0 && text[plain] < 0x80)
        ++plain;
    std::size_t at = out.size();
    out.resize(at + plain + (length - plain) * s_maxUtf8PerChar);
    char* begin = &out[0];
    char* p = begin + at;
    for (std::size_t i = 0; i < plain; ++i)
        *p++ = static_cast<char>(text[i]);
    for (std::size_t i = plain; i < length;)
        p = putUtf8(p, nextCodePoint(text, length, i));
    out.resize(static_cast<std::size_t>(p - begin));
}

namespace
{

void appendCodePoint(std::wstring& out, unsigned long c)
{
    if constexpr (sizeof(wchar_t) == 2)
    {
        if (c >= 0x10000)
        {
            c -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
            return;
        }
    }
    out.push_back(static_cast<wchar_t>(c));
}

} // namespace

bool fromUtf8(const char* text, std::size_t length, std::wstring& out)
{
    out.reserve(out.size() + length);
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    std::size_t i = 0;
    while (i < length)
    {
        // Runs of ASCII, most of what files hold, are widened in one go rather than a character at a time.
        std::size_t run = i;
        while (run < length && static_cast<unsigned char>(s[run] - 1) < 0x7F)
            ++run;
        if (run > i)
        {
            const std::size_t at = out.size();
            out.resize(at + (run - i));
            std::copy(s + i, s + run, &out[at]);
            i = run;
            continue;
        }
        unsigned char b = s[i];
        if (b == 0)
            return false;
        int extra = 0;
        unsigned long c = 0;
        unsigned long minimum = 0;
        if ((b & 0xE0) == 0xC0)
        {
            extra = 1;
            c = b & 0x1F;
            minimum = 0x80;
        }
        else if ((b & 0xF0) == 0xE0)
        {
            extra = 2;
            c = b & 0x0F;
            minimum = 0x800;
        }
        else if ((b & 0xF8) == 0xF0)
        {
            extra = 3;
            c = b & 0x07;
            minimum = 0x10000;
        }
        else
            return false;
        if (static_cast<std::size_t>(extra) >= length - i)
            return false;
        for (int k = 1; k <= extra; ++k)
        {
            unsigned char cont = s[i + static_cast<std::size_t>(k)];
            if ((cont & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (cont & 0x3F);
        }
        if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000))
            return false;
        appendCodePoint(out, c);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

} // namespace db::files
