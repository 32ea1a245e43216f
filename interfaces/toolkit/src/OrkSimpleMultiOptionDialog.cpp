#include <wxUtils/OrkSimpleMultiOptionDialog.h>

#include <wx/checkbox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/valtext.h>

namespace wxUtils
{

OrkSimpleMultiOptionDialog::OrkSimpleMultiOptionDialog(wxWindow* parent, const wxString& title, long style,
                                                       const wxPoint& pos)
    : wxDialog(parent, wxID_ANY, title, pos, wxDefaultSize, style)
{
    auto* top = new wxBoxSizer(wxVERTICAL);
    m_grid = new wxFlexGridSizer(2, FromDIP(wxSize(12, 8)));
    m_grid->AddGrowableCol(1, 1);
    top->Add(m_grid, 1, wxEXPAND | wxALL, FromDIP(12));
    m_problem = new wxStaticText(this, wxID_ANY, wxEmptyString);
    m_problem->Hide();
    top->Add(m_problem, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, FromDIP(12));
    if (wxSizer* buttons = CreateSeparatedButtonSizer(wxOK | wxCANCEL))
        top->Add(buttons, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, FromDIP(12));
    SetSizer(top);
    Bind(
        wxEVT_BUTTON,
        [this](wxCommandEvent& event)
        {
            if (!refuses())
                event.Skip();
        },
        wxID_OK);
}

void OrkSimpleMultiOptionDialog::addTextItem(const wxString& name, const wxString& label, const wxString& defaultText,
                                             long flags)
{
    wxASSERT_MSG(!hasItem(name), "every item of the dialog needs its own name");
    long textStyle = 0;
    if (flags & ItemReadOnly)
        textStyle |= wxTE_READONLY;
    wxValidator* validator = nullptr;
    if (flags & (ItemNumeric | ItemArithmetic))
    {
        auto* numeric = new wxTextValidator(wxFILTER_INCLUDE_CHAR_LIST);
        numeric->SetCharIncludes("0123456789+-.eE");
        if (flags & ItemArithmetic)
            numeric->AddCharIncludes(wxString::FromUTF8("*/()= \xc3\x97\xc3\xb7\xe2\x88\x92"));
        validator = numeric;
        textStyle |= wxTE_RIGHT;
    }
    m_grid->Add(new wxStaticText(this, wxID_ANY, label), 0, wxALIGN_CENTER_VERTICAL);
    auto* text = new wxTextCtrl(this, wxID_ANY, defaultText, wxDefaultPosition, FromDIP(wxSize(180, -1)), textStyle,
                                validator ? *validator : wxDefaultValidator, name);
    delete validator;
    m_grid->Add(text, 1, wxEXPAND);
    m_items.push_back({name, text, nullptr});
}

void OrkSimpleMultiOptionDialog::addCheckItem(const wxString& name, const wxString& label, bool defaultValue,
                                              long flags)
{
    wxASSERT_MSG(!hasItem(name), "every item of the dialog needs its own name");
    m_grid->AddSpacer(0);
    auto* check = new wxCheckBox(this, wxID_ANY, label, wxDefaultPosition, wxDefaultSize, 0, wxDefaultValidator, name);
    check->SetValue(defaultValue);
    check->Enable(!(flags & ItemReadOnly));
    m_grid->Add(check, 0, wxALIGN_CENTER_VERTICAL);
    m_items.push_back({name, nullptr, check});
}

const OrkSimpleMultiOptionDialog::Item* OrkSimpleMultiOptionDialog::find(const wxString& name) const
{
    for (const Item& item : m_items)
        if (item.name == name)
            return &item;
    return nullptr;
}

bool OrkSimpleMultiOptionDialog::hasItem(const wxString& name) const
{
    return find(name) != nullptr;
}

std::vector<wxString> OrkSimpleMultiOptionDialog::getItemNames() const
{
    std::vector<wxString> names;
    for (const Item& item : m_items)
        names.push_back(item.name);
    return names;
}

wxTextCtrl* OrkSimpleMultiOptionDialog::getTextControl(const wxString& name) const
{
    const Item* item = find(name);
    return item ? item->text : nullptr;
}

wxCheckBox* OrkSimpleMultiOptionDialog::getCheckControl(const wxString& name) const
{
    const Item* item = find(name);
    return item ? item->check : nullptr;
}

wxString OrkSimpleMultiOptionDialog::getTextValue(const wxString& name) const
{
    wxTextCtrl* text = getTextControl(name);
    wxASSERT_MSG(text, "getTextValue: no text item of that name was added");
    return text ? text->GetValue() : wxString();
}

bool OrkSimpleMultiOptionDialog::getCheckValue(const wxString& name) const
{
    wxCheckBox* check = getCheckControl(name);
    wxASSERT_MSG(check, "getCheckValue: no check item of that name was added");
    return check && check->GetValue();
}

void OrkSimpleMultiOptionDialog::setTextValue(const wxString& name, const wxString& text)
{
    wxTextCtrl* control = getTextControl(name);
    wxASSERT_MSG(control, "setTextValue: no text item of that name was added");
    if (control)
        control->ChangeValue(text);
}

void OrkSimpleMultiOptionDialog::setCheckValue(const wxString& name, bool value)
{
    wxCheckBox* control = getCheckControl(name);
    wxASSERT_MSG(control, "setCheckValue: no check item of that name was added");
    if (control)
        control->SetValue(value);
}

int OrkSimpleMultiOptionDialog::ShowModal()
{
    GetSizer()->SetSizeHints(this);
    CentreOnParent();
    for (const Item& item : m_items)
    {
        if (item.text)
        {
            item.text->SetFocus();
            item.text->SelectAll();
            break;
        }
    }
    // A host answering the dialog in its place (a test's) skips the button: the check runs here too.
    for (;;)
    {
        const int answer = wxDialog::ShowModal();
        if (answer != wxID_OK || !refuses())
            return answer;
    }
}

bool OrkSimpleMultiOptionDialog::refuses()
{
    const wxString why = m_check ? m_check() : wxString();
    if (why != m_problem->GetLabel() || m_problem->IsShown() == why.empty())
    {
        m_problem->SetLabel(why);
        m_problem->Show(!why.empty());
        GetSizer()->SetSizeHints(this);
    }
    return !why.empty();
}

} // namespace wxUtils
