// Which registration serves an attribute, in every place widgets are made; and
// the editors the schema's hints ask for (or a host registers), in the
// inspector over three nodes whose values differ: each gesture is one undo
// step for all of them, undone as one.

#include "WidgetTestSupport.h"

#include <dbui/AttributeWidgetFactory.h>
#include <dbui/AttributeWidgetRegistry.h>
#include <dbui/ColourWidget.h>
#include <dbui/FileWidget.h>
#include <dbui/FloatWidget.h>
#include <dbui/NodeInspector.h>
#include <dbui/StringWidget.h>

#include <db/AttributeArray.h>
#include <db/AttributeDef.h>
#include <db/NodeDef.h>
#include <db/TypeRegistry.h>
#include <db/ValueText.h>
#include <wxUtils/FocusReliantWindow.h>

#include <wx/bmpbuttn.h>
#include <wx/button.h>
#include <wx/slider.h>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

using widgettest::typeInto;

namespace
{

class HintWidgets : public ::testing::Test
{
protected:
    /// The dialogs answer with m_picked (cancelled when not set) and m_chosen, and note what they were offered.
    void SetUp() override
    {
        dbui::ColourWidget::setColourChooser(
            [this](wxWindow*, wxColour& colour)
            {
                m_offered = colour;
                colour = m_picked;
                return m_picked.IsOk();
            });
        dbui::FileWidget::setFileChooser(
            [this](wxWindow*, const wxString& filter, wxString& path)
            {
                m_filter = filter;
                path = m_chosen;
                return true;
            });
    }

    void TearDown() override
    {
        m_inspector->Destroy();
        dbui::ColourWidget::setColourChooser({});
        dbui::FileWidget::setFileChooser({});
        dbui::FileWidget::setDocumentFolder({});
    }

    /// Inspects three new nodes of `type` whose `name` holds `texts`; returns the inspector's
    /// first window called `window`, or null when it is not a W.
    template <class W>
    W* inspect(const wchar_t* type, const wchar_t* name, const std::vector<std::wstring>& texts, const char* window)
    {
        m_name = name;
        for (const std::wstring& text : texts)
        {
            m_nodes.push_back(db::makeNode(type, L"n"));
            m_database.getRootContainer().add(m_nodes.back());
            std::wstring why;
            EXPECT_TRUE(db::setValueFromText(*m_nodes.back()->findAttribute(name), text, why)) << why;
        }
        m_database.clearUndoHistory();
        m_inspector = wxtest::show(new dbui::NodeInspector(wxtest::frame(), wxID_ANY));
        m_inspector->setNodes(m_nodes);
        return dynamic_cast<W*>(wxWindow::FindWindowByName(window, m_inspector));
    }

    /// The inspected attribute of every node, as text.
    std::vector<std::wstring> values()
    {
        std::vector<std::wstring> texts;
        for (db::Node* node : m_nodes)
            db::valueToText(*node->findAttribute(m_name), texts.emplace_back());
        return texts;
    }

    /// Runs `gesture`, which must change the values (to `after` on every node, if given) in one
    /// undo step that undo takes back whole.
    void expectOneStep(const std::function<void()>& gesture, const wchar_t* after = nullptr)
    {
        const std::vector<std::wstring> before = values();
        gesture();
        EXPECT_NE(values(), before);
        if (after)
            EXPECT_EQ(values(), std::vector<std::wstring>(3, after));
        EXPECT_EQ(m_database.getUndoStackSize(), 1u);
        m_database.undo();
        EXPECT_EQ(values(), before);
        m_database.clearUndoHistory();
    }

    db::Database m_database;
    std::vector<db::Node*> m_nodes;
    const wchar_t* m_name = nullptr;
    dbui::NodeInspector* m_inspector = nullptr;
    wxColour m_offered, m_picked;
    wxString m_filter, m_chosen;
};

void click(wxWindow* button)
{
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    event.SetEventObject(button);
    button->HandleWindowEvent(event);
}

void slide(wxSlider* slider, wxEventType type, int position)
{
    slider->SetValue(position);
    wxScrollEvent event(type, slider->GetId(), position);
    event.SetEventObject(slider);
    slider->HandleWindowEvent(event);
}

/// The colour at the middle of the swatch.
wxColour swatchColour(dbui::ColourWidget* widget)
{
    const wxImage image = widget->getSwatch()->GetBitmapLabel().ConvertToImage();
    const int x = image.GetWidth() / 2;
    const int y = image.GetHeight() / 2;
    return wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
}

using Registry = dbui::AttributeWidgetRegistry;

/// A creator of float widgets named `name` that counts what it makes, for telling registrations apart.
dbui::AttributeWidgetCreator makesNamed(const char* name, int* made = nullptr)
{
    return [name, made](db::AttributeDef&, wxWindow* parent) -> dbui::AttributeWidget*
    {
        if (made)
            ++*made;
        return new dbui::FloatWidget(parent, wxDefaultSize, 0, wxDefaultValidator, name);
    };
}

} // namespace

TEST(AttributeWidgetRegistryTest, ThePredicateThenTheHintThenTheTypeThenTheLibraryServesAnAttributeEverywhere)
{
    widgettest::Scene scene(1);
    scene.attribute(0, L"entries")->asAttributeArray()->add();
    db::Node* light = db::makeNode(L"Light", L"L");
    scene.database.getRootContainer().add(light);
    db::AttributeDef& cone = light->findAttribute(L"coneAngle")->getDef(); // a float with the slider hint
    const auto nameFor = [&](const db::NodeDef* nodeType)
    {
        return std::unique_ptr<dbui::AttributeWidget>(dbui::makeAttributeWidget(cone, wxtest::frame(), nodeType))
            ->GetName();
    };

    int made = 0;
    const auto type = Registry::addForType(db::Float, makesNamed("type"));
    const auto newer = Registry::addForType(db::Float, makesNamed("newer"));
    const auto hint = Registry::addForHint(L"slider", makesNamed("hint"));
    const auto onLights = Registry::addForPredicate([](const db::AttributeDef& def, const db::NodeDef* nodeType)
                                                    { return def.getAttributeType() == db::Float && nodeType; },
                                                    makesNamed("predicate", &made));
    // A creator that declines leaves the attribute to the next.
    const auto declines = Registry::addForType(db::Float, [](db::AttributeDef&, wxWindow*) { return nullptr; });

    EXPECT_EQ(nameFor(nullptr), "hint");
    // In the inspector: the float itself, the compound's width and height, the element's amount.
    auto* inspector = wxtest::show(new dbui::NodeInspector(wxtest::frame(), wxID_ANY));
    inspector->setNodes(scene.nodes);
    EXPECT_EQ(made, 4);
    inspector->Destroy();

    // Taken away one by one, the most specific first; of one kind the latest comes first.
    for (const auto& [removed, next] : {std::pair{onLights, "predicate"}, std::pair{hint, "hint"},
                                        std::pair{newer, "newer"}, std::pair{type, "type"}})
    {
        EXPECT_EQ(nameFor(&light->getNodeDef()), next);
        EXPECT_TRUE(Registry::remove(removed));
    }
    EXPECT_FALSE(Registry::remove(onLights));
    Registry::remove(declines);
    EXPECT_EQ(nameFor(&light->getNodeDef()), "FloatWidget");
}

TEST_F(HintWidgets, APickedColourIsOneStepForEveryNodeAndDifferingColoursShowNone)
{
    auto* widget =
        inspect<dbui::ColourWidget>(L"Light", L"colour", {L"0 0.5 1", L"0.2 0.5 1", L"1 1 1"}, "ColourWidget");
    ASSERT_TRUE(widget);
    const wxColour mixed = swatchColour(widget);
    EXPECT_TRUE(mixed.Red() == mixed.Green() && mixed.Green() == mixed.Blue()) << "a grey swatch, no colour";

    m_picked = wxColour(255, 0, 51);
    expectOneStep(
        [&]
        {
            click(widget->getSwatch());
            EXPECT_EQ(swatchColour(widget), m_picked);
        },
        L"1 0 0.2");
    EXPECT_EQ(m_offered, wxColour(0, 128, 255)) << "the dialog starts at the first node's colour";
    m_picked = wxColour();
    click(widget->getSwatch());
    EXPECT_EQ(m_database.getUndoStackSize(), 0u) << "a cancelled dialog changes nothing";
}

TEST_F(HintWidgets, ASliderDragIsOneStepAndAClickAnother)
{
    auto* slider = inspect<wxSlider>(L"Light", L"coneAngle", {L"0", L"10", L"20"}, "slider");
    ASSERT_TRUE(slider);
    auto* widget = dynamic_cast<dbui::FloatWidget*>(slider->GetParent());
    const int end = slider->GetMax();
    expectOneStep(
        [&]
        {
            for (int position : {end / 4, end / 2, end})
                slide(slider, wxEVT_SCROLL_THUMBTRACK, position);
            EXPECT_EQ(widget->getTextBox()->getText(), "180") << "the box follows the drag";
            slide(slider, wxEVT_SCROLL_THUMBRELEASE, end);
            slide(slider, wxEVT_SCROLL_CHANGED, end);
        });
    expectOneStep([&] { slide(slider, wxEVT_SCROLL_CHANGED, end / 2); });

    // The thumb shows a value typed in the box.
    typeInto(widget->getTextBox(), "45");
    widgettest::pressEnter(widget->getTextBox());
    EXPECT_EQ(slider->GetValue(), end / 4);
}

TEST_F(HintWidgets, ABrowsedFileIsWrittenRelativeToTheDocumentsFolderWhenBelowIt)
{
    auto* widget = inspect<dbui::FileWidget>(L"Material", L"texture", {L"a.png", L"b.png", L"c.png"}, "FileWidget");
    ASSERT_TRUE(widget);
    dbui::FileWidget::setDocumentFolder([this](const db::Database* database)
                                        { return database == &m_database ? "/work/scene" : ""; });
    for (const auto& [picked, stored] : {std::pair{"/work/scene/maps/wood.png", L"maps/wood.png"},
                                         std::pair{"/work/scenery/wood.png", L"/work/scenery/wood.png"}})
    {
        m_chosen = picked;
        expectOneStep([&] { click(widget->getBrowseButton()); }, stored);
    }
    EXPECT_EQ(m_filter, "*.png;*.jpg;*.tga");
}

TEST_F(HintWidgets, AMultilineBoxKeepsEnterForANewLineAndWritesWhenLeft)
{
    db::AttributeDef& def = *db::TypeRegistry::getDefault().findNodeDef(L"AllTypes")->findAttributeDef(L"string");
    def.setEditorHint(L"multiline");
    auto* widget = inspect<dbui::StringWidget>(L"AllTypes", L"string", {L"a", L"b", L"c"}, "StringWidget");
    def.setEditorHint(L"");
    ASSERT_TRUE(widget && widget->getTextBox()->IsMultiLine());
    wxtest::pump(); // GTK's text view takes no text before it has its size
    expectOneStep(
        [&]
        {
            typeInto(widget->getTextBox(), "one\ntwo");
            widgettest::pressEnter(widget->getTextBox());
            EXPECT_EQ(m_database.getUndoStackSize(), 0u) << "Enter starts a line";
            wxUtils::FocusReliantWindow::ensureAllChangesApplied();
        },
        L"one\ntwo");
}
