#include "ControlsPage.h"

#include <Tarn/Tarn.h>
#include <wxUtils/OrkButton.h>
#include <wxUtils/OrkCheckBox.h>
#include <wxUtils/OrkComboBox.h>
#include <wxUtils/OrkMenu.h>
#include <wxUtils/OrkScriptControl.h>
#include <wxUtils/OrkScrollWindow.h>
#include <wxUtils/OrkSimpleTextCtrl.h>
#include <wxUtils/OrkSpinButton.h>
#include <wxUtils/OrkStaticText.h>
#include <wxUtils/PanelBuilder.h>

#include <wx/sizer.h>
#include <wx/valnum.h>

namespace
{

const char* const s_sampleScript = "-- Opens the crate when the player comes near\n"
                                   "local crate = scene:find(\"Crate_01\")\n"
                                   "function onEnter(player)\n"
                                   "    if player.hasKey and not crate.locked then\n"
                                   "        crate:open(0.75) -- seconds\n"
                                   "    end\n"
                                   "end\n";

// The inspector-like form: a heading per group, then label and control pairs.
class ControlsPage : public wxUtils::OrkScrollWindow
{
public:
    explicit ControlsPage(wxWindow* parent)
        : wxUtils::OrkScrollWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, 0x5C0, "ControlsPage")
    {
        build();
        connect();
    }

private:
    void heading(wxUtils::PanelBuilder& builder, const wxString& text)
    {
        wxUtils::OrkStaticText* title = builder.addStaticText(text, 0, 0, wxDefaultSize, 0, 0);
        title->SetFont(title->GetFont().Bold());
        builder.addStretchSpacer(1);
    }

    void label(wxUtils::PanelBuilder& builder, const wxString& text)
    {
        wxUtils::OrkStaticText* l = builder.addStaticText(text, 0, wxLEFT, wxDefaultSize, 0, 0);
        l->SetForegroundColour(gTarn.getColourManager().getActiveScheme().mutedText);
    }

    void build()
    {
        wxUtils::PanelBuilder builder(this, 3);
        builder.beginFlexGridSizer(0, 2, 0, wxEXPAND, 12, 1);
        builder.columnExpands(1, 0);

        heading(builder, "Node");
        label(builder, "Name");
        builder.addTextBox(0, wxEXPAND, wxDefaultSize, 0)->setText("Crate_01");
        label(builder, "Tag (3 nodes)");
        builder.addTextBox(0, wxEXPAND, wxDefaultSize, 0)->setIsIndeterminate(true);
        label(builder, "Material");
        wxUtils::OrkComboBox* material = builder.addComboBox(0, wxEXPAND, wxDefaultSize, 0x100);
        for (const char* m : {"Wood", "Metal", "Stone", "Glass"})
            material->addString(m);
        material->setSelectionString("Metal");
        label(builder, "Layer (3 nodes)");
        wxUtils::OrkComboBox* layer = builder.addComboBox(0, wxEXPAND, wxDefaultSize, 0x100);
        for (const char* m : {"Background", "Props", "Foreground"})
            layer->addString(m);
        layer->setIsIndeterminate(true);
        layer->setSelectionString("");

        heading(builder, "Flags");
        label(builder, "Visible");
        builder.addCheckBox(wxEmptyString, 0, 0, wxDefaultSize, 0x30)->setChecked(true);
        label(builder, "Casts shadows");
        builder.addCheckBox(wxEmptyString, 0, 0, wxDefaultSize, 0x30)->setState(2);
        label(builder, "Locked");
        builder.addCheckBox(wxEmptyString, 0, 0, wxDefaultSize, 0x30)->setState(0);

        heading(builder, "Physics");
        label(builder, "Mass (kg)");
        builder.beginHSizer(0, wxEXPAND);
        m_mass = builder.addTextBox(1, 0, wxDefaultSize, 0x10);
        m_mass->setText("12.5");
        m_spin = builder.addSpinButton(0, wxEXPAND, wxDefaultSize, 0);
        builder.endSizer();
        label(builder, "Position");
        builder.beginHSizer(0, wxEXPAND);
        for (const char* v : {"0.000000", "1.250000", "-4.500000"})
            builder.addTextBox(1, 0, wxDefaultSize, 0x10)->setText(v);
        builder.endSizer();

        heading(builder, "Behaviour");
        label(builder, "Script");
        wxUtils::OrkScriptControl* script = builder.addScriptControl(0, wxEXPAND, FromDIP(wxSize(-1, 150)), 0);
        script->SetText(s_sampleScript);
        script->enableLineWrapping(true);
        gTarn.getColourManager().initEditor(script, false);
        script->SetSavePoint();
        label(builder, "Actions");
        builder.beginHSizer(0, 0);
        builder.addButton("Add", "Add an element", 0, 0, wxDefaultSize, 0);
        builder.addButton("Remove", "Remove the selected element", 0, 0, wxDefaultSize, 0);
        m_more = builder.addButton(wxString::FromUTF8("More\u2026"), "More commands", 0, 0, wxDefaultSize, 0);
        builder.endSizer();
        builder.endSizer();
    }

    void connect()
    {
        m_spin->Bind(wxUTILS_EVT_SPIN_INCREMENT, [this](wxCommandEvent&) { stepMass(0.5); });
        m_spin->Bind(wxUTILS_EVT_SPIN_DECREMENT, [this](wxCommandEvent&) { stepMass(-0.5); });
        m_more->Bind(wxEVT_BUTTON,
                     [this](wxCommandEvent&)
                     {
                         wxUtils::OrkMenu menu(-1);
                         menu.add(wxID_COPY, "&Copy");
                         menu.add(wxID_DELETE, "&Delete");
                         menu.addSeparator();
                         auto* create = new wxUtils::OrkMenu(-1);
                         create->add(wxID_HIGHEST + 1, "Light");
                         create->add(wxID_HIGHEST + 2, "Mesh");
                         menu.addSubMenu(create, "Create children");
                         menu.add(wxID_HIGHEST + 3, "Snap to grid", true, true);
                         m_more->popupMenu(menu, wxPoint(0, m_more->GetSize().y), nullptr);
                     });
    }

    void stepMass(double delta)
    {
        double value = 0;
        m_mass->getText().ToCDouble(&value);
        m_mass->setText(wxString::FromCDouble(value + delta));
    }

    wxUtils::OrkSimpleTextCtrl* m_mass = nullptr;
    wxUtils::OrkSpinButton* m_spin = nullptr;
    wxUtils::OrkButton* m_more = nullptr;
};

} // namespace

wxWindow* makeControlsPage(wxWindow* parent)
{
    return new ControlsPage(parent);
}
