#include "WidgetTestSupport.h"

#include <dbui/AttributeWidget.h>
#include <dbui/AttributeWidgetFactory.h>
#include <dbui/AttributeWidgetRegistry.h>
#include <dbui/NodeInspector.h>

#include <db/AttributeArray.h>
#include <db/BoolAttribute.h>
#include <db/ChangeBlock.h>
#include <db/FloatAttribute.h>
#include <db/IntAttribute.h>
#include <db/NodeDef.h>
#include <wxUtils/FocusReliantWindow.h>

#include <wx/panel.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

using widgettest::Scene;
using widgettest::typeInto;

namespace
{

/// Counts what the base asks of a concrete widget.
class ProbeWidget : public dbui::AttributeWidget
{
public:
    explicit ProbeWidget(wxWindow* parent, const wxSize& size = wxDefaultSize)
        : dbui::AttributeWidget(parent, size, 0, "ProbeWidget")
    {
    }

    int clears = 0;
    int populates = 0;
    std::vector<bool> changes; // the flag of every onDataChanged
    std::function<void()> onChange;

protected:
    void clearWindow() override { ++clears; }
    void populateFromData(bool) override { ++populates; }
    void onDataChanged(const db::ChangeSet&, bool immediate) override
    {
        changes.push_back(immediate);
        if (onChange)
            onChange();
    }
};

void setFloat(db::Database& database, db::Attribute* attribute, float value)
{
    db::ChangeBlock block(database, L"edit");
    attribute->asFloatAttribute()->setValue(value);
}

bool isRegistered(db::Database& database, dbui::AttributeWidget* widget)
{
    return database.getObservers().contains(widget);
}

/// Where the widgets of a notification test live: in a plain window, each
/// registered with the database itself, or in the inspector, which observes
/// the database for them and must tell each exactly the same.
wxWindow* widgetParent(bool inInspector)
{
    if (inInspector)
        return new dbui::NodeInspector(wxtest::frame(), wxID_ANY);
    return new wxPanel(wxtest::frame());
}

/// Two probes bound to the first node's float of a two-node scene, for
/// `test`, in a plain window and in the inspector.
void withTwoProbes(const std::function<void(Scene&, ProbeWidget* first, ProbeWidget*& second)>& test)
{
    for (const bool inInspector : {false, true})
    {
        SCOPED_TRACE(inInspector ? "in the inspector" : "registered");
        Scene scene(2);
        wxWindow* parent = widgetParent(inInspector);
        auto* first = new ProbeWidget(parent);
        ProbeWidget* second = new ProbeWidget(parent);
        first->setAttribute(scene.attribute(0, L"float"));
        second->setAttribute(scene.attribute(0, L"float"));
        test(scene, first, second);
    }
}

} // namespace

TEST(AttributeWidgetTest, BindingTheSameListKeepsTheControlsAndBindingNothingClearsDisablesAndUnregisters)
{
    Scene scene(2);
    auto* probe = new ProbeWidget(wxtest::frame());
    EXPECT_TRUE(probe->IsEnabled()) << "a new widget is not disabled before it is bound";
    probe->setAttributes(scene.attributes(L"float"));
    EXPECT_EQ(probe->clears, 1);
    EXPECT_EQ(probe->populates, 1);
    EXPECT_EQ(probe->getDatabase(), &scene.database);
    EXPECT_TRUE(isRegistered(scene.database, probe));

    probe->Enable(false);
    probe->setAttributes(scene.attributes(L"float"));
    EXPECT_EQ(probe->clears, 1) << "an unchanged binding must not refill the controls";
    EXPECT_EQ(probe->populates, 1);
    EXPECT_TRUE(probe->IsEnabled());

    // The same attributes in another order are another binding.
    probe->setAttributes({scene.attribute(1, L"float"), scene.attribute(0, L"float")});
    EXPECT_EQ(probe->clears, 2);
    EXPECT_EQ(probe->populates, 2);
    EXPECT_EQ(scene.database.getObservers().count(), 1u);

    probe->setAttribute(nullptr);
    EXPECT_FALSE(probe->IsEnabled());
    EXPECT_EQ(probe->getDatabase(), nullptr);
    EXPECT_TRUE(probe->getAttributes().empty());
    EXPECT_FALSE(isRegistered(scene.database, probe));
    EXPECT_EQ(probe->clears, 3);
    EXPECT_EQ(probe->populates, 2) << "an empty binding only clears";
    setFloat(scene.database, scene.attribute(0, L"float"), 4.0f);
    EXPECT_TRUE(probe->changes.empty());
}

TEST(AttributeWidgetTest, AddedAttributesAreShownButNotObserved)
{
    Scene scene(2);
    auto* probe = new ProbeWidget(wxtest::frame());
    probe->addAttribute(scene.attribute(0, L"float"));
    probe->addAttribute(scene.attribute(1, L"float"));
    EXPECT_EQ(probe->populates, 2);
    EXPECT_EQ(probe->getDatabase(), nullptr);
    EXPECT_FALSE(isRegistered(scene.database, probe));

    probe->addAttribute(*scene.attribute(0, L"float"));
    EXPECT_EQ(probe->populates, 2) << "adding a bound attribute again changes nothing";
    EXPECT_EQ(probe->getAttributes().size(), 2u);

    probe->removeAttribute(scene.attribute(0, L"string"));
    EXPECT_EQ(probe->clears, 2) << "removing an attribute that is not bound changes nothing";
    probe->removeAttribute(*scene.attribute(0, L"float"));
    EXPECT_EQ(probe->getAttributes(), std::vector<db::Attribute*>{scene.attribute(1, L"float")});
    EXPECT_EQ(probe->clears, 3);

    setFloat(scene.database, scene.attribute(1, L"float"), 2.0f);
    EXPECT_TRUE(probe->changes.empty()) << "its owner refreshes it, not the database";
}

TEST(AttributeWidgetTest, OnlyChangesToBoundAttributesReachTheWidgetWithTheirRepaintFlag)
{
    Scene scene(2);
    auto* probe = new ProbeWidget(wxtest::frame());
    probe->setAttribute(scene.attribute(0, L"float"));

    setFloat(scene.database, scene.attribute(1, L"float"), 9.0f);
    {
        db::ChangeBlock block(scene.database, L"other");
        scene.attribute(0, L"int")->asIntAttribute()->setValue(12);
    }
    EXPECT_TRUE(probe->changes.empty());

    setFloat(scene.database, scene.attribute(0, L"float"), 9.0f);
    EXPECT_EQ(probe->changes, std::vector<bool>{false});

    // A drag reports each step flagged for an immediate repaint, then the whole gesture.
    scene.database.beginChangeBlock(db::ChangeMode::Transient);
    scene.attribute(0, L"float")->asFloatAttribute()->setValue(10.0f);
    scene.database.commitTransient();
    scene.database.endChangeBlock(L"drag");
    ASSERT_GE(probe->changes.size(), 2u);
    EXPECT_TRUE(probe->changes[1]);
    EXPECT_FALSE(probe->changes.back());

    scene.database.undo();
    EXPECT_FALSE(probe->changes.back());
}

TEST(AttributeWidgetTest, ValueIsCommonOnlyWhenEveryAttributeHoldsTheFirstOnesValue)
{
    Scene scene(3);
    auto* probe = new ProbeWidget(wxtest::frame());
    probe->setAttribute(scene.attribute(0, L"float"));
    EXPECT_TRUE(probe->isValueCommon());
    probe->setAttributes(scene.attributes(L"float"));
    EXPECT_TRUE(probe->isValueCommon());
    setFloat(scene.database, scene.attribute(2, L"float"), 1.5f);
    EXPECT_FALSE(probe->isValueCommon());
    setFloat(scene.database, scene.attribute(0, L"float"), 1.5f);
    EXPECT_FALSE(probe->isValueCommon()) << "the middle one still differs";
}

TEST(AttributeWidgetTest, AWidgetReboundDuringANotificationHearsOnlyOfLaterChanges)
{
    withTwoProbes(
        [](Scene& scene, ProbeWidget* first, ProbeWidget*& second)
        {
            first->onChange = [&] { second->setAttribute(scene.attribute(1, L"float")); };

            setFloat(scene.database, scene.attribute(0, L"float"), 3.0f);
            EXPECT_EQ(first->changes.size(), 1u);
            EXPECT_TRUE(second->changes.empty()) << "a rebound widget gets no further call in the running notification";
            EXPECT_EQ(second->getAttributes().front(), scene.attribute(1, L"float"));

            first->onChange = nullptr;
            setFloat(scene.database, scene.attribute(1, L"float"), 3.0f);
            EXPECT_EQ(second->changes.size(), 1u);
            setFloat(scene.database, scene.attribute(0, L"float"), 4.0f);
            EXPECT_EQ(second->changes.size(), 1u) << "nor any call for what it was bound to before";
        });
}

TEST(AttributeWidgetTest, AWidgetDestroyedDuringANotificationIsNotCalledAgain)
{
    withTwoProbes(
        [](Scene& scene, ProbeWidget* first, ProbeWidget*& second)
        {
            first->onChange = [&]
            {
                delete second;
                second = nullptr;
            };
            setFloat(scene.database, scene.attribute(0, L"float"), 3.0f);
            EXPECT_EQ(second, nullptr);
            EXPECT_EQ(scene.database.getObservers().count(), 1u);

            delete first;
            EXPECT_EQ(scene.database.getObservers().count(), 0u);
        });
}

TEST(AttributeWidgetTest, EachEditReachesExactlyTheWidgetsBoundToWhatItTouched)
{
    // Widgets bound across many nodes, two of them to attributes of one
    // definition, one to members of a compound, one to attribute arrays.
    constexpr int s_nodes = 400;
    struct Edit
    {
        const char* what;
        std::function<void(Scene&)> make;
        const char* reaches; // the probes called, by name, in order of binding
    };
    // Each in a block of its own, as a widget's edit is.
    const auto inBlock = [](std::function<void(Scene&)> edit)
    {
        return [edit](Scene& s)
        {
            db::ChangeBlock block(s.database, L"edit");
            edit(s);
        };
    };
    const auto setFloatAt = [&](int node, const wchar_t* path)
    { return inBlock([node, path](Scene& s) { s.attributeAt(node, path)->asFloatAttribute()->setValue(2.0f); }); };
    const std::vector<Edit> edits = {
        {"one value among hundreds bound", setFloatAt(300, L".float"), "high"},
        {"every bound value at once",
         inBlock(
             [](Scene& s)
             {
                 for (db::Attribute* attribute : s.attributes(L"float"))
                     attribute->asFloatAttribute()->setValue(6.0f);
             }),
         "high low"},
        {"a value of another definition",
         inBlock([](Scene& s) { s.attribute(0, L"int")->asIntAttribute()->setValue(3); }), "ints"},
        {"a value nothing is bound to",
         inBlock([](Scene& s) { s.attribute(0, L"bool")->asBoolAttribute()->setValue(true); }), ""},
        {"a bound compound member", setFloatAt(9, L".compound.width"), "width"},
        {"its neighbour member", setFloatAt(9, L".compound.height"), ""},
        {"an element added to a bound array",
         inBlock([](Scene& s) { s.attribute(3, L"entries")->asAttributeArray()->add(); }), "entries"},
        {"the element's value", setFloatAt(3, L".entries[0].amount"), ""},
        {"the element removed again",
         inBlock([](Scene& s) { s.attribute(3, L"entries")->asAttributeArray()->removeElement(0); }), "entries"},
        {"an attribute added under a bound node",
         inBlock([](Scene& s) { s.nodes[4]->addDynamicFloat(L"extra", 1.0f, 0.0f, 2.0f); }), ""},
        {"undone", [](Scene& s) { s.database.undo(); }, ""},
        {"the element's removal undone", [](Scene& s) { s.database.undo(); }, "entries"},
        {"a drag over one bound value",
         [](Scene& s)
         {
             s.database.beginChangeBlock(db::ChangeMode::Transient);
             s.attribute(20, L"float")->asFloatAttribute()->setValue(1.0f);
             s.database.commitTransient();
             s.database.endChangeBlock(L"drag");
         },
         "low low"},
    };
    // The probes are also made as a host's registered widgets, by the factory.
    for (const int mode : {0, 1, 2})
    {
        const bool inInspector = mode > 0;
        SCOPED_TRACE(mode == 0 ? "registered" : (mode == 1 ? "in the inspector" : "made as a host's widgets"));
        const dbui::AttributeWidgetRegistry::Id id =
            mode < 2 ? 0
                     : dbui::AttributeWidgetRegistry::addForPredicate(
                           [](const db::AttributeDef&, const db::NodeDef*) { return true; },
                           [](db::AttributeDef&, wxWindow* parent) { return new ProbeWidget(parent); });
        Scene scene(s_nodes);
        wxWindow* parent = widgetParent(inInspector);
        const std::vector<db::Attribute*> floats = scene.attributes(L"float");
        std::vector<db::Attribute*> widths;
        for (int i = 0; i < s_nodes; ++i)
            widths.push_back(scene.attributeAt(i, L".compound.width"));
        const std::map<std::string, std::vector<db::Attribute*>> bindings = {
            {"low", {floats.begin(), floats.begin() + s_nodes / 2}},
            {"high", {floats.begin() + s_nodes / 2, floats.end()}},
            {"ints", scene.attributes(L"int")},
            {"width", widths},
            {"entries", scene.attributes(L"entries")},
        };
        std::string reached;
        for (const auto& [name, attributes] : bindings)
        {
            auto* probe = mode < 2 ? new ProbeWidget(parent)
                                   : dynamic_cast<ProbeWidget*>(dbui::makeAttributeWidget(
                                         attributes.front()->getDef(), parent, &scene.nodes[0]->getNodeDef()));
            ASSERT_TRUE(probe);
            probe->setAttributes(attributes);
            probe->onChange = [&reached, name = name] { reached += (reached.empty() ? "" : " ") + name; };
        }
        for (const Edit& edit : edits)
        {
            reached.clear();
            edit.make(scene);
            EXPECT_EQ(reached, edit.reaches) << edit.what;
        }
        dbui::AttributeWidgetRegistry::remove(id);
    }
}

TEST(AttributeWidgetTest, TypedTextGoesToTheAttributesItWasTypedForAndNowhereElse)
{
    for (const dbuitest::TypedEdit& edit : dbuitest::typedEdits())
    {
        SCOPED_TRACE(wxString(edit.path).utf8_str());
        Scene scene(3);
        db::Attribute* typedFor = scene.attributeAt(0, edit.path);
        dbui::AttributeWidget* widget = dbui::makeAttributeWidget(typedFor->getDef(), wxtest::frame());
        widget->setAttribute(typedFor);
        std::vector<wxTextCtrl*> boxes;
        for (wxWindow* child : widget->GetChildren())
            if (auto* box = dynamic_cast<wxTextCtrl*>(child))
                boxes.push_back(box);
        ASSERT_LT(edit.box, static_cast<int>(boxes.size()));
        wxTextCtrl* box = boxes[edit.box];

        // Rebinding first writes what was typed, to what it was typed for.
        typeInto(box, edit.typed);
        widget->setAttribute(scene.attributeAt(1, edit.path));
        EXPECT_TRUE(edit.holdsTyped(typedFor)) << "the typed text is lost";
        EXPECT_FALSE(edit.holdsTyped(scene.attributeAt(1, edit.path)));
        EXPECT_EQ(scene.undoSize(), 1u);
        EXPECT_EQ(scene.topUndo(), edit.undo);
        EXPECT_FALSE(box->IsModified());

        // Text typed for a node that has gone is written nowhere, not even
        // into the removed node that undo would bring back.
        typeInto(box, edit.typed);
        ASSERT_TRUE(scene.nodes[1]->remove());
        wxUtils::FocusReliantWindow::ensureAllChangesApplied();
        widget->setAttribute(scene.attributeAt(2, edit.path));
        EXPECT_EQ(scene.undoSize(), 2u);
        scene.database.undo();
        EXPECT_FALSE(edit.holdsTyped(scene.attributeAt(1, edit.path)));

        // Nor is a database that is gone touched.
        {
            auto gone = std::make_unique<Scene>(1);
            widget->setAttribute(gone->attributeAt(0, edit.path));
            typeInto(box, edit.typed);
        }
        wxUtils::FocusReliantWindow::ensureAllChangesApplied();
        widget->Destroy();
    }
}
