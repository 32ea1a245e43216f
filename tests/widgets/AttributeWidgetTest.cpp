#include "WidgetTestSupport.h"

#include <dbui/AttributeWidget.h>
#include <dbui/AttributeWidgetFactory.h>

#include <db/ChangeBlock.h>
#include <db/FloatAttribute.h>
#include <db/IntAttribute.h>
#include <wxUtils/FocusReliantWindow.h>

#include <functional>
#include <memory>

using widgettest::Scene;
using widgettest::typeInto;

namespace {

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

} // namespace

TEST(AttributeWidgetTest, BindingTheSameListAgainKeepsTheControlsButEnablesTheWindow)
{
    Scene scene(2);
    auto* probe = new ProbeWidget(wxtest::frame());
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
}

TEST(AttributeWidgetTest, BindingNothingClearsDisablesAndUnregisters)
{
    Scene scene(1);
    auto* probe = new ProbeWidget(wxtest::frame());
    EXPECT_TRUE(probe->IsEnabled()) << "a new widget is not disabled before it is bound";
    probe->setAttribute(scene.attribute(0, L"float"));
    ASSERT_TRUE(isRegistered(scene.database, probe));

    probe->setAttribute(nullptr);
    EXPECT_FALSE(probe->IsEnabled());
    EXPECT_EQ(probe->getDatabase(), nullptr);
    EXPECT_TRUE(probe->getAttributes().empty());
    EXPECT_FALSE(isRegistered(scene.database, probe));
    EXPECT_EQ(probe->clears, 2);
    EXPECT_EQ(probe->populates, 1) << "an empty binding only clears";

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

TEST(AttributeWidgetTest, ASizeGivenToTheConstructorBecomesTheMinimumSize)
{
    auto* free = new ProbeWidget(wxtest::frame(), wxDefaultSize);
    EXPECT_EQ(free->GetMinSize(), wxDefaultSize);
    auto* narrow = new ProbeWidget(wxtest::frame(), wxSize(80, -1));
    EXPECT_EQ(narrow->GetMinSize(), wxSize(80, -1));
}

TEST(AttributeWidgetTest, AWidgetReboundDuringANotificationHearsOnlyOfLaterChanges)
{
    Scene scene(2);
    auto* first = new ProbeWidget(wxtest::frame());
    auto* second = new ProbeWidget(wxtest::frame());
    first->setAttribute(scene.attribute(0, L"float"));
    second->setAttribute(scene.attribute(0, L"float"));
    first->onChange = [&] { second->setAttribute(scene.attribute(1, L"float")); };

    setFloat(scene.database, scene.attribute(0, L"float"), 3.0f);
    EXPECT_EQ(first->changes.size(), 1u);
    EXPECT_TRUE(second->changes.empty()) << "a rebound widget gets no further call in the running notification";
    EXPECT_EQ(second->getAttributes().front(), scene.attribute(1, L"float"));

    first->onChange = nullptr;
    setFloat(scene.database, scene.attribute(1, L"float"), 3.0f);
    EXPECT_EQ(second->changes.size(), 1u);
}

TEST(AttributeWidgetTest, AWidgetDestroyedDuringANotificationIsNotCalledAgain)
{
    Scene scene(1);
    auto* first = new ProbeWidget(wxtest::frame());
    auto* second = new ProbeWidget(wxtest::frame());
    first->setAttribute(scene.attribute(0, L"float"));
    second->setAttribute(scene.attribute(0, L"float"));
    first->onChange = [&] {
        delete second;
        second = nullptr;
    };
    setFloat(scene.database, scene.attribute(0, L"float"), 3.0f);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(scene.database.getObservers().count(), 1u);

    delete first;
    EXPECT_EQ(scene.database.getObservers().count(), 0u);
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
