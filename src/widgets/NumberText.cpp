#include "NumberText.h"

#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cwctype>
#include <limits>
#include <locale>
#include <sstream>
#include <string>

namespace dbui::detail
{

namespace
{

bool isDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

std::size_t skipSpace(const std::wstring& text)
{
    std::size_t i = 0;
    while (i < text.size() && std::iswspace(static_cast<wint_t>(text[i])))
        ++i;
    return i;
}

template <class T> std::wstring format(T value)
{
    std::wostringstream stream;
    // The host may have installed a global locale with a decimal comma; the
    // boxes always show (and parse) a point.
    stream.imbue(std::locale::classic());
    stream << value;
    return stream.str();
}

} // namespace

int parseIntLeniently(const std::wstring& text)
{
    std::size_t i = skipSpace(text);
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-'))
        negative = text[i++] == L'-';
    long long value = 0;
    for (; i < text.size() && isDigit(text[i]); ++i)
    {
        value = value * 10 + (text[i] - L'0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1; // keeps saturating, never overflows
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

double parseDoubleLeniently(const std::wstring& text)
{
    std::size_t i = skipSpace(text);
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-'))
        negative = text[i++] == L'-';

    // Collect the longest prefix that is a number, as plain ASCII for from_chars.
    std::string digits;
    int integerDigits = 0;   // significant digits before the point
    int leadingFraction = 0; // zeros after the point before the first significant digit
    bool significant = false;
    bool anyDigit = false;
    for (; i < text.size() && isDigit(text[i]); ++i)
    {
        digits += static_cast<char>(text[i]);
        anyDigit = true;
        significant = significant || text[i] != L'0';
        if (significant)
            ++integerDigits;
    }
    if (i < text.size() && text[i] == L'.')
    {
        digits += '.';
        for (++i; i < text.size() && isDigit(text[i]); ++i)
        {
            digits += static_cast<char>(text[i]);
            anyDigit = true;
            if (!significant && text[i] == L'0')
                ++leadingFraction;
            significant = significant || text[i] != L'0';
        }
    }
    if (!anyDigit)
        return 0.0;

    long long exponent = 0;
    if (i < text.size() && (text[i] == L'e' || text[i] == L'E'))
    {
        // The exponent only counts when at least one digit follows it.
        std::size_t j = i + 1;
        bool negativeExponent = false;
        if (j < text.size() && (text[j] == L'+' || text[j] == L'-'))
            negativeExponent = text[j++] == L'-';
        if (j < text.size() && isDigit(text[j]))
        {
            digits += 'e';
            if (negativeExponent)
                digits += '-';
            for (; j < text.size() && isDigit(text[j]); ++j)
            {
                digits += static_cast<char>(text[j]);
                if (exponent < 100000)
                    exponent = exponent * 10 + (text[j] - L'0');
            }
            if (negativeExponent)
                exponent = -exponent;
        }
    }

    double value = 0.0;
    const auto result =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range)
    {
        if (!significant)
            value = 0.0;
        else
        {
            // Decide between overflow and underflow by the decimal magnitude.
            const long long magnitude =
                integerDigits > 0 ? integerDigits - 1 + exponent : exponent - leadingFraction - 1;
            value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        }
    }
    else if (result.ec != std::errc())
        value = 0.0;
    return negative ? -value : value;
}

std::wstring formatAsStream(float value)
{
    return format(value);
}

std::wstring formatAsStream(double value)
{
    return format(value);
}

std::wstring formatFixed(double value)
{
    // Room for the largest double written out in full, six decimals and a sign.
    char text[DBL_MAX_10_EXP + 16];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6);
    return std::wstring(text, result.ptr);
}

} // namespace dbui::detail
