// Which registration serves an attribute, in every place widgets are made.

#include "WidgetTestSupport.h"

#include <dbui/AttributeWidgetFactory.h>
#include <dbui/AttributeWidgetRegistry.h>
#include <dbui/FloatWidget.h>
#include <dbui/NodeInspector.h>

#include <db/AttributeArray.h>
#include <db/NodeDef.h>

#include <memory>

namespace
{

using Registry = dbui::AttributeWidgetRegistry;

/// A creator of float widgets named `name`, for telling registrations apart.
dbui::AttributeWidgetCreator makesNamed(const char* name)
{
    return [name](db::AttributeDef&, wxWindow* parent) -> dbui::AttributeWidget*
    { return new dbui::FloatWidget(parent, wxDefaultSize, 0, wxDefaultValidator, name); };
}

/// How many windows in and under `window` are named `name`.
int countNamed(wxWindow* window, const wxString& name)
{
    int count = window->GetName() == name;
    for (wxWindow* child : window->GetChildren())
        count += countNamed(child, name);
    return count;
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

    const auto type = Registry::addForType(db::Float, makesNamed("type"));
    const auto hint = Registry::addForHint(L"slider", makesNamed("hint"));
    const auto onLights = Registry::addForPredicate([](const db::AttributeDef& def, const db::NodeDef* nodeType)
                                                    { return def.getAttributeType() == db::Float && nodeType; },
                                                    makesNamed("predicate"));
    // The latest of a kind comes first; a creator that declines leaves the attribute to the next.
    const auto declines = Registry::addForType(db::Float, [](db::AttributeDef&, wxWindow*) { return nullptr; });

    EXPECT_EQ(nameFor(&light->getNodeDef()), "predicate");
    EXPECT_EQ(nameFor(nullptr), "hint");
    // In the inspector: the float itself, the compound's width and height, the element's amount.
    auto* inspector = wxtest::show(new dbui::NodeInspector(wxtest::frame(), wxID_ANY));
    inspector->setNodes(scene.nodes);
    EXPECT_EQ(countNamed(inspector, "predicate"), 4);
    inspector->Destroy();

    EXPECT_TRUE(Registry::remove(onLights));
    EXPECT_FALSE(Registry::remove(onLights));
    EXPECT_EQ(nameFor(&light->getNodeDef()), "hint");
    Registry::remove(hint);
    EXPECT_EQ(nameFor(&light->getNodeDef()), "type");
    Registry::remove(type);
    Registry::remove(declines);
    EXPECT_EQ(nameFor(&light->getNodeDef()), "FloatWidget");
}
