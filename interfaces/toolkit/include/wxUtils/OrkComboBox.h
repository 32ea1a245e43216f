#pragma once

#include <wxUtils/Export.h>

#include <wx/choice.h>

#include <vector>

/// Sent by OrkComboBox when the user picks an entry (never by the setters);
/// a wxCommandEvent whose int is the index and whose string is the entry text.
wxDECLARE_EXPORTED_EVENT(DBUI_TOOLKIT_EXPORT, wxUTILS_EVT_CB_CHANGED, wxCommandEvent);

namespace wxUtils
{

/// A drop-down list of strings, each with optional client data (not owned),
/// that can show an indeterminate ("mixed") state.
class DBUI_TOOLKIT_EXPORT OrkComboBox : public wxChoice
{
public:
    enum Style : long
    {
        /// The indeterminate state shows a "(mixed)" entry instead of a blank.
        StyleShowMixedEntry = 0x100,
    };

    OrkComboBox(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize, long style = 0, const wxString& name = wxChoiceNameStr);

    /// Inserts at `index` (-1 appends); returns the entry's index.
    int addString(const wxString& text, void* clientData = nullptr, int index = -1);
    void clear();
    /// Removes the first entry with this text; false when there is none.
    bool deleteString(const wxString& text);
    void deleteString(int index);
    void setString(int index, const wxString& text);

    int getCount() const;
    wxString getString(int index) const;
    void* getClientData(int index) const;
    int findString(const wxString& text) const;
    int findClientData(const void* clientData) const;

    /// Index of the selected entry, or -1 (also while indeterminate).
    int getSelection() const;
    void setSelection(int index);
    /// The selected entry's text; empty when none is selected.
    wxString getSelectionString() const;
    /// Selects the entry with this text; an empty or unknown text selects none.
    bool setSelectionString(const wxString& text);
    void* getSelectedClientData() const;

    void setIsIndeterminate(bool indeterminate);
    bool isIndeterminate() const { return m_indeterminate; }

    void setUserData(void* data) { m_userData = data; }
    void* getUserData() const { return m_userData; }

private:
    void onNativeChoice(wxCommandEvent& event);
    void showMixedEntry(bool show);

    std::vector<void*> m_clientData;
    bool m_indeterminate = false;
    bool m_mixedEntryShown = false;
    long m_orkStyle;
    void* m_userData = nullptr;
};

} // namespace wxUtils
