#include "NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace db::files
{

namespace
{

template <typename Bits> char* putNan(char* p, bool negative, Bits mantissa, Bits quietOnly)
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
bool parseSpecial(const char*& p, const char* end, T& value, Bits mantissaMask, Bits exponentBits, Bits quietOnly,
                  int signShift)
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
constexpr std::uint64_t s_wholePowers[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

/// Reads the run of digits at `p` (of at most eight) from the eight bytes
/// there at once. Gives the digits' value and their count.
inline std::uint64_t eightDigits(const char* p, int& count)
{
    std::uint64_t bytes;
    std::memcpy(&bytes, p, 8);
    // Each byte that is a digit becomes its value, below 10; every other byte becomes 10 or more.
    const std::uint64_t values = bytes ^ 0x3030303030303030ull;
    // Per byte, the top bit says "not a digit". Adding can carry into the next
    // byte only from a byte that is no digit, so the first such byte is right.
    const std::uint64_t others = (values | (values + 0x7676767676767676ull)) & 0x8080808080808080ull;
    count = others == 0 ? 8 : __builtin_ctzll(others) >> 3;
    if (count == 0)
        return 0;
    // The first byte is the lowest: moved to the top, the digits get leading
    // zeros below them; then pairs, fours and the eight are summed in place.
    std::uint64_t v = values << (8 * (8 - count));
    v = v * 10 + (v >> 8);
    v = ((v & 0x000000FF000000FFull) * (100 + (1000000ull << 32)) +
         ((v >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32))) >>
        32;
    return v;
}

/// Adds the digits at `p` to `digits` (wrapping where there are too many for
/// it: callers count them) and returns where they end.
inline const char* readDigits(const char* p, const char* end, std::uint64_t& digits)
{
    for (; p < end && static_cast<unsigned char>(*p - '0') < 10; ++p)
        digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
    return p;
}

/// The same for the digits after a point, whose count varies from number to
/// number: a digit at a time, the end of each run would be mispredicted.
inline const char* readFraction(const char* p, const char* end, std::uint64_t& digits)
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    if (end - p >= 8)
    {
        int count = 0;
        const std::uint64_t chunk = eightDigits(p, count);
        digits = digits * s_wholePowers[count] + chunk;
        p += count;
        if (count < 8)
            return p;
    }
#endif
    return readDigits(p, end, digits);
}

/// The common case, "-12.345" with up to 15 digits: whole digits and their
/// scale are exact in a double, so one division rounds correctly (Clinger's
/// fast path). A float is rounded from that double unless the double sits
/// exactly half way between two floats, where rounding twice could differ.
/// False when the text is of another form, which the general parser takes.
template <typename T> bool parseSimpleReal(const char*& begin, const char* end, T& value)
{
    const char* p = begin;
    const bool negative = p < end && *p == '-';
    p += negative ? 1 : 0;
    std::uint64_t digits = 0;
    const char* wholeStart = p;
    p = readDigits(p, end, digits);
    if (p == wholeStart)
        return false;
    int count = static_cast<int>(p - wholeStart);
    int scale = 0;
    if (p < end && *p == '.')
    {
        const char* fractionStart = ++p;
        p = readFraction(p, end, digits);
        scale = static_cast<int>(p - fractionStart);
        if (scale == 0)
            return false;
        count += scale;
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

/// Everything but the common case: special values, exponents, long digit runs.
template <typename T> __attribute__((noinline)) bool parseGeneralReal(const char*& begin, const char* end, T& value)
{
    const char* p = begin;
    bool special = false;
    if constexpr (sizeof(T) == 4)
        special = parseSpecial<float, std::uint32_t>(p, end, value, 0x7FFFFFu, 0x7F800000u, 0x400000u, 31);
    else
        special = parseSpecial<double, std::uint64_t>(p, end, value, 0xFFFFFFFFFFFFFull, 0x7FF0000000000000ull,
                                                      0x8000000000000ull, 63);
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
    return true;
}

template <typename T> bool parseReal(const char*& begin, const char* end, T& value)
{
    const char* p = begin;
    if (p == end)
        return false;
    // The rare forms apart, so that the common one saves and restores few registers per number.
    if (!parseSimpleReal(p, end, value) && !parseGeneralReal(p, end, value))
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

namespace
{

__extension__ typedef unsigned __int128 Wide;

constexpr std::uint64_t s_powersOfTen[] = {1ull,      10ull,      100ull,      1000ull,      10000ull,
                                           100000ull, 1000000ull, 10000000ull, 100000000ull, 1000000000ull};

/// The digits of `high` and then of `low` (each below 10^4, four digits with
/// leading zeros), one per byte from the lowest byte on, as numbers 0 to 9:
/// each lane of a 64-bit word divides its own part by 100 and then by 10
/// through a multiplication, with no digit loop, no table and no division.
std::uint64_t digitBytes(std::uint64_t high, std::uint64_t low)
{
    const std::uint64_t both = high | (low << 32);
    // x * 10486 >> 20 is x / 100 for every x below 10^4.
    const std::uint64_t hundreds = ((both * 10486) >> 20) & 0x0000007F0000007Full;
    const std::uint64_t pairs = ((both - 100 * hundreds) << 16) + hundreds;
    // x * 103 >> 10 is x / 10 for every x below 100.
    std::uint64_t tens = ((pairs * 103) >> 10) & 0x000F000F000F000Full;
    tens += (pairs - 10 * tens) << 8;
    return tens;
}

constexpr std::uint64_t s_asciiZeros = 0x3030303030303030ull;

/// How a float of one binary exponent is scaled to whole numbers: by 10^q,
/// so that it has nine or ten whole digits, and then a shift right.
struct Scale
{
    std::uint64_t five; ///< 5^q
    int q;
    int shift;
};

/// The biased exponents of floats from 0.001 up to 10^5.
constexpr int s_firstExponent = 117;
constexpr int s_lastExponent = 143;

struct Scales
{
    Scale of[s_lastExponent - s_firstExponent + 1] = {};

    constexpr Scales()
    {
        for (int biased = s_firstExponent; biased <= s_lastExponent; ++biased)
        {
            // The value is twice the significand over 2^(151 - biased); q
            // comes from floor(log10(2^exponent)), the value's own decimal
            // exponent or one below it. 10^q splits into 5^q and 2^q.
            const int q = 8 - (((biased - 127) * 78913) >> 18);
            std::uint64_t five = 1;
            for (int i = 0; i < q; ++i)
                five *= 5;
            of[biased - s_firstExponent] = Scale{five, q, 151 - biased - q};
        }
    }
};

constexpr Scales s_scales;

/// The shortest text of a float from 0.001 up to 10^5 that is no whole number,
/// as std::to_chars writes it, at a fraction of its cost: of the decimals that
/// read back to the value, those with the fewest digits, and of these the
/// closest; plain notation, which is never the longer there. Transforms,
/// colours and weights are made of such numbers. Null for any other value, and
/// where a rule of the general conversion would decide (an exact tie, a value
/// whose gap to the float below is half the gap above), for it to write.
///
/// Files hold millions of these: the steps are kept short and side by side,
/// so that the processor works on several numbers at once, and free of
/// branches that data decides.
char* putCommonFloat(char* p, std::uint32_t bits)
{
    constexpr std::uint32_t s_lowestBits = 0x3A83126Fu;  // 0.001f
    constexpr std::uint32_t s_highestBits = 0x47C35000u; // 1e5f
    const std::uint32_t magnitudeBits = bits & 0x7FFFFFFFu;
    const std::uint64_t mantissa = bits & 0x7FFFFFu;
    if (mantissa == 0 || magnitudeBits < s_lowestBits || magnitudeBits >= s_highestBits)
        return nullptr;
    const Scale& scale = s_scales.of[(magnitudeBits >> 23) - s_firstExponent];
    const int shift = scale.shift;
    const std::uint64_t mid = ((mantissa | 0x800000u) * 2) * scale.five;
    // Half-way to the neighbouring floats: what lies between reads back to
    // the value, the ends too when the significand is even.
    const std::uint64_t low = mid - scale.five;
    const std::uint64_t high = mid + scale.five;
    // The first and last whole numbers in there: low and high rounded up and
    // down, or, when the ends are left out (an odd significand, a coin toss,
    // so no branch), the next ones in.
    const std::uint64_t endsLeftOut = mantissa & 1;
    const std::uint64_t below = (std::uint64_t(1) << shift) - 1;
    const std::uint64_t first = (low + below + endsLeftOut) >> shift;
    const std::uint64_t last = (high - endsLeftOut) >> shift;
    // Everything from here fits 32 bits: the value has at most ten whole digits
    // (below 2 * 10^9) at this scale.
    const auto lowest = static_cast<std::uint32_t>(first);
    const auto highest = static_cast<std::uint32_t>(last);
    const auto scaled = static_cast<std::uint32_t>(mid >> shift);
    // The most trailing zeros one of the readable whole numbers has. They
    // span from 12 to 120 numbers at this scale, so one zero always (a value
    // where that failed would end outside them below, for the general
    // conversion); a float tells about seven digits apart, so three at most
    // but for short values such as 0.75, which take the loop.
    auto fits = [lowest, highest](std::uint32_t power) { return highest / power * power >= lowest; };
    // The closest of the numbers with that many zeros: the value plus half a
    // power, cut down to the power. The fraction left out of `scaled` cannot
    // carry past it, but makes an exact tie a round up.
    auto rounded = [scaled](std::uint32_t power) { return (scaled + power / 2) / power * power; };
    // All three cases at once, then one chosen by masks: which it is, is up
    // to the data, and a branch would be mispredicted half the time.
    const std::uint32_t two = -std::uint32_t(fits(100));
    const std::uint32_t three = -std::uint32_t(fits(1000));
    std::uint32_t power = 10 ^ (two & (10 ^ 100)) ^ (three & (100 ^ 1000));
    std::uint32_t chosen = rounded(10);
    chosen ^= two & (chosen ^ rounded(100));
    chosen ^= three & (chosen ^ rounded(1000));
    if (three)
    {
        int zeros = 3;
        while (zeros < 9 && fits(static_cast<std::uint32_t>(s_powersOfTen[zeros + 1])))
            ++zeros;
        power = static_cast<std::uint32_t>(s_powersOfTen[zeros]);
        chosen = rounded(power);
    }
    if ((chosen == scaled + power / 2 && (mid & below) == 0) || chosen < lowest || chosen > highest)
        return nullptr;

    // The text: chosen's ten digits (the first may be zero) in the last ten of
    // sixteen bytes, the point q digits from the end.
    const std::uint32_t top = chosen / 100000000;
    const std::uint32_t bottom = chosen - top * 100000000;
    const std::uint64_t topDigits = (std::uint64_t(top / 10) << 48) | (std::uint64_t(top % 10) << 56);
    const std::uint64_t bottomDigits = digitBytes(bottom / 10000, bottom % 10000);
    const Wide text = (Wide(bottomDigits) << 64) | topDigits;
    const int q = scale.q;
    // Leading zeros go, but for the one before the point of a value below 1.
    const int leading = std::min(__builtin_ctzll(topDigits) / 8, 15 - q);
    // The fraction's trailing zeros go; the fraction has a digit other than zero.
    const int inBottom = __builtin_clzll(bottomDigits | 1) / 8;
    const int inTop = __builtin_clzll(topDigits | 1) / 8;
    const int trailing = inBottom + (-int(bottomDigits == 0) & (inTop + 1));
    if (trailing >= q)
        return nullptr;
    // The whole part starts in the first eight bytes (`leading` is 3 to 7),
    // the fraction in either.
    const std::uint64_t wholeText = (topDigits >> (8 * leading)) | (bottomDigits << (64 - 8 * leading));
    const Wide fractionText = text >> (8 * (16 - q));
    *p = '-';
    p += bits >> 31;
    const std::uint64_t wholeBytes = wholeText | s_asciiZeros;
    std::memcpy(p, &wholeBytes, 8);
    p += 16 - q - leading;
    *p++ = '.';
    const std::uint64_t fractionBytes[2] = {static_cast<std::uint64_t>(fractionText) | s_asciiZeros,
                                            static_cast<std::uint64_t>(fractionText >> 64) | s_asciiZeros};
    std::memcpy(p, fractionBytes, 16);
    return p + q - trailing;
}

} // namespace

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
        if (char* end = putCommonFloat(p, bits))
            return end;
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
    // Index lists are long runs of short numbers: those are read here, the
    // rest (no digits, or more than fit) by the general conversion.
    const char* p = begin;
    const bool negative = p < end && *p == '-';
    const char* digitsStart = p + (negative ? 1 : 0);
    std::uint64_t digits = 0;
    p = readDigits(digitsStart, end, digits);
    const std::ptrdiff_t count = p - digitsStart;
    if (count > 0 && count <= 10)
    {
        if (digits > (negative ? 2147483648ull : 2147483647ull))
            return false;
        value = static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(digits)
                                                   : static_cast<std::int64_t>(digits));
    }
    else
    {
        auto result = std::from_chars(begin, end, value);
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

} // namespace db::files
