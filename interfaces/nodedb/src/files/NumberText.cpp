#include "NumberText.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace db::files {

namespace {

template <typename Bits>
char* putNan(char* p, bool negative, Bits mantissa, Bits quietOnly)
{
    if (negative)
        *p++ = '-';
    std::memcpy(p, "nan", 3);
    p += 3;
    if (mantissa != quietOnly)
    {
        std::memcpy(p, "(0x", 3);
        p = std::to_chars(p + 3, p + 24, mantissa, 16).ptr;
        *p++ = ')';
    }
    return p;
}

char* putInfinity(char* p, bool negative)
{
    if (negative)
        *p++ = '-';
    std::memcpy(p, "inf", 3);
    return p + 3;
}

bool startsWith(const char* begin, const char* end, const char* word)
{
    std::size_t n = std::strlen(word);
    return static_cast<std::size_t>(end - begin) >= n && std::memcmp(begin, word, n) == 0;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The special values: [-]inf, [-]nan, [-]nan(0xPAYLOAD).
template <typename T, typename Bits>
bool parseSpecial(const char*& p, const char* end, T& value, Bits mantissaMask, Bits exponentBits,
                  Bits quietOnly, int signShift)
{
    const char* q = p;
    bool negative = false;
    if (q < end && *q == '-')
    {
        negative = true;
        ++q;
    }
    Bits bits = 0;
    if (startsWith(q, end, "inf"))
    {
        q += 3;
        bits = exponentBits;
    }
    else if (startsWith(q, end, "nan"))
    {
        q += 3;
        Bits mantissa = quietOnly;
        if (q < end && *q == '(')
        {
            if (!startsWith(q, end, "(0x"))
                return false;
            q += 3;
            auto result = std::from_chars(q, end, mantissa, 16);
            if (result.ec != std::errc() || result.ptr >= end || *result.ptr != ')')
                return false;
            q = result.ptr + 1;
            if (mantissa == 0 || (mantissa & ~mantissaMask) != 0)
                return false; // zero would be an infinity, not a NaN
        }
        bits = exponentBits | mantissa;
    }
    else
        return false;
    if (negative)
        bits |= Bits(1) << signShift;
    std::memcpy(&value, &bits, sizeof value);
    p = q;
    return true;
}

/// Powers of ten that a double holds exactly.
constexpr double s_exactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

/// The common case, "-12.345" with up to 15 digits: whole digits and their
/// scale are exact in a double, so one division rounds correctly (Clinger's
/// fast path). A float is rounded from that double unless the double sits
/// exactly half way between two floats, where rounding twice could differ.
/// False when the text is of another form, which the general parser takes.
template <typename T>
bool parseSimpleReal(const char*& begin, const char* end, T& value)
{
    const char* p = begin;
    const bool negative = p < end && *p == '-';
    p += negative ? 1 : 0;
    std::uint64_t digits = 0;
    int count = 0;
    int scale = 0;
    const char* wholeStart = p;
    for (; p < end && *p >= '0' && *p <= '9'; ++p, ++count)
        digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
    if (p == wholeStart)
        return false;
    if (p < end && *p == '.')
    {
        const char* fractionStart = ++p;
        for (; p < end && *p >= '0' && *p <= '9'; ++p, ++count)
            digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
        scale = static_cast<int>(p - fractionStart);
        if (scale == 0)
            return false;
    }
    if (count > 15 || (p < end && !isSpace(*p)))
        return false;
    double result = static_cast<double>(digits) / s_exactPowers[scale];
    if constexpr (sizeof(T) == 4)
    {
        std::uint64_t bits;
        std::memcpy(&bits, &result, 8);
        if (digits != 0 && (bits & 0x1FFFFFFFull) == 0x10000000ull)
            return false;
    }
    value = static_cast<T>(negative ? -result : result);
    begin = p;
    return true;
}

template <typename T>
bool parseReal(const char*& begin, const char* end, T& value)
{
    const char* p = begin;
    if (p == end)
        return false;
    if (parseSimpleReal(p, end, value))
    {
        begin = p;
        skipSpace(begin, end);
        return true;
    }
    bool special = false;
    if constexpr (sizeof(T) == 4)
        special = parseSpecial<float, std::uint32_t>(p, end, value, 0x7FFFFFu, 0x7F800000u,
                                                     0x400000u, 31);
    else
        special = parseSpecial<double, std::uint64_t>(p, end, value, 0xFFFFFFFFFFFFFull,
                                                      0x7FF0000000000000ull, 0x8000000000000ull, 63);
    if (!special)
    {
        // from_chars would take "nan(...)" forms we do not write; refuse them.
        const char* first = p < end && *p == '-' ? p + 1 : p;
        if (first < end && (*first == 'n' || *first == 'N' || *first == 'i' || *first == 'I'))
            return false;
        auto result = std::from_chars(p, end, value);
        if (result.ec != std::errc())
            return false;
        p = result.ptr;
    }
    if (p < end && !isSpace(*p))
        return false;
    begin = p;
    skipSpace(begin, end);
    return true;
}

} // namespace

void skipSpace(const char*& begin, const char* end)
{
    while (begin < end && isSpace(*begin))
        ++begin;
}

char* putFloat(char* p, float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    if ((bits & 0x7F800000u) != 0x7F800000u)
    {
        // Transforms and flags are full of small whole numbers (0, 1, -1),
        // which print the same as the int, at a fraction of the cost. Below
        // 10^5 the plain form is never longer than the scientific one, and
        // -0 keeps its sign by taking the general road.
        if (value > -1e5f && value < 1e5f && bits != 0x80000000u)
        {
            const auto whole = static_cast<std::int32_t>(value);
            if (static_cast<float>(whole) == value)
                return putInt(p, whole);
        }
        return std::to_chars(p, p + s_maxNumberChars, value).ptr;
    }
    if ((bits & 0x7FFFFFu) == 0)
        return putInfinity(p, (bits >> 31) != 0);
    return putNan<std::uint32_t>(p, (bits >> 31) != 0, bits & 0x7FFFFFu, 0x400000u);
}

char* putDouble(char* p, double value)
{
    std::uint64_t bits;
    std::memcpy(&bits, &value, 8);
    if ((bits & 0x7FF0000000000000ull) != 0x7FF0000000000000ull)
        return std::to_chars(p, p + s_maxNumberChars, value).ptr;
    if ((bits & 0xFFFFFFFFFFFFFull) == 0)
        return putInfinity(p, (bits >> 63) != 0);
    return putNan<std::uint64_t>(p, (bits >> 63) != 0, bits & 0xFFFFFFFFFFFFFull, 0x8000000000000ull);
}

char* putInt(char* p, std::int32_t value)
{
    return std::to_chars(p, p + s_maxNumberChars, value).ptr;
}

void appendFloat(std::string& out, float value)
{
    char text[s_maxNumberChars];
    out.append(text, putFloat(text, value));
}

void appendDouble(std::string& out, double value)
{
    char text[s_maxNumberChars];
    out.append(text, putDouble(text, value));
}

void appendInt(std::string& out, std::int32_t value)
{
    char text[s_maxNumberChars];
    out.append(text, putInt(text, value));
}

bool parseFloat(const char*& begin, const char* end, float& value)
{
    return parseReal(begin, end, value);
}

bool parseDouble(const char*& begin, const char* end, double& value)
{
    return parseReal(begin, end, value);
}

bool parseInt(const char*& begin, const char* end, std::int32_t& value)
{
    const char* p = begin;
    auto result = std::from_chars(p, end, value);
    if (result.ec != std::errc())
        return false;
    p = result.ptr;
    if (p < end && !isSpace(*p))
        return false;
    begin = p;
    skipSpace(begin, end);
    return true;
}

} // namespace db::files
