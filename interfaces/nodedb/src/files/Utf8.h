#pragma once

// Conversions between the database's wide strings and the UTF-8 of files and
// file names. wchar_t holds a whole code point on the platforms we build for;
// a lone surrogate or out-of-range value is written as U+FFFD so that every
// string the database holds can be saved. U+0000 is left out when writing and
// refused when reading: XML cannot hold it, and both formats must agree.

#include <cstddef>
#include <string>

namespace db::files {

void appendUtf8(std::string& out, const wchar_t* text, std::size_t length);

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
