// widgets-demo: each single-value attribute editor twice, once showing one
// node's attribute and once showing the same attribute of two nodes whose
// values differ, so that the plain and the mixed look stand side by side.

#include <dbui/AttributeWidget.h>
#include <dbui/AttributeWidgetFactory.h>

#include <Tarn/Tarn.h>
#include <db/BoolAttribute.h>
#include <db/ChangeBlock.h>
#include <db/Database.h>
#include <db/DoubleAttribute.h>
#include <db/EnumAttribute.h>
#include <db/FloatAttribute.h>
#include <db/IntAttribute.h>
#include <db/Matrix34Attribute.h>
#include <db/Node.h>
#include <db/NodeContainer.h>
#include <db/NodeFactory.h>
#include <db/PointerAttribute.h>
#include <db/StringAttribute.h>
#include <db/Vector3Attribute.h>
#include <wxUtils/OrkPanel.h>
#include <wxUtils/Screenshot.h>

#include <wx/app.h>
#include <wx/cmdline.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/timer.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace
{

bool s_asserted = false;

void printAssert(const wxString& file, int line, const wxString& func, const wxString& cond, const wxString& msg)
{
    s_asserted = true;
    std::fprintf(stderr, "%s:%d: assert \"%s\" failed in %s: %s\n", static_cast<const char*>(file.utf8_str()), line,
                 static_cast<const char*>(cond.utf8_str()), static_cast<const char*>(func.utf8_str()),
                 static_cast<const char*>(msg.utf8_str()));
}

// The attributes of the example type that this family of editors covers.
const wchar_t* const s_attributeNames[] = {L"int",    L"bool",   L"enum",    L"float",    L"double",
                                           L"string", L"script", L"vector3", L"matrix34", L"pointer"};

/// Two nodes whose every value differs, and a third for the pointers to aim at.
void fillDatabase(db::Database& database, db::Node*& first, db::Node*& second)
{
    first = db::makeNode(L"AllTypes", L"Lamp");
    second = db::makeNode(L"AllTypes", L"Table");
    db::Node* target = db::makeNode(L"AllTypes", L"Floor");
    database.getRootContainer().add(first);
    database.getRootContainer().add(second);
    database.getRootContainer().add(target);

    db::ChangeBlock block(database, L"Demo values");
    second->findAttribute(L"int")->asIntAttribute()->setValue(42);
    first->findAttribute(L"bool")->asBoolAttribute()->setValue(true);
    second->findAttribute(L"enum")->asEnumAttribute()->setValueAsString(L"Blue");
    second->findAttribute(L"float")->asFloatAttribute()->setValue(12.25f);
    second->findAttribute(L"double")->asDoubleAttribute()->setValue(2.718281828);
    first->findAttribute(L"string")->asStringAttribute()->setValue(L"Brass desk lamp");
    second->findAttribute(L"script")->asStringAttribute()->setValue(L"function onUse()\n  print(\"click\")\nend\n");
    first->findAttribute(L"script")->asStringAttribute()->setValue(
        L"-- turns the lamp on at dusk\nfunction onDusk(lamp)\n  lamp.on = true\nend\n");
    second->findAttribute(L"vector3")->asVector3Attribute()->setValue(OrkP::Vector3(1, 4, 3));
    OrkP::Matrix34 moved;
    moved.set(3, 0, 2.5f);
    moved.set(3, 2, -1.0f);
    second->findAttribute(L"matrix34")->asMatrix34Attribute()->setValue(moved);
    first->findAttribute(L"pointer")->asPointerAttribute()->setValue(target);
    database.clearUndoHistory();
}

class DemoFrame : public wxFrame
{
public:
    explicit DemoFrame(db::Database& database)
        : wxFrame(nullptr, wxID_ANY, "Attribute Editors", wxDefaultPosition, wxSize(980, 900))
    {
        db::Node* first = nullptr;
        db::Node* second = nullptr;
        fillDatabase(database, first, second);

        auto* panel = new wxUtils::OrkPanel(this);
        auto* grid = new wxFlexGridSizer(3, FromDIP(wxSize(16, 8)));
        grid->AddGrowableCol(1, 1);
        grid->AddGrowableCol(2, 1);
        addHeading(panel, grid, "Attribute");
        addHeading(panel, grid, "One node (Lamp)");
        addHeading(panel, grid, "Two nodes (Lamp, Table): differing");

        for (const wchar_t* name : s_attributeNames)
        {
            db::Attribute* mine = first->findAttribute(name);
            db::Attribute* theirs = second->findAttribute(name);
            auto* label = new wxStaticText(panel, wxID_ANY, wxString(name));
            grid->Add(label, 0, wxALIGN_TOP | wxTOP, FromDIP(4));
            addEditor(panel, grid, mine, {mine});
            addEditor(panel, grid, mine, {mine, theirs});
        }

        auto* outer = new wxBoxSizer(wxVERTICAL);
        outer->Add(grid, 1, wxEXPAND | wxALL, FromDIP(16));
        panel->SetSizer(outer);
        CreateStatusBar();
        SetStatusText("Edit a value and press Enter; each edit is one undo step (Ctrl+Z).");

        auto* edit = new wxMenu;
        edit->Append(wxID_UNDO, "&Undo\tCtrl+Z");
        edit->Append(wxID_REDO, "&Redo\tCtrl+Y");
        auto* bar = new wxMenuBar;
        bar->Append(edit, "&Edit");
        SetMenuBar(bar);
        Bind(
            wxEVT_MENU, [&database](wxCommandEvent&) { database.undo(); }, wxID_UNDO);
        Bind(
            wxEVT_MENU, [&database](wxCommandEvent&) { database.redo(); }, wxID_REDO);
    }

    ~DemoFrame() override
    {
        // The database outlives the window, but the widgets let go of it first.
        for (dbui::AttributeWidget* widget : m_widgets)
            widget->clearAttributes();
    }

private:
    void addHeading(wxWindow* parent, wxSizer* grid, const wxString& text)
    {
        auto* heading = new wxStaticText(parent, wxID_ANY, text);
        heading->SetFont(heading->GetFont().Bold());
        grid->Add(heading, 0, wxBOTTOM, FromDIP(4));
    }

    void addEditor(wxUtils::OrkPanel* parent, wxSizer* grid, db::Attribute* model,
                   const std::vector<db::Attribute*>& attributes)
    {
        dbui::AttributeWidget* widget = dbui::makeAttributeWidget(model->getDef(), parent);
        if (!widget)
        {
            grid->AddSpacer(0);
            return;
        }
        widget->setAttributes(attributes);
        const bool tall = model->getAttributeType() == db::String && model->getDef().getUnits() == 1;
        if (tall)
            widget->SetMinSize(FromDIP(wxSize(-1, 110)));
        grid->Add(widget, 0, wxEXPAND);
        m_widgets.push_back(widget);
    }

    std::vector<dbui::AttributeWidget*> m_widgets;
};

class DemoApp : public wxApp
{
public:
    void OnInitCmdLine(wxCmdLineParser& parser) override
    {
        wxApp::OnInitCmdLine(parser);
        parser.AddOption("", "screenshot", "save the window as a PNG file and exit", wxCMD_LINE_VAL_STRING);
    }

    bool OnCmdLineParsed(wxCmdLineParser& parser) override
    {
        parser.Found("screenshot", &m_screenshot);
        return wxApp::OnCmdLineParsed(parser);
    }

    bool OnInit() override
    {
        if (!wxApp::OnInit())
            return false;
        SetAppDisplayName("Attribute Editors");
        wxInitAllImageHandlers();
        if (!m_screenshot.empty())
            wxSetAssertHandler(printAssert);
        m_database = std::make_unique<db::Database>(L"Demo");
        m_frame = new DemoFrame(*m_database);
        m_frame->Show();
        if (!m_screenshot.empty())
        {
            m_poll.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { trySave(); });
            m_poll.Start(100);
        }
        return true;
    }

    int OnExit() override
    {
        wxApp::OnExit();
        return m_exitCode;
    }

private:
    void trySave()
    {
        // A few rounds after it is first on screen let every control finish its first paint.
        if (!m_frame->IsShownOnScreen() || ++m_attempts < 8)
            return;
        m_poll.Stop();
        m_frame->Update();
        const bool saved = wxUtils::saveWindowAsPng(m_frame, m_screenshot);
        std::fprintf(stderr, saved ? "saved %s\n" : "could not save %s\n",
                     static_cast<const char*>(m_screenshot.utf8_str()));
        m_exitCode = saved && !s_asserted ? 0 : 1;
        m_frame->Close(true);
    }

    std::unique_ptr<db::Database> m_database;
    wxString m_screenshot;
    wxFrame* m_frame = nullptr;
    wxTimer m_poll;
    int m_attempts = 0;
    int m_exitCode = 0;
};

} // namespace

wxIMPLEMENT_APP(DemoApp);
