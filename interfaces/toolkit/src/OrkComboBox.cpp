#include <wxUtils/OrkComboBox.h>

wxDEFINE_EVENT(wxUTILS_EVT_CB_CHANGED, wxCommandEvent);

namespace wxUtils
{

namespace
{
const char* const s_mixedLabel = "(mixed)";
}

// The "(mixed)" entry, when shown, is the native list's last entry and is
// invisible to the toolkit API: indices and counts only cover real entries.
OrkComboBox::OrkComboBox(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style,
                         const wxString& name)
    : wxChoice(parent, id, pos, size, 0, nullptr, style & ~0xFFFFL, wxDefaultValidator, name), m_orkStyle(style)
{
    Bind(wxEVT_CHOICE, &OrkComboBox::onNativeChoice, this);
}

int OrkComboBox::addString(const wxString& text, void* clientData, int index)
{
    const int count = getCount();
    if (index < 0 || index > count)
        index = count;
    const int selected = getSelection();
    Insert(text, static_cast<unsigned>(index));
    m_clientData.insert(m_clientData.begin() + index, clientData);
    if (selected >= index)
        SetSelection(selected + 1);
    return index;
}

void OrkComboBox::clear()
{
    Clear();
    m_clientData.clear();
    m_mixedEntryShown = false;
    if (m_indeterminate && (m_orkStyle & StyleShowMixedEntry))
        showMixedEntry(true);
}

void OrkComboBox::deleteString(int index)
{
    wxASSERT_MSG(index >= 0 && index < getCount(), "deleteString: no entry at that index");
    if (index < 0 || index >= getCount())
        return;
    Delete(static_cast<unsigned>(index));
    m_clientData.erase(m_clientData.begin() + index);
}

bool OrkComboBox::deleteString(const wxString& text)
{
    const int index = findString(text);
    if (index < 0)
        return false;
    deleteString(index);
    return true;
}

void OrkComboBox::setString(int index, const wxString& text)
{
    wxASSERT_MSG(index >= 0 && index < getCount(), "setString: no entry at that index");
    if (index >= 0 && index < getCount())
        SetString(static_cast<unsigned>(index), text);
}

int OrkComboBox::getCount() const
{
    return static_cast<int>(m_clientData.size());
}

wxString OrkComboBox::getString(int index) const
{
    return index >= 0 && index < getCount() ? GetString(static_cast<unsigned>(index)) : wxString();
}

void* OrkComboBox::getClientData(int index) const
{
    return index >= 0 && index < getCount() ? m_clientData[static_cast<std::size_t>(index)] : nullptr;
}

int OrkComboBox::findString(const wxString& text) const
{
    for (int i = 0; i < getCount(); ++i)
        if (GetString(static_cast<unsigned>(i)) == text)
            return i;
    return -1;
}

int OrkComboBox::findClientData(const void* clientData) const
{
    for (std::size_t i = 0; i < m_clientData.size(); ++i)
        if (m_clientData[i] == clientData)
            return static_cast<int>(i);
    return -1;
}

int OrkComboBox::getSelection() const
{
    const int selected = GetSelection();
    return selected >= 0 && selected < getCount() ? selected : -1;
}

void OrkComboBox::setSelection(int index)
{
    if (index >= 0 && index < getCount())
        SetSelection(index);
    else if (m_mixedEntryShown)
        SetSelection(getCount());
    else
        SetSelection(wxNOT_FOUND);
}

wxString OrkComboBox::getSelectionString() const
{
    return getString(getSelection());
}

bool OrkComboBox::setSelectionString(const wxString& text)
{
    const int index = text.empty() ? -1 : findString(text);
    setSelection(index);
    return index >= 0;
}

void* OrkComboBox::getSelectedClientData() const
{
    return getClientData(getSelection());
}

void OrkComboBox::setIsIndeterminate(bool indeterminate)
{
    if (indeterminate == m_indeterminate)
        return;
    m_indeterminate = indeterminate;
    showMixedEntry(indeterminate && (m_orkStyle & StyleShowMixedEntry));
}

void OrkComboBox::showMixedEntry(bool show)
{
    if (show == m_mixedEntryShown)
        return;
    if (show)
    {
        const int selected = getSelection();
        Append(s_mixedLabel);
        m_mixedEntryShown = true;
        if (selected < 0)
            SetSelection(getCount());
    }
    else
    {
        const int selected = getSelection();
        Delete(static_cast<unsigned>(getCount()));
        m_mixedEntryShown = false;
        SetSelection(selected >= 0 ? selected : wxNOT_FOUND);
    }
}

void OrkComboBox::onNativeChoice(wxCommandEvent&)
{
    const int index = getSelection();
    if (index < 0)
        return; // the "(mixed)" entry itself: nothing was chosen
    // A real choice ends the mixed display: the values are about to agree.
    m_indeterminate = false;
    showMixedEntry(false);
    SetSelection(index);
    wxCommandEvent event(wxUTILS_EVT_CB_CHANGED, GetId());
    event.SetEventObject(this);
    event.SetInt(index);
    event.SetString(getString(index));
    event.SetClientData(getClientData(index));
    ProcessWindowEvent(event);
}

} // namespace wxUtils
