#pragma once

#include <wxUtils/Export.h>
#include <wxUtils/detail/RowSequence.h>

#include <wx/string.h>

#include <vector>

namespace wxUtils
{

class OrkListControl;

/// One row of an OrkListControl: its column texts and user data. Rows are made
/// and destroyed by the list (appendItem, deleteItem); callers hold pointers.
class DBUI_TOOLKIT_EXPORT OrkListItem_ : private detail::RowNode
{
public:
    OrkListItem_(const OrkListItem_&) = delete;
    OrkListItem_& operator=(const OrkListItem_&) = delete;

    /// Text of a column; empty for a column never set.
    const wxString& getText(unsigned int column = 0) const;
    /// The row's data of the caller's own, not owned.
    void* getUserData() const { return m_userData; }

private:
    friend class OrkListControl;

    OrkListItem_(const wxString& label, void* userData);

    std::vector<wxString> m_texts;
    void* m_userData;
};

using OrkListItem = OrkListItem_;

} // namespace wxUtils
