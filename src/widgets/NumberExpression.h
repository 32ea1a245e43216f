#pragma once

#include <string>

namespace dbui::detail
{

/// What the text of a number box asks for: a value, or an operation on each
/// attribute's own value ("+=0.5" adds half to every bound attribute).
struct NumberEntry
{
    enum Operation
    {
        Set,
        Add,
        Subtract,
        Multiply,
        Divide,
    };

    Operation operation = Set;
    double operand = 0.0;
    /// True when the text was a plain number, which callers read by the lenient
    /// rules of NumberText.h for their own type.
    bool plain = true;

    /// The value an attribute holding `current` gets.
    double applyTo(double current) const;
};

/// Reads a number box's text. Text that is not arithmetic (no operator beyond
/// a leading sign or an exponent's) is a plain number. Otherwise it is an
/// expression of numbers, + - * / (or × ÷ −), parentheses and unary signs,
/// optionally after one of "+=", "-=", "*=", "/=". False, with `why` saying
/// what is wrong, for an expression that does not read, divides by zero or
/// leaves the range of a double.
bool readNumberEntry(const std::wstring& text, NumberEntry& entry, std::wstring& why);

/// `value` rounded to the nearest int, saturating at the ends of the int range.
int roundToInt(double value);

} // namespace dbui::detail
