#pragma once

#include <string>

namespace dbui::detail
{

/// A decimal integer as the classic C runtime reads it: leading white space, an
/// optional sign, digits up to the first other character; no digits gives 0.
/// Values beyond the int range saturate.
int parseIntLeniently(const std::wstring& text);

/// A decimal floating-point number read the same lenient way: leading white
/// space, optional sign, digits with an optional point and exponent; parsing
/// stops at the first character that cannot continue the number and no number
/// gives 0. Independent of the current locale.
double parseDoubleLeniently(const std::wstring& text);

/// The text a default wide output stream makes of the number (six significant
/// digits, no trailing zeros, exponent form when very large or small), always
/// with a point as the decimal separator.
std::wstring formatAsStream(float value);
std::wstring formatAsStream(double value);

/// The text "%f" makes of the number in the C locale: six decimals after a
/// point, whatever locale the host runs in.
std::wstring formatFixed(double value);

} // namespace dbui::detail
