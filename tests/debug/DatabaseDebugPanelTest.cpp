#include "Harness.h"

#include <dbui/DatabaseDebugPanel.h>
#include <dbui/NodeBrowser.h>

#include <db/ChangeBlock.h>
#include <db/Database.h>
#include <db/IntAttribute.h>
#include <db/Node.h>
#include <db/NodeContainer.h>
#include <db/NodeFactory.h>
#include <db/Registry.h>

#include <Orkutils/MemoryTracker.h>
#include <wxUtils/OrkButton.h>
#include <wxUtils/OrkCheckBox.h>
#include <wxUtils/OrkComboBox.h>
#include <wxUtils/OrkListControl.h>
#include <wxUtils/OrkSimpleTextCtrl.h>

#include <wx/button.h>

#include <memory>
#include <string>
#include <vector>

using dbui::DatabaseDebugPanel;

namespace
{

/// The panel in the test frame, destroyed at the end of the scope so that it
/// leaves the databases declared before it while they still live.
class PanelInFrame
{
public:
    PanelInFrame() : m_panel(new DatabaseDebugPanel(wxtest::frame())) { wxtest::show(m_panel); }
    ~PanelInFrame() { m_panel->Destroy(); }
    PanelInFrame(const PanelInFrame&) = delete;
    PanelInFrame& operator=(const PanelInFrame&) = delete;
    DatabaseDebugPanel* operator->() const { return m_panel; }
    DatabaseDebugPanel* get() const { return m_panel; }

private:
    DatabaseDebugPanel* m_panel;
};

/// A database with two groups and a clean history.
struct Scene
{
    db::Database database;
    db::Node* group = nullptr;

    explicit Scene(const std::wstring& name) : database(name)
    {
        group = db::makeNode(L"Group", L"A");
        database.getRootContainer().add(group);
        database.getRootContainer().add(db::makeNode(L"Group", L"B"));
        database.clearUndoHistory();
    }

    /// One undo step named `description`.
    void edit(const std::wstring& description)
    {
        db::ChangeBlock block(database, description);
        auto* layer = group->findAttribute(L"layer")->asIntAttribute();
        layer->setValue((layer->getValue() + 1) % 32);
    }
};

wxString stat(DatabaseDebugPanel* panel, int row)
{
    wxUtils::OrkListControl* list = panel->getStatsList();
    return list->getItemText(list->getItem(static_cast<std::size_t>(row)), 1);
}

std::vector<wxString> rows(wxUtils::OrkListControl* list, unsigned column = 0)
{
    std::vector<wxString> texts;
    for (std::size_t i = 0; i < list->getItemCount(); ++i)
        texts.push_back(list->getItemText(list->getItem(i), column));
    return texts;
}

std::vector<wxString> entries(wxUtils::OrkComboBox* chooser)
{
    std::vector<wxString> texts;
    for (int i = 0; i < chooser->getCount(); ++i)
        texts.push_back(chooser->getString(i));
    return texts;
}

void click(wxUtils::OrkButton* button)
{
    wxCommandEvent event(wxEVT_BUTTON, button->getNativeButton()->GetId());
    event.SetEventObject(button->getNativeButton());
    button->getNativeButton()->ProcessWindowEvent(event);
}

void click(wxUtils::OrkCheckBox* box)
{
    box->SetValue(!box->GetValue());
    wxCommandEvent event(wxEVT_CHECKBOX, box->GetId());
    event.SetEventObject(box);
    box->HandleWindowEvent(event);
}

/// Types `text` into the undo limit box and presses Enter.
void enterLimit(DatabaseDebugPanel* panel, const wxString& text)
{
    wxUtils::OrkSimpleTextCtrl* box = panel->getUndoLimitBox();
    box->ChangeValue(text);
    wxCommandEvent event(wxEVT_TEXT_ENTER, box->GetId());
    event.SetEventObject(box);
    event.SetString(text);
    box->HandleWindowEvent(event);
}

void choose(wxUtils::OrkComboBox* chooser, db::Database* database)
{
    const int index = chooser->findClientData(database);
    ASSERT_GE(index, 0) << "no chooser entry for the database";
    chooser->SetSelection(index);
    wxCommandEvent event(wxEVT_CHOICE, chooser->GetId());
    event.SetEventObject(chooser);
    event.SetInt(index);
    event.SetString(chooser->getString(index));
    chooser->HandleWindowEvent(event);
}

using Texts = std::vector<wxString>;

} // namespace

TEST(DebugPanel, StatisticsShowTheSelectedDatabaseInTheirFixedRowsAndFollowItsEdits)
{
    Scene scene(L"Stats");
    PanelInFrame panel;
    panel->setDatabase(&scene.database);

    EXPECT_EQ(stat(panel.get(), 0), "3");
    EXPECT_EQ(stat(panel.get(), 1), wxString::Format("%d", int(scene.database.getTotalAttributeCount())));
    EXPECT_EQ(stat(panel.get(), 2), "0");
    EXPECT_EQ(stat(panel.get(), 3), "0");
    EXPECT_EQ(stat(panel.get(), 4), "Unlimited");
    EXPECT_EQ(stat(panel.get(), 5), "0.00 KB");
    // The panel, its browser tree and its inspector all watch the database.
    EXPECT_EQ(stat(panel.get(), 6), wxString::Format("%d", int(scene.database.getObservers().count())));
    EXPECT_TRUE(scene.database.getObservers().contains(panel.get()));
    // The allocator figure itself may be 0 where a sanitizer replaces malloc.
    EXPECT_TRUE(stat(panel.get(), 7).EndsWith(" KB"));
    // Counting blocks takes a counter the program opts into; this one links none.
    EXPECT_EQ(stat(panel.get(), 8), "n/a");
    EXPECT_TRUE(stat(panel.get(), 9).EndsWith(" KB"));
    EXPECT_GT(wxAtol(stat(panel.get(), 9)), 0);

    struct CounterInstalled
    {
        CounterInstalled()
        {
            Orkutils::MemoryTracker::setAllocationCounter([]() -> std::size_t { return 4321; });
        }
        ~CounterInstalled() { Orkutils::MemoryTracker::setAllocationCounter(nullptr); }
    } counter;
    db::Node* added = db::makeNode(L"Light", L"L");
    scene.database.getRootContainer().add(added);
    EXPECT_EQ(stat(panel.get(), 8), "4321");
    EXPECT_EQ(stat(panel.get(), 0), "4");
    EXPECT_EQ(stat(panel.get(), 1), wxString::Format("%d", int(scene.database.getTotalAttributeCount())));
    EXPECT_EQ(stat(panel.get(), 2), "1");
    EXPECT_NE(stat(panel.get(), 5), "0.00 KB");

    // A drag's intermediate reports leave the figures alone; its end updates them.
    scene.database.beginChangeBlock(db::ChangeMode::Transient);
    scene.database.getRootContainer().add(db::makeNode(L"Group", L"dragged"));
    scene.database.commitTransient();
    EXPECT_EQ(stat(panel.get(), 0), "4");
    scene.database.endChangeBlock(L"Drag");
    EXPECT_EQ(stat(panel.get(), 0), "5");
}

TEST(DebugPanel, UndoAndRedoListsFollowTheStacksAndTheButtonsActOnTheSelectedDatabase)
{
    Scene scene(L"History");
    Scene other(L"Other");
    PanelInFrame panel;
    panel->setDatabase(&scene.database);
    EXPECT_TRUE(rows(panel->getUndoList()).empty());
    EXPECT_FALSE(panel->getUndoButton()->IsEnabled());
    EXPECT_FALSE(panel->getRedoButton()->IsEnabled());

    scene.edit(L"First");
    scene.edit(L"Second");
    scene.edit(L"");
    EXPECT_EQ(rows(panel->getUndoList()), (Texts{"First", "Second", "*** Description Missing ***"}));
    EXPECT_TRUE(panel->getUndoButton()->IsEnabled());
    EXPECT_FALSE(panel->getRedoButton()->IsEnabled());

    other.edit(L"Elsewhere");
    click(panel->getUndoButton());
    click(panel->getUndoButton());
    EXPECT_EQ(scene.database.getUndoStackSize(), 1u);
    EXPECT_EQ(other.database.getUndoStackSize(), 1u) << "the button undid a database that is not selected";
    EXPECT_EQ(rows(panel->getUndoList()), (Texts{"First"}));
    EXPECT_EQ(rows(panel->getRedoList()), (Texts{"*** Description Missing ***", "Second"}));
    EXPECT_EQ(stat(panel.get(), 2), "1");
    EXPECT_EQ(stat(panel.get(), 3), "2");
    EXPECT_TRUE(panel->getRedoButton()->getNativeButton()->IsEnabled()) << "the button the user clicks";
    // The picture to look at after layout work, with both stacks holding rows.
    wxtest::frame()->SetSize(1200, 800);
    wxtest::pump();
    EXPECT_TRUE(wxtest::saveWindowPng(panel.get(), DBUI_SCREENSHOT_DIR "/debug-panel.png"));

    click(panel->getUndoButton());
    EXPECT_FALSE(panel->getUndoButton()->IsEnabled());
    click(panel->getRedoButton());
    EXPECT_EQ(rows(panel->getUndoList()), (Texts{"First"}));
    EXPECT_EQ(rows(panel->getRedoList()), (Texts{"*** Description Missing ***", "Second"}));

    // A new edit drops the redo steps row by row.
    scene.edit(L"Third");
    EXPECT_EQ(rows(panel->getUndoList()), (Texts{"First", "Third"}));
    EXPECT_TRUE(rows(panel->getRedoList()).empty());
    EXPECT_FALSE(panel->getRedoButton()->IsEnabled());
}

TEST(DebugPanel, UndoLimitBoxReadsNumbersAsTheCLibraryDoesAndDropsTheOldestRows)
{
    Scene scene(L"Limits");
    PanelInFrame panel;
    panel->setDatabase(&scene.database);
    for (const wchar_t* step : {L"one", L"two", L"three"})
        scene.edit(step);

    enterLimit(panel.get(), "2");
    EXPECT_EQ(scene.database.getMaxUndoItems(), 2);
    EXPECT_EQ(stat(panel.get(), 4), "2");
    EXPECT_EQ(rows(panel->getUndoList()), (Texts{"two", "three"}));
    scene.edit(L"four");
    EXPECT_EQ(rows(panel->getUndoList()), (Texts{"three", "four"}));
    EXPECT_EQ(stat(panel.get(), 2), "2");

    struct Case
    {
        const char* typed;
        int limit;
        const char* shown;
    };
    for (const Case& c : {Case{"-1", -1, "Unlimited"}, Case{"abc", 0, "0"}, Case{"12abc", 12, "12"}, Case{" 7", 7, "7"},
                          Case{"", 0, "0"}})
    {
        enterLimit(panel.get(), c.typed);
        EXPECT_EQ(scene.database.getMaxUndoItems(), c.limit) << "typed \"" << c.typed << "\"";
        EXPECT_EQ(stat(panel.get(), 4), c.shown) << "typed \"" << c.typed << "\"";
    }
    EXPECT_EQ(panel->getUndoLimitBox()->getText(), "") << "the box is not filled from the database";
}

TEST(DebugPanel, ChooserFollowsTheRegistryAndRenamedDatabases)
{
    Scene first(L"First");
    PanelInFrame panel;
    db::Database* initial = db::Registry::getInstance().getRegisteredDatabases().front();
    EXPECT_EQ(panel->getDatabase(), initial) << "the first registered database is selected at start";
    panel->setDatabase(&first.database);
    EXPECT_EQ(panel->getDatabaseChooser()->getSelectionString(), "First");
    EXPECT_EQ(panel->getBrowser()->getDatabase(), &first.database);

    auto second = std::make_unique<Scene>(L"Second");
    EXPECT_EQ(entries(panel->getDatabaseChooser()).back(), "Second");
    EXPECT_EQ(panel->getDatabase(), &first.database) << "a new database must not take the selection";
    EXPECT_FALSE(second->database.getObservers().contains(panel.get()));

    // Adding a database the panel already knows changes nothing.
    const std::size_t known = panel->getDatabases().size();
    panel->addDatabase(&second->database);
    EXPECT_EQ(panel->getDatabases().size(), known);
    EXPECT_EQ(panel->getDatabaseChooser()->getCount(), int(known));

    choose(panel->getDatabaseChooser(), &second->database);
    EXPECT_EQ(panel->getDatabase(), &second->database);
    EXPECT_EQ(panel->getBrowser()->getDatabase(), &second->database);
    EXPECT_TRUE(second->database.getObservers().contains(panel.get()));
    EXPECT_TRUE(second->database.getUndoObservers().contains(panel.get()));
    EXPECT_FALSE(first.database.getObservers().contains(panel.get()));
    EXPECT_FALSE(first.database.getUndoObservers().contains(panel.get()));

    second->database.setName(L"Renamed");
    EXPECT_EQ(entries(panel->getDatabaseChooser()).back(), "Renamed");
    EXPECT_EQ(panel->getDatabaseChooser()->getSelectionString(), "Renamed");

    second.reset();
    EXPECT_EQ(panel->getDatabaseChooser()->findString("Renamed"), -1);
    EXPECT_EQ(panel->getDatabase(), nullptr);
    EXPECT_EQ(panel->getBrowser()->getDatabase(), nullptr);
    for (int row = 0; row < DatabaseDebugPanel::StatRowCount; ++row)
        EXPECT_EQ(stat(panel.get(), row), "") << "row " << row;

    // With nothing selected the buttons and the limit box do nothing.
    first.edit(L"Kept");
    click(panel->getUndoButton());
    enterLimit(panel.get(), "1");
    EXPECT_EQ(first.database.getUndoStackSize(), 1u);
    EXPECT_EQ(first.database.getMaxUndoItems(), -1);
}

TEST(DebugPanel, HidingStopsAllUpdatesAndShowingCatchesUp)
{
    Scene scene(L"Hidden");
    PanelInFrame panel;
    panel->setDatabase(&scene.database);
    EXPECT_TRUE(panel->isRefreshingMemory());

    panel->Hide();
    EXPECT_FALSE(panel->isRefreshingMemory());
    EXPECT_FALSE(scene.database.getObservers().contains(panel.get()));
    EXPECT_FALSE(scene.database.getUndoObservers().contains(panel.get()));
    EXPECT_EQ(panel->getBrowser()->getDatabase(), nullptr);
    EXPECT_EQ(panel->getDatabase(), &scene.database) << "hiding keeps the selection";

    scene.edit(L"Unseen");
    scene.database.getRootContainer().add(db::makeNode(L"Group", L"C"));
    EXPECT_TRUE(rows(panel->getUndoList()).empty());
    EXPECT_EQ(stat(panel.get(), 0), "3");

    panel->Show();
    EXPECT_TRUE(panel->isRefreshingMemory());
    EXPECT_EQ(rows(panel->getUndoList()).size(), 2u);
    EXPECT_EQ(rows(panel->getUndoList()).front(), "Unseen");
    EXPECT_EQ(stat(panel.get(), 0), "4");
    EXPECT_EQ(panel->getBrowser()->getDatabase(), &scene.database);
    EXPECT_TRUE(panel->getUndoButton()->IsEnabled());

    // Showing twice must not register the panel twice: one edit, one row.
    panel->Show(false);
    panel->Show(true);
    panel->Show(true);
    scene.edit(L"Seen once");
    EXPECT_EQ(rows(panel->getUndoList()).size(), 3u);
}

TEST(DebugPanel, CheckBoxesSwitchTheLibraryWideDiagnosticsAndMemoryRowsTickWithoutADatabase)
{
    PanelInFrame panel;
    panel->setDatabase(nullptr);
    EXPECT_EQ(stat(panel.get(), 9), "");
    EXPECT_TRUE(wxtest::pumpUntil([&] { return !stat(panel.get(), 9).empty(); }));
    EXPECT_EQ(stat(panel.get(), 0), "") << "only the memory rows tick";

    const bool trace = db::Database::isTraceEnabled();
    const bool timing = db::Database::isObserverTimingEnabled();
    click(panel->getDebugTraceBox());
    EXPECT_NE(db::Database::isTraceEnabled(), trace);
    click(panel->getObserverTimingBox());
    EXPECT_NE(db::Database::isObserverTimingEnabled(), timing);
    click(panel->getDebugTraceBox());
    click(panel->getObserverTimingBox());
    EXPECT_EQ(db::Database::isTraceEnabled(), trace);
    EXPECT_EQ(db::Database::isObserverTimingEnabled(), timing);
}
