#include "NumberExpression.h"

#include "NumberText.h"

#include <climits>
#include <cmath>
#include <cwctype>

namespace dbui::detail
{

namespace
{

constexpr wchar_t s_minus = L'\u2212';
constexpr wchar_t s_times = L'\u00d7';
constexpr wchar_t s_divide = L'\u00f7';
/// Deeper nesting is refused rather than followed down the stack.
constexpr int s_maxDepth = 64;

bool isDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

bool isSign(wchar_t c)
{
    return c == L'+' || c == L'-' || c == s_minus;
}

/// Whether `text` asks for arithmetic rather than being a number read leniently:
/// a sign counts only where a plain number cannot have one.
bool isArithmetic(const std::wstring& text)
{
    bool first = true;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        const wchar_t c = text[i];
        if (std::iswspace(static_cast<wint_t>(c)))
            continue;
        if (c == L'*' || c == L'/' || c == L'(' || c == L')' || c == L'=' || c == s_times || c == s_divide ||
            c == s_minus)
            return true;
        const bool exponentSign =
            i >= 2 && (text[i - 1] == L'e' || text[i - 1] == L'E') && (isDigit(text[i - 2]) || text[i - 2] == L'.');
        if ((c == L'+' || c == L'-') && !first && !exponentSign)
            return true;
        first = false;
    }
    return false;
}

/// A recursive descent over one expression; fails at the first thing it cannot read.
class Parser
{
public:
    explicit Parser(const std::wstring& text) : m_text(text) {}

    bool entry(NumberEntry& result, std::wstring& why)
    {
        result.plain = false;
        result.operation = relativeOperation();
        bool ok = expression(result.operand, 0);
        skipSpace();
        if (ok && m_at < m_text.size())
            ok = fail(L"\"" + std::wstring(1, m_text[m_at]) + L"\" is not expected there");
        if (ok && !std::isfinite(result.operand))
            ok = fail(L"the result is too large");
        if (ok && result.operation == NumberEntry::Divide && result.operand == 0.0)
            ok = fail(L"it divides by zero");
        if (!ok)
            why = L"\"" + m_text + L"\" cannot be worked out: " + m_error;
        return ok;
    }

private:
    void skipSpace()
    {
        while (m_at < m_text.size() && std::iswspace(static_cast<wint_t>(m_text[m_at])))
            ++m_at;
    }

    /// The character ahead, past white space, or 0 at the end.
    wchar_t peek()
    {
        skipSpace();
        return m_at < m_text.size() ? m_text[m_at] : L'\0';
    }

    bool fail(const std::wstring& error)
    {
        if (m_error.empty())
            m_error = error;
        return false;
    }

    NumberEntry::Operation relativeOperation()
    {
        const wchar_t c = peek();
        if (m_at + 1 >= m_text.size() || m_text[m_at + 1] != L'=')
            return NumberEntry::Set;
        NumberEntry::Operation operation = NumberEntry::Set;
        if (c == L'+')
            operation = NumberEntry::Add;
        else if (c == L'-' || c == s_minus)
            operation = NumberEntry::Subtract;
        else if (c == L'*' || c == s_times)
            operation = NumberEntry::Multiply;
        else if (c == L'/' || c == s_divide)
            operation = NumberEntry::Divide;
        if (operation != NumberEntry::Set)
            m_at += 2;
        return operation;
    }

    bool expression(double& value, int depth)
    {
        if (!term(value, depth))
            return false;
        for (wchar_t c = peek(); isSign(c); c = peek())
        {
            ++m_at;
            double right = 0.0;
            if (!term(right, depth))
                return false;
            value = c == L'+' ? value + right : value - right;
        }
        return true;
    }

    bool term(double& value, int depth)
    {
        if (!factor(value, depth))
            return false;
        for (wchar_t c = peek(); c == L'*' || c == L'/' || c == s_times || c == s_divide; c = peek())
        {
            ++m_at;
            double right = 0.0;
            if (!factor(right, depth))
                return false;
            const bool divide = c == L'/' || c == s_divide;
            if (divide && right == 0.0)
                return fail(L"it divides by zero");
            value = divide ? value / right : value * right;
        }
        return true;
    }

    bool factor(double& value, int depth)
    {
        if (depth > s_maxDepth)
            return fail(L"it nests too deeply");
        const wchar_t c = peek();
        if (isSign(c))
        {
            ++m_at;
            if (!factor(value, depth + 1))
                return false;
            value = c == L'+' ? value : -value;
            return true;
        }
        if (c == L'(')
        {
            ++m_at;
            if (!expression(value, depth + 1))
                return false;
            if (peek() != L')')
                return fail(L"a \")\" is missing");
            ++m_at;
            return true;
        }
        return number(value);
    }

    /// Digits with an optional point and exponent, read as a plain number is.
    bool number(double& value)
    {
        const std::size_t start = m_at;
        std::size_t i = m_at;
        while (i < m_text.size() && isDigit(m_text[i]))
            ++i;
        if (i < m_text.size() && m_text[i] == L'.')
            for (++i; i < m_text.size() && isDigit(m_text[i]); ++i)
                ;
        const bool anyDigit = i > start && (i - start > 1 || m_text[start] != L'.');
        if (!anyDigit)
        {
            if (m_at >= m_text.size())
                return fail(L"a number is missing at the end");
            return fail(L"\"" + std::wstring(1, m_text[m_at]) + L"\" is not a number");
        }
        if (i < m_text.size() && (m_text[i] == L'e' || m_text[i] == L'E'))
        {
            std::size_t j = i + 1;
            if (j < m_text.size() && (m_text[j] == L'+' || m_text[j] == L'-'))
                ++j;
            if (j < m_text.size() && isDigit(m_text[j]))
                for (i = j; i < m_text.size() && isDigit(m_text[i]); ++i)
                    ;
        }
        m_at = i;
        value = parseDoubleLeniently(m_text.substr(start, i - start));
        return true;
    }

    const std::wstring& m_text;
    std::size_t m_at = 0;
    std::wstring m_error;
};

} // namespace

double NumberEntry::applyTo(double current) const
{
    switch (operation)
    {
    case Add:
        return current + operand;
    case Subtract:
        return current - operand;
    case Multiply:
        return current * operand;
    case Divide:
        return current / operand;
    case Set:
        break;
    }
    return operand;
}

bool readNumberEntry(const std::wstring& text, NumberEntry& entry, std::wstring& why)
{
    entry = NumberEntry();
    if (!isArithmetic(text))
    {
        entry.operand = parseDoubleLeniently(text);
        return true;
    }
    return Parser(text).entry(entry, why);
}

int roundToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (value <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(std::lround(value));
}

} // namespace dbui::detail
