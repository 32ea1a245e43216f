#include <wxUtils/OrkListItemCompareStrategyAlphabetical.h>

#include <wxUtils/OrkListItem.h>

#include <wx/string.h>
#include <wx/wxcrt.h>

namespace wxUtils
{

namespace
{

bool isDigit(wxUniChar c)
{
    return c >= '0' && c <= '9';
}

// Case-insensitive comparison in which runs of digits compare by value.
int compareNatural(const wxString& a, const wxString& b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.length() && j < b.length())
    {
        if (isDigit(a[i]) && isDigit(b[j]))
        {
            while (i < a.length() && a[i] == '0')
                ++i;
            while (j < b.length() && b[j] == '0')
                ++j;
            std::size_t endA = i;
            std::size_t endB = j;
            while (endA < a.length() && isDigit(a[endA]))
                ++endA;
            while (endB < b.length() && isDigit(b[endB]))
                ++endB;
            if (endA - i != endB - j)
                return endA - i < endB - j ? -1 : 1;
            for (; i < endA; ++i, ++j)
                if (a[i] != b[j])
                    return a[i] < b[j] ? -1 : 1;
            continue;
        }
        const wxUniChar ca = wxTolower(a[i]);
        const wxUniChar cb = wxTolower(b[j]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.length())
        return 1;
    if (j < b.length())
        return -1;
    return 0;
}

} // namespace

OrkListItemCompareStrategyAlphabetical::OrkListItemCompareStrategyAlphabetical(unsigned int column, bool descending)
    : m_column(column), m_descending(descending)
{
}

int OrkListItemCompareStrategyAlphabetical::compare(const OrkListItem_& a, const OrkListItem_& b) const
{
    const wxString& textA = a.getText(m_column);
    const wxString& textB = b.getText(m_column);
    int result = compareNatural(textA, textB);
    // Texts that differ only in case or leading zeros still get a fixed order.
    if (result == 0)
        result = textA.compare(textB);
    return m_descending ? -result : result;
}

} // namespace wxUtils
