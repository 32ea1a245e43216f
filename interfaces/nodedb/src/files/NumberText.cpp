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

// ------------------------------------------------------------ shortest floats
//
// Scenes are mostly floats (vertices, transforms), and the general-purpose
// shortest conversion costs more than everything else a save does. This is
// Giulietti's "Schubfach" method for binary32: one 64x64-bit multiplication
// per bound gives the decimal interval of values that read back to the same
// float, and the shortest decimal in it (the closest, ties to even) is picked
// directly. The text is then laid out as std::to_chars lays out its shortest
// form: plain or scientific, whichever is shorter, plain on a tie.

/// floor(10^-k 2^-r) + 1 for 2^125 <= 10^-k 2^-r < 2^126, shifted right by 63; k from -45 to 31.
constexpr std::uint64_t s_tenPowers[] = {
0x59aedfc10d7279c5, 0x47bf19673df52e37, 0x72cb5bd86321e38c, 0x5bd5e313828182d6,
    0x4977e8dc68679bdf, 0x758ca7c70d7292fe, 0x5e0a1fd271287598, 0x4b3b4ca85a86c47a,
    0x785ee10d5da46d90, 0x604be73de4838ad9, 0x4d0985cb1d3608ae, 0x7b426fab61f00de3,
    0x629b8c891b267182, 0x4ee2d6d415b85ace, 0x7e37be2022c0914b, 0x64f964e68233a76f,
    0x50c783eb9b5c85f2, 0x409f9cbc7c4a04c2, 0x6765c793fa10079d, 0x52b7d2dcc80cd2e4,
    0x422ca8b0a00a4250, 0x69e10de76676d080, 0x54b40b1f852bda00, 0x43c33c1937564800,
    0x6c6b935b8bbd4000, 0x56bc75e2d6310000, 0x4563918244f40000, 0x6f05b59d3b200000,
    0x58d15e1762800000, 0x470de4df82000000, 0x71afd498d0000000, 0x5af3107a40000000,
    0x48c2739500000000, 0x746a528800000000, 0x5d21dba000000000, 0x4a817c8000000000,
    0x7735940000000000, 0x5f5e100000000000, 0x4c4b400000000000, 0x7a12000000000000,
    0x61a8000000000000, 0x4e20000000000000, 0x7d00000000000000, 0x6400000000000000,
    0x5000000000000000, 0x4000000000000000, 0x6666666666666666, 0x51eb851eb851eb85,
    0x4189374bc6a7ef9d, 0x68db8bac710cb295, 0x53e2d6238da3c211, 0x431bde82d7b634da,
    0x6b5fca6af2bd215e, 0x55e63b88c230e77e, 0x44b82fa09b5a52cb, 0x6df37f675ef6eadf,
    0x57f5ff85e592557f, 0x465e6604b7a84465, 0x709709a125da0709, 0x5a126e1a84ae6c07,
    0x480ebe7b9d58566c, 0x734aca5f6226f0ad, 0x5c3bd5191b525a24, 0x49c97747490eae83,
    0x760f253edb4ab0d2, 0x5e72843249088d75, 0x4b8ed0283a6d3df7, 0x78e480405d7b9658,
    0x60b6cd004ac94513, 0x4d5f0a66a23a9da9, 0x7bcb43d769f762a8, 0x63090312bb2c4eed,
    0x4f3a68dbc8f03f24, 0x7ec3daf941806506, 0x65697bfa9acd1d9f, 0x51212ffbaf0a7e18,
    0x40e7599625a1fe7a
};
constexpr int s_tenPowersFirst = -45;

constexpr int s_floatMinExponent = -149;           // of the lowest bit of a subnormal
constexpr std::uint32_t s_floatHiddenBit = 1u << 23;

int floorLog10Pow2(int q)
{
    return static_cast<int>((static_cast<std::int64_t>(q) * 661971961083LL) >> 41);
}

int floorLog10ThreeQuartersPow2(int q)
{
    return static_cast<int>((static_cast<std::int64_t>(q) * 661971961083LL - 274743187321LL) >> 41);
}

int floorLog2Pow10(int e)
{
    return static_cast<int>((static_cast<std::int64_t>(e) * 913124641741LL) >> 38);
}

__extension__ typedef unsigned __int128 UInt128;

/// The high half of g * cp, rounded to odd on its 31 lowest bits.
std::uint64_t roundToOdd(std::uint64_t g, std::uint64_t cp)
{
    const auto x = static_cast<std::uint64_t>((static_cast<UInt128>(g) * cp) >> 64);
    return (x >> 31) | (((x & 0xFFFFFFFFu) + 0xFFFFFFFFu) >> 32);
}

struct Decimal
{
    std::uint64_t digits;
    int exponent;
    /// The float's exact value when it is a whole number of at most 64 bits, else 0.
    std::uint64_t whole;
};

/// The shortest decimal that reads back as c * 2^q, for normal floats.
Decimal toDecimal(int q, std::uint64_t c)
{
    const std::uint64_t out = c & 1;
    const std::uint64_t cb = c << 2;
    const std::uint64_t cbr = cb + 2;
    std::uint64_t cbl;
    int k;
    if (c != s_floatHiddenBit || q == s_floatMinExponent)
    {
        cbl = cb - 2;
        k = floorLog10Pow2(q);
    }
    else
    {
        // A power of two: the gap below is half the gap above.
        cbl = cb - 1;
        k = floorLog10ThreeQuartersPow2(q);
    }
    const int h = q + floorLog2Pow10(-k) + 33;
    const std::uint64_t g = s_tenPowers[k - s_tenPowersFirst] + 1;
    const std::uint64_t vb = roundToOdd(g, cb << h);
    const std::uint64_t vbl = roundToOdd(g, cbl << h);
    const std::uint64_t vbr = roundToOdd(g, cbr << h);

    const std::uint64_t s = vb >> 2;
    if (s >= 100)
    {
        // One digit fewer, if exactly one of its two candidates is in range.
        const std::uint64_t sp10 = 10 * (s / 10);
        const std::uint64_t tp10 = sp10 + 10;
        const bool upin = vbl + out <= sp10 << 2;
        const bool wpin = (tp10 << 2) + out <= vbr;
        if (upin != wpin)
            return {upin ? sp10 : tp10, k, 0};
    }
    const std::uint64_t t = s + 1;
    const bool uin = vbl + out <= s << 2;
    const bool win = (t << 2) + out <= vbr;
    if (uin != win)
        return {uin ? s : t, k, 0};
    // Both in range: the closer one, the even one on a tie.
    const auto cmp = static_cast<std::int64_t>(vb) - static_cast<std::int64_t>((s + t) << 1);
    return {cmp < 0 || (cmp == 0 && (s & 1) == 0) ? s : t, k, 0};
}

constexpr char s_digitPairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                                "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                                "8081828384858687888990919293949596979899";

int digitCount(std::uint64_t n)
{
    int count = 1;
    while (n >= 10)
    {
        n /= 10;
        ++count;
    }
    return count;
}

/// Writes the `count` digits of n ending just before `end`.
void putDigits(char* end, std::uint64_t n, int count)
{
    while (count >= 2)
    {
        const auto pair = static_cast<std::size_t>(n % 100) * 2;
        n /= 100;
        *--end = s_digitPairs[pair + 1];
        *--end = s_digitPairs[pair];
        count -= 2;
    }
    if (count == 1)
        *--end = static_cast<char>('0' + n);
}

/// Lays out digits * 10^exponent as std::to_chars does its shortest form.
char* putDecimal(char* p, Decimal decimal)
{
    std::uint64_t digits = decimal.digits;
    int exponent = decimal.exponent;
    while (digits % 10 == 0)
    {
        digits /= 10;
        ++exponent;
    }
    const int count = digitCount(digits);
    const int scientificExponent = exponent + count - 1;
    const int magnitude = scientificExponent < 0 ? -scientificExponent : scientificExponent;
    const int scientificLength = count + (count > 1 ? 1 : 0) + 2 + (magnitude >= 100 ? 3 : 2);
    int plainLength;
    if (exponent >= 0)
        plainLength = count + exponent;
    else if (scientificExponent >= 0)
        plainLength = count + 1;
    else
        plainLength = count + 1 - scientificExponent;

    if (plainLength <= scientificLength)
    {
        if (exponent > 0 && decimal.whole != 0)
        {
            // Whole numbers are written with all their digits exact rather
            // than the shortest digits followed by zeros, as printf's "%.0f" does.
            putDigits(p + plainLength, decimal.whole, plainLength);
        }
        else if (exponent >= 0)
        {
            putDigits(p + count, digits, count);
            std::memset(p + count, '0', static_cast<std::size_t>(exponent));
        }
        else if (scientificExponent >= 0)
        {
            // The point falls inside the digits.
            const int whole = scientificExponent + 1;
            putDigits(p + count + 1, digits, count);
            std::memmove(p, p + 1, static_cast<std::size_t>(whole));
            p[whole] = '.';
        }
        else
        {
            p[0] = '0';
            p[1] = '.';
            std::memset(p + 2, '0', static_cast<std::size_t>(-scientificExponent - 1));
            putDigits(p + plainLength, digits, count);
        }
        return p + plainLength;
    }
    // d[.ddd]e+XX
    putDigits(p + count + 1, digits, count);
    p[0] = p[1];
    char* q = p + 1;
    if (count > 1)
    {
        *q = '.';
        q += count;
    }
    *q++ = 'e';
    *q++ = scientificExponent < 0 ? '-' : '+';
    if (magnitude >= 100)
    {
        *q++ = static_cast<char>('0' + magnitude / 100);
    }
    q[0] = static_cast<char>('0' + magnitude / 10 % 10);
    q[1] = static_cast<char>('0' + magnitude % 10);
    return q + 2;
}

char* putShortestFloat(char* p, std::uint32_t bits)
{
    if ((bits >> 31) != 0)
        *p++ = '-';
    const std::uint32_t fraction = bits & (s_floatHiddenBit - 1);
    const int biased = static_cast<int>((bits >> 23) & 0xFF);
    if (biased != 0)
    {
        const int minusQ = -s_floatMinExponent + 1 - biased;
        const std::uint32_t c = s_floatHiddenBit | fraction;
        // Whole numbers below 2^24 are their own shortest form.
        if (minusQ > 0 && minusQ < 24)
        {
            const std::uint32_t whole = c >> minusQ;
            if ((whole << minusQ) == c)
                return putDecimal(p, {whole, 0, whole});
        }
        Decimal decimal = toDecimal(-minusQ, c);
        if (minusQ <= 0 && minusQ > -40)
            decimal.whole = std::uint64_t(c) << -minusQ;
        return putDecimal(p, decimal);
    }
    if (fraction == 0)
    {
        *p++ = '0';
        return p;
    }
    // Subnormals are rare in real data, and the shortening step above cannot
    // see the shorter candidates of the few smallest: leave them to the library.
    float value;
    std::memcpy(&value, &bits, 4);
    return std::to_chars(p, p + s_maxNumberChars, value < 0 ? -value : value).ptr;
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

char* putFloat(char* p, float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    if ((bits & 0x7F800000u) != 0x7F800000u)
        return putShortestFloat(p, bits);
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
