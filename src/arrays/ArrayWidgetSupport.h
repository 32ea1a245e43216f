#pragma once

#include <wxUtils/OrkSimpleMultiOptionDialog.h>

#include <wx/string.h>
#include <wx/textdlg.h>

#include <climits>
#include <cwchar>
#include <memory>

namespace dbui::arrays
{

/// The dialog that asks for a new array element, titled like the standard text-entry dialog.
inline std::unique_ptr<wxUtils::OrkSimpleMultiOptionDialog> makeAddDialog(wxWindow* parent)
{
    return std::make_unique<wxUtils::OrkSimpleMultiOptionDialog>(parent, wxGetTextFromUserPromptStr,
                                                                 wxDEFAULT_DIALOG_STYLE, wxDefaultPosition);
}

/// Asks for one number, "0" to start with; false when the user cancels.
inline bool askNumber(wxWindow* parent, wxString& text)
{
    auto dialog = makeAddDialog(parent);
    dialog->addTextItem("Value", "Value", "0", wxUtils::OrkSimpleMultiOptionDialog::ItemNumeric);
    if (dialog->ShowModal() != wxID_OK)
        return false;
    text = dialog->getTextValue("Value");
    return true;
}

/// Leading integer of the text, 0 when it starts with none (the usual C conversion rules).
inline int textToInt(const wxString& text)
{
    const std::wstring wide = text.ToStdWstring();
    const long value = std::wcstol(wide.c_str(), nullptr, 10);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

/// Leading decimal number of the text, 0 when it starts with none.
inline double textToDouble(const wxString& text)
{
    const std::wstring wide = text.ToStdWstring();
    return std::wcstod(wide.c_str(), nullptr);
}

inline wxString formatIndex(unsigned int index)
{
    return wxString::Format("%d", static_cast<int>(index));
}

inline wxString formatReal(double value)
{
    return wxString::Format("%f", value);
}

} // namespace dbui::arrays
