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
    /// Toolkit style bits (the low 16 bits of the style).
    enum Style : long
    {
        /// The indeterminate state shows a "(mixed)" entry instead of a blank.
        StyleShowMixedEntry = 0x100,
    };

    /// An empty list; `style` takes wxChoice's styles and the toolkit's Style bits.
    OrkComboBox(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize, long style = 0, const wxString& name = wxChoiceNameStr);

    /// Inserts at `index` (-1 appends); returns the entry's index.
    int addString(const wxString& text, void* clientData = nullptr, int index = -1);
    /// Removes every entry (the indeterminate state stays).
    void clear();
    /// Removes the first entry with this text; false when there is none.
    bool deleteString(const wxString& text);
    /// Removes the entry at `index`, which must exist.
    void deleteString(int index);
    /// Changes the text of the entry at `index`, which must exist.
    void setString(int index, const wxString& text);

    /// How many entries there are (the "(mixed)" entry is never counted).
    int getCount() const;
    /// The text of the entry at `index`; empty out of range.
    wxString getString(int index) const;
    /// The client data of the entry at `index`; null out of range.
    void* getClientData(int index) const;
    ///@{
    /// Index of the first entry with this text (client data), or -1.
    int findString(const wxString& text) const;
    int findClientData(const void* clientData) const;
    ///@}

    /// Index of the selected entry, or -1 (also while indeterminate).
    int getSelection() const;
    /// Selects the entry at `index`, without an event; -1 (or any index out of range) selects none.
    void setSelection(int index);
    /// The selected entry's text; empty when none is selected.
    wxString getSelectionString() const;
    /// Selects the entry with this text; an empty or unknown text selects none.
    bool setSelectionString(const wxString& text);
    /// The selected entry's client data; null when none is selected.
    void* getSelectedClientData() const;

    ///@{
    /// The indeterminate state: the list stands for several values that
    /// differ. The user choosing an entry ends it.
    void setIsIndeterminate(bool indeterminate);
    bool isIndeterminate() const { return m_indeterminate; }
    ///@}

    ///@{
    /// Data of the caller's own, not owned; the toolkit never reads it.
    void setUserData(void* data) { m_userData = data; }
    void* getUserData() const { return m_userData; }
    ///@}

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
