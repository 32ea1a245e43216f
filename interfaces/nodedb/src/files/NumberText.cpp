#include "NumberText.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace db::files {

namespace {

template <typename Bits>
void appendNan(std::string& out, bool negative, Bits mantissa, Bits quietOnly)
{
    if (negative)
        out.push_back('-');
    out += "nan";
    if (mantissa != quietOnly)
    {
        char digits[24];
        auto result = std::to_chars(digits, digits + sizeof digits, mantissa, 16);
        out += "(0x";
        out.append(digits, result.ptr);
        out.push_back(')');
    }
}

template <typename T>
void appendFinite(std::string& out, T value)
{
    char digits[64];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
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

template <typename T>
bool parseReal(const char*& begin, const char* end, T& value)
{
    const char* p = begin;
    if (p == end)
        return false;
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

void appendFloat(std::string& out, float value)
{
    if (std::isnan(value))
    {
        std::uint32_t bits;
        std::memcpy(&bits, &value, 4);
        appendNan<std::uint32_t>(out, (bits >> 31) != 0, bits & 0x7FFFFFu, 0x400000u);
    }
    else if (std::isinf(value))
        out += value < 0 ? "-inf" : "inf";
    else
        appendFinite(out, value);
}

void appendDouble(std::string& out, double value)
{
    if (std::isnan(value))
    {
        std::uint64_t bits;
        std::memcpy(&bits, &value, 8);
        appendNan<std::uint64_t>(out, (bits >> 63) != 0, bits & 0xFFFFFFFFFFFFFull,
                                 0x8000000000000ull);
    }
    else if (std::isinf(value))
        out += value < 0 ? "-inf" : "inf";
    else
        appendFinite(out, value);
}

void appendInt(std::string& out, std::int32_t value)
{
    char digits[16];
    auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
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
