// A host of the dbui windows: one frame with a document's node tree above an
// inspector, File > Save, an Edit menu of the tree's commands with one of the
// host's own, and an editor of its own for the "visible" attributes.
// `embed-host FILE` opens FILE; with --quit-when-painted it exits once the
// tree has painted.
#include <dbui/AttributeWidget.h>
#include <dbui/AttributeWidgetRegistry.h>
#include <dbui/Document.h>
#include <dbui/NodeBrowser.h>
#include <dbui/NodeBrowserTreeControl.h>

#include <db/AttributeDef.h>
#include <db/BoolAttribute.h>
#include <db/ChangeBlock.h>
#include <db/Database.h>
#include <wxUtils/FocusReliantWindow.h>

#include <wx/app.h>
#include <wx/cmdline.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/tglbtn.h>

#include <cstdio>
#include <memory>

// One toggle for whether the selected nodes show: "Shown", "Hidden", or
// "Mixed" while they differ; a click is one undo step for all of them.
class VisibilityToggle : public dbui::AttributeWidget
{
public:
    explicit VisibilityToggle(wxWindow* parent) : dbui::AttributeWidget(parent, wxDefaultSize, 0, "VisibilityToggle")
    {
        m_toggle = new wxToggleButton(this, wxID_ANY, "");
        SetSizer(new wxBoxSizer(wxHORIZONTAL));
        GetSizer()->Add(m_toggle);
        m_toggle->Bind(wxEVT_TOGGLEBUTTON, [this](wxCommandEvent&) { setAll(m_toggle->GetValue()); });
    }

protected:
    void clearWindow() override { m_toggle->SetLabel(""); }
    void populateFromData(bool) override
    {
        const bool common = isValueCommon();
        const bool shown = getAttributes().front()->asBoolAttribute()->getValue();
        m_toggle->SetValue(common && shown);
        m_toggle->SetLabel(!common ? "Mixed" : (shown ? "Shown" : "Hidden"));
    }
    void onDataChanged(const db::ChangeSet&, bool immediate) override { populateFromData(immediate); }

private:
    void setAll(bool shown)
    {
        db::ChangeBlock block(getDatabase(), L"Show or hide");
        for (db::Attribute* attribute : getAttributes())
            attribute->asBoolAttribute()->setValue(shown);
    }

    wxToggleButton* m_toggle;
};

class Host : public wxApp
{
public:
    bool OnInit() override
    {
        if (!wxApp::OnInit())
            return false;
        // Before any window: every inspector row of a "visible" bool gets the toggle.
        m_toggles = dbui::AttributeWidgetRegistry::addForPredicate(
            [](const db::AttributeDef& def, const db::NodeDef*)
            { return def.getName() == L"visible" && def.getAttributeType() == db::Bool; },
            [](db::AttributeDef&, wxWindow* parent) { return new VisibilityToggle(parent); });

        auto* frame = new wxFrame(nullptr, wxID_ANY, "My editor", wxDefaultPosition, wxSize(900, 700));
        auto* browser = new dbui::NodeBrowser(frame, wxID_ANY);
        browser->setDatabase(&m_database);

        // The host owns the database and the document; the windows only show them.
        m_document = std::make_unique<dbui::Document>(m_database, "xml");
        if (!m_file.empty() && m_document->open(m_file) != dbui::Document::Success)
            return false;
        frame->SetTitle(m_document->getTitleWithChangeIndicator());

        // The host's own command joins the tree's in one table: it shows in the
        // tree's context menu and in the Edit menu built from the table.
        dbui::NodeBrowserTreeControl* tree = browser->getTreeControl();
        tree->setOptions(dbui::NodeBrowserTreeControl::CommandTable);
        dbui::NodeCommands& commands = tree->getCommands();
        commands.add({dbui::NodeCommands::FirstHostId, "Count &Selected", "Tells how many nodes are selected", "Ctrl+K",
                      "", dbui::NodeCommand::ContextMenu | dbui::NodeCommand::EditMenu, 100, nullptr,
                      [](const dbui::NodeCommandContext& context) { return context.tree->GetSelectedItemCount() > 0; },
                      [frame](const dbui::NodeCommandContext& context) {
                          wxMessageBox(wxString::Format("%zu selected", context.tree->GetSelectedItemCount()),
                                       "My editor", wxOK, frame);
                      }});

        auto* fileMenu = new wxMenu;
        fileMenu->Append(wxID_SAVE);
        auto* editMenu = new wxMenu;
        commands.appendToMenu(*editMenu, dbui::NodeCommand::EditMenu);
        auto* menuBar = new wxMenuBar;
        menuBar->Append(fileMenu, "&File");
        menuBar->Append(editMenu, "&Edit");
        frame->SetMenuBar(menuBar);
        frame->SetAcceleratorTable(commands.makeAcceleratorTable(dbui::NodeCommand::EditMenu));
        frame->Bind(
            wxEVT_MENU,
            [tree](wxCommandEvent& event)
            {
                if (!tree->getCommands().run(event.GetId(), dbui::NodeCommandContext::of(tree, wxWindow::FindFocus())))
                    event.Skip(); // not the table's: File > Save
            },
            wxID_ANY);
        frame->Bind(
            wxEVT_MENU,
            [this](wxCommandEvent&)
            {
                // Text still being typed in a box becomes an undo step before the file is written.
                wxUtils::FocusReliantWindow::ensureAllChangesApplied();
                m_document->save();
            },
            wxID_SAVE);

        if (m_quitWhenPainted)
            browser->getTreeControl()->Bind(wxEVT_PAINT,
                                            [this, frame](wxPaintEvent& event)
                                            {
                                                event.Skip();
                                                if (!m_quitWhenPainted)
                                                    return; // only the first paint counts
                                                m_quitWhenPainted = false;
                                                std::printf("painted %zu nodes\n", m_database.getTotalNodeCount());
                                                frame->CallAfter([frame] { frame->Destroy(); });
                                            });
        frame->Show();
        return true;
    }

    int OnExit() override
    {
        m_document.reset();
        dbui::AttributeWidgetRegistry::remove(m_toggles);
        return wxApp::OnExit();
    }

    void OnInitCmdLine(wxCmdLineParser& parser) override
    {
        wxApp::OnInitCmdLine(parser);
        parser.AddSwitch("", "quit-when-painted", "exit once the node tree has painted");
        parser.AddParam("document", wxCMD_LINE_VAL_STRING, wxCMD_LINE_PARAM_OPTIONAL);
    }

    bool OnCmdLineParsed(wxCmdLineParser& parser) override
    {
        m_quitWhenPainted = parser.Found("quit-when-painted");
        if (parser.GetParamCount() > 0)
            m_file = parser.GetParam(0);
        return wxApp::OnCmdLineParsed(parser);
    }

private:
    db::Database m_database;
    std::unique_ptr<dbui::Document> m_document;
    wxString m_file;
    bool m_quitWhenPainted = false;
    dbui::AttributeWidgetRegistry::Id m_toggles = 0;
};

wxIMPLEMENT_APP(Host);
