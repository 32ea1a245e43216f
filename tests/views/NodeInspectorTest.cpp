// The inspector shows what the selected nodes share and follows structural
// changes under them, leaving value changes to its widgets.

#include "AllTypesScene.h"
#include "ViewsTestSupport.h"

#include <dbui/AttributeArrayWidget.h>
#include <dbui/AttributeWidget.h>
#include <dbui/CommonAttributeHolder.h>
#include <dbui/NodeBrowser.h>
#include <dbui/NodeBrowserTreeControl.h>
#include <dbui/NodeInspector.h>
#include <dbui/TextBoxBasedAttributeWidget.h>

#include <db/AttributeArray.h>
#include <db/ChangeBlock.h>
#include <db/DoubleAttribute.h>
#include <db/FloatAttribute.h>
#include <db/ValueText.h>
#include <wxUtils/OrkButton.h>
#include <wxUtils/OrkMenu.h>
#include <wxUtils/OrkMenuItem.h>
#include <wxUtils/OrkPopupMenu.h>
#include <wxUtils/OrkSimpleTextCtrl.h>

#include <wx/stattext.h>
// After the native label, which it needs.
#include <wx/generic/stattextg.h>
#include <wx/uiaction.h>

#include <algorithm>
#include <functional>

namespace
{

using viewstest::Owned;
using viewstest::Scene;

struct Inspector
{
    explicit Inspector(db::Database& database, int options = 0)
        : window(wxtest::show(new dbui::NodeInspector(wxtest::frame(), wxID_ANY)))
    {
        window->setOptions(options);
        window->setDatabase(&database);
    }

    template <class W = wxWindow> W* part(const wxString& name) const
    {
        W* found = dynamic_cast<W*>(wxWindow::FindWindowByName(name, window));
        EXPECT_NE(found, nullptr) << "no " << name;
        return found;
    }

    wxString text(const wxString& name) const
    {
        wxWindow* shown = part(name);
        return shown && shown->IsShown() ? shown->GetLabel() : wxString("(hidden)");
    }

    /// Whether the widget of `node`'s attribute `name` is shown.
    bool widgetShown(db::Node* node, const std::wstring& name) const
    {
        db::Attribute* attribute = node->findAttribute(name);
        for (wxWindow* child : window->getScrollPanel()->GetChildren())
            if (auto* widget = dynamic_cast<dbui::AttributeWidget*>(child))
                if (widget->getAttributes() == std::vector<db::Attribute*>{attribute})
                    return widget->IsShown();
        ADD_FAILURE() << "no widget for " << wxString(name);
        return false;
    }

    /// Clicks `window` in the middle, as the user does.
    static void click(wxWindow* target)
    {
        wxUIActionSimulator sim;
        sim.MouseMove(target->GetScreenRect().GetLeft() + 6,
                      target->GetScreenRect().GetTop() + target->GetSize().y / 2);
        wxtest::pump();
        sim.MouseClick();
        wxtest::pump();
    }

    /// Types `text` into the box named `name` over what it holds, then presses `key` (none: 0).
    void type(const wxString& name, const wxString& text, int key = 0) const
    {
        auto* box = part<wxUtils::OrkSimpleTextCtrl>(name);
        ASSERT_TRUE(box);
        box->SetFocus();
        ASSERT_TRUE(wxtest::pumpUntil([box] { return wxWindow::FindFocus() == box; }));
        box->SelectAll();
        wxUIActionSimulator sim;
        sim.Text(text.utf8_str());
        if (key)
            sim.Char(key);
        wxtest::pump();
    }

    std::vector<std::wstring> rowNames() const
    {
        std::vector<std::wstring> names;
        for (dbui::CommonAttributeHolder* holder : window->getHolders())
            names.push_back(holder->getName());
        return names;
    }

    /// The row labels shown, without their fold marks.
    std::vector<wxString> labels() const
    {
        std::vector<wxString> texts;
        for (wxWindow* child : window->getScrollPanel()->GetChildren())
        {
            if (!child->IsShown())
                continue;
            if (auto* label = dynamic_cast<wxStaticText*>(child))
                texts.push_back(label->GetLabel());
            else if (auto* fold = dynamic_cast<wxGenericStaticText*>(child))
                texts.push_back(fold->GetLabel().Mid(2));
        }
        return texts;
    }

    /// The ids of the row windows: new windows get new ids, so a rebuild shows.
    std::vector<int> rowWindowIds() const
    {
        std::vector<int> ids;
        for (wxWindow* child : window->getScrollPanel()->GetChildren())
            ids.push_back(child->GetId());
        return ids;
    }

    Owned<dbui::NodeInspector> window;
};

TEST(NodeInspector, OneNodeShowsEveryAttributeButContainersInOrder)
{
    Scene scene;
    Inspector inspector(scene.database);
    inspector.window->setNodes({scene.light});

    ASSERT_EQ(inspector.window->getHolders().size(), scene.light->getAttributeCount());
    std::vector<wxString> expected;
    for (unsigned int i = 0; i < scene.light->getAttributeCount(); ++i)
    {
        db::Attribute* attribute = scene.light->getAttribute(i);
        EXPECT_EQ(inspector.window->getHolders()[i]->m_attributes, std::vector<db::Attribute*>{attribute});
        if (!attribute->isNodeContainer())
            expected.push_back(wxString(attribute->getName()));
    }
    EXPECT_EQ(inspector.labels(), expected);

    // Neither does a compound, nor a dynamic attribute of the same name but another type.
    db::Node* otherLight = viewstest::addNode(&scene.database, L"Light", L"L2");
    scene.light->addDynamicFloat(L"tag", 1.0f, 0.0f, 10.0f);
    otherLight->addDynamicBool(L"tag", true);
    inspector.window->setNodes({scene.light, otherLight});
    ASSERT_EQ(inspector.window->getNodes().size(), 2u);
    for (dbui::CommonAttributeHolder* holder : inspector.window->getHolders())
    {
        EXPECT_NE(holder->getName(), L"tag");
        EXPECT_NE(holder->getName(), L"attenuation");
    }
    // What else several nodes share, and rows coming and going with attributes and
    // nodes, the random editor test checks after every action.
}

TEST(NodeInspector, ValueChangesLeaveTheRowsAsTheyAre)
{
    Scene scene;
    Inspector inspector(scene.database);
    inspector.window->setNodes({scene.light});
    const auto before = inspector.rowWindowIds();

    {
        db::ChangeBlock block(&scene.database, L"Set float attribute(s)");
        scene.light->findAttribute(L"intensity")->asFloatAttribute()->setValue(3.0f);
    }
    EXPECT_EQ(inspector.rowWindowIds(), before);
    // While a structural change does rebuild them.
    scene.light->addDynamicFloat(L"extra", 1.0f, 0.0f, 10.0f);
    EXPECT_NE(inspector.rowWindowIds(), before);

    db::Database other(L"Other");
    inspector.window->setDatabase(&other);
    EXPECT_TRUE(inspector.window->getNodes().empty()) << "a new database empties it";
    inspector.window->setDatabase(nullptr);
}

// ---------------------------------------------------------------------------
// Header, filter and folded rows

TEST(NodeInspector, HeaderNamesWhatIsInspectedRenamesInPlaceAndCopiesThePath)
{
    Scene scene;
    db::Node* otherLight = viewstest::addNode(scene.b, L"Light", L"L2");
    scene.database.clearUndoHistory();
    Inspector inspector(scene.database, dbui::NodeInspector::ShowHeader);

    EXPECT_EQ(inspector.text("InspectorSummary"), "Nothing selected");
    inspector.window->setNodes({scene.light});
    EXPECT_EQ(inspector.part<wxUtils::OrkSimpleTextCtrl>("InspectorName")->getText(), "L");
    EXPECT_EQ(inspector.text("InspectorType"), "Light");
    EXPECT_EQ(inspector.text("InspectorPath"), "/L");
    EXPECT_EQ(inspector.text("InspectorSummary"), "(hidden)");

    inspector.type("InspectorName", "Lamp", WXK_RETURN);
    EXPECT_EQ(scene.light->getName(), L"Lamp");
    EXPECT_EQ(scene.database.getUndoStackSize(), 1u);
    EXPECT_EQ(scene.database.getUndoDescription(0), L"Rename node");
    EXPECT_EQ(inspector.text("InspectorPath"), "/Lamp");
    scene.database.undo(); // renamed elsewhere: the header follows
    EXPECT_EQ(inspector.part<wxUtils::OrkSimpleTextCtrl>("InspectorName")->getText(), "L");

    inspector.click(inspector.part("InspectorPath"));
    EXPECT_EQ(viewstest::clipboardText(), "/L");

    // Several nodes: how many, and the most derived type they all are of.
    inspector.window->setNodes({scene.light, otherLight});
    EXPECT_EQ(inspector.text("InspectorSummary"), "2 nodes");
    EXPECT_EQ(inspector.text("InspectorType"), "Light");
    EXPECT_EQ(inspector.text("InspectorPath"), "");
    inspector.window->setNodes({scene.light, scene.a, scene.b1});
    EXPECT_EQ(inspector.text("InspectorType"), "SceneObject");
    EXPECT_EQ(inspector.text("InspectorName"), "(hidden)");
    inspector.window->setNodes({nullptr, scene.light});
    EXPECT_EQ(inspector.text("InspectorSummary"), "Nothing selected");
}

TEST(NodeInspector, FilterShowsRowsWhoseNamesHoldItUntilEscapeAndFoldedRowsStayFoldedForTheirNodeType)
{
    Scene scene;
    db::Node* otherLight = viewstest::addNode(&scene.database, L"Light", L"L2");
    db::Node* material = viewstest::addNode(&scene.database, L"Material", L"M");
    Inspector inspector(scene.database,
                        dbui::NodeInspector::ShowAttributeFilter | dbui::NodeInspector::CollapsibleRows);
    inspector.window->setNodes({scene.light});
    const std::vector<wxString> all = inspector.labels();

    inspector.type("InspectorFilter", "ANGLE");
    EXPECT_EQ(inspector.labels(), std::vector<wxString>{"coneAngle"});
    // A member's name shows its compound.
    inspector.type("InspectorFilter", "quad");
    EXPECT_EQ(inspector.labels(), std::vector<wxString>{"attenuation"});
    inspector.window->setNodes({otherLight});
    EXPECT_EQ(inspector.labels(), std::vector<wxString>{"attenuation"});

    wxUIActionSimulator().Char(WXK_ESCAPE);
    wxtest::pump();
    EXPECT_EQ(inspector.part<wxUtils::OrkSimpleTextCtrl>("InspectorFilter")->getText(), "");
    EXPECT_EQ(inspector.labels(), all);

    // Folded rows stay folded for their node type only.
    inspector.window->setNodes({scene.light});
    EXPECT_TRUE(inspector.widgetShown(scene.light, L"attenuation"));

    inspector.click(inspector.part("InspectorFold"));
    EXPECT_FALSE(inspector.widgetShown(scene.light, L"attenuation"));
    EXPECT_TRUE(inspector.widgetShown(scene.light, L"intensity"));
    const std::vector<wxString> labels = inspector.labels();
    EXPECT_NE(std::find(labels.begin(), labels.end(), "attenuation"), labels.end()) << "the label stays";

    inspector.window->setNodes({material});
    EXPECT_TRUE(inspector.widgetShown(material, L"layers"));
    inspector.window->setNodes({otherLight});
    EXPECT_FALSE(inspector.widgetShown(otherLight, L"attenuation"));

    inspector.click(inspector.part("InspectorFold"));
    EXPECT_TRUE(inspector.widgetShown(otherLight, L"attenuation"));
}

/// The first shown button labelled `label` of the inspector's widget for `array`.
wxUtils::OrkButton* arrayButton(const Inspector& inspector, db::Attribute* array, const wxString& label)
{
    for (wxWindow* row : inspector.window->getScrollPanel()->GetChildren())
    {
        auto* widget = dynamic_cast<dbui::AttributeArrayWidget*>(row);
        if (!widget || !widget->IsShown() || widget->getAttributes() != std::vector<db::Attribute*>{array})
            continue;
        for (wxWindow* child : widget->GetChildren())
        {
            auto* button = dynamic_cast<wxUtils::OrkButton*>(child);
            if (button && button->IsShown() && button->getLabel() == label)
                return button;
        }
    }
    return nullptr;
}

/// A host's rule: a node whose value is edited gets a mark, a new attribute,
/// so that an inspector showing the node rebuilds inside the edit.
class MarkEditedNodes : public db::DatabaseObserver
{
public:
    MarkEditedNodes(db::Database& database, db::Node& node) : m_database(database), m_node(node)
    {
        m_database.getObservers().add(this, ObserverMode::Deferred);
    }
    ~MarkEditedNodes() override { m_database.getObservers().remove(this, ObserverMode::Immediate); }
    void onDatabaseChanged(db::Database*, const db::ChangeSet& changes, bool transient) override
    {
        if (!transient && changes.AddedAttributes().empty() && !changes.ChangedAttributes().empty())
            m_node.addDynamicBool(L"edited" + std::to_wstring(++m_marks), true);
    }

private:
    db::Database& m_database;
    db::Node& m_node;
    int m_marks = 0;
};

TEST(NodeInspector, WideNumberBoxesShowTheirLongestNumbersWhole)
{
    dbuitest::AllTypesScene scene(1);
    scene.attribute(0, L"float")->asFloatAttribute()->setValue(-1.2345678e-38f);
    scene.attribute(0, L"double")->asDoubleAttribute()->setValue(-1.2345678e-300);
    for (const bool wide : {false, true})
    {
        Inspector inspector(scene.database, wide ? dbui::NodeInspector::WideNumberBoxes : 0);
        inspector.window->setNodes({scene.nodes[0]});
        wxtest::pump();
        for (const char* name : {"FloatWidget", "DoubleWidget"})
        {
            auto* widget = inspector.part<dbui::TextBoxBasedAttributeWidget>(name);
            ASSERT_TRUE(widget);
            wxUtils::OrkSimpleTextCtrl* box = widget->getTextBox();
            const int room = box->GetClientSize().x;
            const int needed = box->GetTextExtent(box->GetValue()).x;
            // Without the option the boxes keep the narrow width their widgets ask for.
            EXPECT_EQ(room >= needed, wide)
                << name << ": " << box->GetValue() << " needs " << needed << ", has " << room;
        }
    }
}

TEST(NodeInspector, RowWhoseOwnEventRebuildsTheInspectorLivesThroughTheEvent)
{
    struct Case
    {
        const char* what;
        std::function<void(Inspector&, dbuitest::AllTypesScene&)> act;
    };
    const auto enterIn = [](const wchar_t* path, int index, const char* typed)
    {
        return [=](Inspector& inspector, dbuitest::AllTypesScene& scene)
        {
            wxUtils::OrkSimpleTextCtrl* box = viewstest::textBoxOf(inspector.window, scene.attributeAt(0, path), index);
            ASSERT_NE(box, nullptr);
            box->SetFocus();
            ASSERT_TRUE(wxtest::pumpUntil([box] { return wxWindow::FindFocus() == box; }));
            box->ChangeValue(typed);
            box->MarkDirty();
            wxUIActionSimulator().Char(WXK_RETURN);
        };
    };
    const auto click = [](const char* label)
    {
        return [=](Inspector& inspector, dbuitest::AllTypesScene& scene)
        {
            wxUtils::OrkButton* button = arrayButton(inspector, scene.attribute(0, L"entries"), label);
            ASSERT_NE(button, nullptr);
            wxtest::click(button);
        };
    };
    const Case cases[] = {
        {"Enter in a text box", enterIn(L".string", 0, "typed")},
        {"Enter in a box of a vector", enterIn(L".vector3", 1, "2.5")},
        {"an attribute array's Add", click("Add")},
        {"an attribute array's Remove", click("Remove")},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        dbuitest::AllTypesScene scene(1);
        scene.attribute(0, L"entries")->asAttributeArray()->add(false);
        scene.database.clearUndoHistory();
        MarkEditedNodes rule(scene.database, *scene.nodes[0]);
        Inspector inspector(scene.database);
        inspector.window->setNodes({scene.nodes[0]});
        c.act(inspector, scene);
        wxtest::pump();
        EXPECT_GT(scene.undoSize(), 0u) << "the event did not edit";
        const std::vector<wxString> labels = inspector.labels();
        EXPECT_EQ(std::count(labels.begin(), labels.end(), "string"), 1) << "each row shown once";
    }
}

// ---------------------------------------------------------------------------
// The rows' menu

/// Right-clicks `target` at `point` and answers the menu with `choice`
/// (empty: dismisses it). Returns the items as the user saw them, "(off)"
/// after the disabled ones and "-" for separators; empty when no menu was shown.
std::vector<wxString> menuAt(wxWindow* target, const wxPoint& point, const wxString& choice)
{
    std::vector<wxString> items;
    wxUtils::OrkPopupMenu::setChooserForTesting(
        [&](const wxUtils::OrkPopupMenu& popup)
        {
            int chosen = wxID_NONE;
            for (std::size_t i = 0; i < popup.getMenu().getItemCount(); ++i)
            {
                const wxUtils::OrkMenuItem* item = popup.getMenu().getItem(i);
                if (item->isSeparator())
                {
                    items.push_back("-");
                    continue;
                }
                const wxString shown = wxStripMenuCodes(item->getLabel());
                items.push_back(shown + (item->isEnabled() ? "" : " (off)"));
                if (shown == choice && item->isEnabled())
                    chosen = item->getId();
            }
            EXPECT_TRUE(choice.empty() || chosen != wxID_NONE) << "cannot choose " << choice;
            return chosen;
        });
    wxtest::requestContextMenu(target, point);
    wxUtils::OrkPopupMenu::setChooserForTesting(nullptr);
    wxtest::pump();
    return items;
}

/// menuAt on the label of the row `name`.
std::vector<wxString> rowMenu(dbui::NodeInspector* inspector, const wxString& name, const wxString& choice = wxString())
{
    wxWindow* label = nullptr;
    for (wxWindow* child : inspector->getScrollPanel()->GetChildren())
    {
        // A folding label starts with its mark.
        const wxString text = dynamic_cast<wxGenericStaticText*>(child) ? child->GetLabel().Mid(2) : child->GetLabel();
        if ((dynamic_cast<wxStaticText*>(child) || dynamic_cast<wxGenericStaticText*>(child)) && child->IsShown() &&
            text == name)
            label = child;
    }
    if (!label)
    {
        ADD_FAILURE() << "no label " << name;
        return {};
    }
    return menuAt(label, wxPoint(2, label->GetSize().y / 2), choice);
}

/// The value of `node`'s attribute `name` as the clipboard carries it.
wxString valueOf(db::Node* node, const wchar_t* name)
{
    std::wstring text;
    db::valueToText(*node->findAttribute(name), text);
    return text;
}

TEST(NodeInspector, RowMenuResetsCopiesAndPastesValuesOfEveryNodeAsOneStep)
{
    struct Case
    {
        const wchar_t* name;
        std::vector<wxString> values; // one for each of three nodes
        const char* pasted;
        const char* afterPaste;
        const char* byDefault;
        const char* bad; // null: every text is a value
    };
    const Case cases[] = {
        {L"int", {"12", "-3", "400"}, "5000", "1000", "7", "12abc"},
        {L"float", {"0.25", "0.25", "0.25"}, " -2.5 ", "-2.5", "0.5", "2,5"},
        {L"string", {"one", "two", "three"}, "pasted text", "pasted text", "text", nullptr},
        {L"vector3", {"4 5 6", "0 0 0", "4 5 6"}, "7 8 9", "7 8 9", "1 2 3", "7 8"},
        {L"pointer", {"/node1", "/node2", "/node0"}, "/node2", "/node2", "", "/nowhere"},
        {L"bool", {"true", "true", "true"}, "false", "false", "false", "yes"},
        {L"enum", {"Red", "Blue", "Red"}, "Blue", "Blue", "Green", "Purple"},
    };
    for (const Case& c : cases)
    {
        for (const int count : {1, 3})
        {
            SCOPED_TRACE(wxString(c.name) + " on " + std::to_string(count) + " node(s)");
            dbuitest::AllTypesScene scene(3);
            std::vector<db::Node*> nodes(scene.nodes.begin(), scene.nodes.begin() + count);
            for (int i = 0; i < count; ++i)
            {
                std::wstring why;
                ASSERT_TRUE(db::setValueFromText(*nodes[i]->findAttribute(c.name), c.values[i].ToStdWstring(), why));
            }
            scene.database.clearUndoHistory();
            Inspector inspector(scene.database, dbui::NodeInspector::ValueCommands);
            inspector.window->setNodes(nodes);
            const auto valuesNow = [&]
            {
                std::vector<wxString> now;
                for (db::Node* node : nodes)
                    now.push_back(valueOf(node, c.name));
                return now;
            };
            const std::vector<wxString> before = valuesNow();
            const auto all = [&](const wxString& value) { return std::vector<wxString>(nodes.size(), value); };

            // Copy takes the value all the nodes share, and only then.
            const bool agree =
                std::all_of(before.begin(), before.end(), [&](const wxString& v) { return v == before[0]; });
            viewstest::setClipboardText("untouched");
            const std::vector<wxString> items = rowMenu(inspector.window, c.name, agree ? "Copy Value" : "");
            EXPECT_EQ(std::count(items.begin(), items.end(), "Copy Value (off)"), agree ? 0 : 1);
            EXPECT_EQ(std::count(items.begin(), items.end(), "Go to Target"), wxString(c.name) == "pointer");
            EXPECT_EQ(viewstest::clipboardText(), agree ? before[0] : wxString("untouched"));

            viewstest::setClipboardText(c.pasted);
            rowMenu(inspector.window, c.name, "Paste Value");
            EXPECT_EQ(valuesNow(), all(c.afterPaste));
            EXPECT_EQ(scene.undoSize(), 1u);
            EXPECT_EQ(scene.topUndo(), L"Paste attribute value(s)");
            scene.database.undo();
            EXPECT_EQ(valuesNow(), before);

            rowMenu(inspector.window, c.name, "Reset to Default");
            EXPECT_EQ(valuesNow(), all(c.byDefault));
            EXPECT_EQ(scene.topUndo(), L"Reset attribute(s)");
            EXPECT_EQ(rowMenu(inspector.window, c.name).front(), "Reset to Default (off)");
            scene.database.undo();
            EXPECT_EQ(valuesNow(), before);
            EXPECT_EQ(scene.database.getRedoStackSize(), 1u);

            if (c.bad)
            {
                viewstest::setClipboardText(c.bad);
                wxTEST_DIALOG(rowMenu(inspector.window, c.name, "Paste Value"),
                              viewstest::ExpectMessageContaining({"Nothing was pasted", c.bad}, wxID_OK));
                EXPECT_EQ(valuesNow(), before);
                EXPECT_EQ(scene.database.getRedoStackSize(), 1u) << "a step was made";
            }
        }
    }
}

TEST(NodeInspector, GoToTargetSelectsInTheBrowserWhatPointerRowsPointAt)
{
    dbuitest::AllTypesScene scene(3);
    const wchar_t* targets[] = {L"/node2", L"/node2", L""};
    for (int i = 0; i < 3; ++i)
    {
        std::wstring why;
        ASSERT_TRUE(db::setValueFromText(*scene.attribute(i, L"pointer"), targets[i], why)) << why;
    }
    scene.database.clearUndoHistory();
    viewstest::Owned<dbui::NodeBrowser> browser(wxtest::show(new dbui::NodeBrowser(wxtest::frame(), wxID_ANY)));
    browser->setOptions(dbui::NodeBrowser::FilterBox);
    browser->getInspector()->setOptions(dbui::NodeInspector::ValueCommands);
    browser->setDatabase(&scene.database);
    dbui::NodeBrowserTreeControl* tree = browser->getTreeControl();
    using Nodes = std::vector<db::Node*>;

    viewstest::selectNodes(tree, {scene.nodes[0], scene.nodes[1]});
    rowMenu(browser->getInspector(), "pointer", "Go to Target");
    EXPECT_EQ(tree->getSelectedNodes(), Nodes{scene.nodes[2]}) << "one target shared by both";
    EXPECT_EQ(rowMenu(browser->getInspector(), "pointer").back(), "Go to Target (off)") << "node2 points nowhere";

    // A target the find box hides: the box empties, the target shows.
    browser->getFilterBox()->SetValue("node0");
    viewstest::selectNodes(tree, {scene.nodes[0]});
    rowMenu(browser->getInspector(), "pointer", "Go to Target");
    EXPECT_EQ(tree->getFilterText(), "");
    EXPECT_EQ(browser->getFilterBox()->GetValue(), "");
    EXPECT_EQ(tree->getSelectedNodes(), Nodes{scene.nodes[2]});
    EXPECT_EQ(scene.database.getUndoStackSize(), 0u) << "going somewhere edits nothing";
}

TEST(NodeInspector, RowMenuKeepsTypingAndStaysOffUnlessAskedFor)
{
    dbuitest::AllTypesScene scene(1);
    Inspector plain(scene.database);
    plain.window->setNodes({scene.nodes[0]});
    EXPECT_TRUE(rowMenu(plain.window, "int").empty());

    Inspector inspector(scene.database, dbui::NodeInspector::ValueCommands | dbui::NodeInspector::CollapsibleRows);
    inspector.window->setNodes({scene.nodes[0]});
    // Typed, not yet entered: the menu copies what the box shows.
    wxUtils::OrkSimpleTextCtrl* box = viewstest::textBoxOf(inspector.window, scene.attribute(0, L"int"), 0);
    ASSERT_NE(box, nullptr);
    box->SetFocus();
    ASSERT_TRUE(wxtest::pumpUntil([box] { return wxWindow::FindFocus() == box; }));
    box->ChangeValue("55");
    box->MarkDirty();
    rowMenu(inspector.window, "int", "Copy Value");
    EXPECT_EQ(viewstest::clipboardText(), "55");
    EXPECT_EQ(valueOf(scene.nodes[0], L"int"), "55");
    // Beside a short label, on the panel itself: that row's menu as well.
    wxWindow* label = wxWindow::FindWindowByLabel("int", inspector.window->getScrollPanel());
    ASSERT_NE(label, nullptr);
    rowMenu(inspector.window, "int", "Reset to Default");
    EXPECT_EQ(valueOf(scene.nodes[0], L"int"), "7");
    menuAt(inspector.window->getScrollPanel(), wxPoint(label->GetRect().GetRight() + 4, label->GetRect().GetTop() + 2),
           "Paste Value");
    EXPECT_EQ(valueOf(scene.nodes[0], L"int"), "55");

    // Compounds (their labels fold them) go back member by member; kinds
    // without a text form copy nothing.
    std::wstring why;
    ASSERT_TRUE(db::setValueFromText(*scene.attributeAt(0, L".compound.width"), L"9", why));
    EXPECT_EQ(rowMenu(inspector.window, "compound", "Reset to Default"),
              (std::vector<wxString>{"Reset to Default", "Copy Value (off)", "Paste Value (off)"}));
    std::wstring width;
    db::valueToText(*scene.attributeAt(0, L".compound.width"), width);
    EXPECT_EQ(width, L"1");

    // The rows change while the menu is open: the choice does nothing.
    scene.database.clearUndoHistory();
    wxtest::ChoosePopupMenuItem choose("Reset to Default");
    choose.whileShown([&] { inspector.window->setNodes({scene.nodes[0]}); });
    wxtest::requestContextMenu(label, wxPoint(2, 2));
    EXPECT_EQ(scene.undoSize(), 0u);
}

} // namespace
