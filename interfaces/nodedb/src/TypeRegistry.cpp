#include <db/AttributeArrayDef.h>
#include <db/Database.h>
#include <db/EnumAttributeDef.h>
#include <db/Node.h>
#include <db/NodeContainerDef.h>
#include <db/NodeFactory.h>
#include <db/TypeRegistry.h>

#include <algorithm>
#include <cfloat>
#include <climits>

namespace db
{

namespace
{
TypeRegistry* s_installed = nullptr;
} // namespace

TypeRegistry::TypeRegistry()
{
    m_nodeDef = registerNodeDef(std::make_unique<NodeDef>(s_nodeTypeId, L"Node", nullptr, false));
    auto database = std::make_unique<NodeDef>(s_databaseTypeId, L"Database", m_nodeDef, false);
    database->addAttributeDef(L"name", String);
    database->addAttributeDef(std::make_unique<NodeContainerDef>(L"nodes", m_nodeDef));
    m_databaseDef = registerNodeDef(std::move(database));
}

TypeRegistry::~TypeRegistry() = default;

TypeRegistry& TypeRegistry::getDefault()
{
    if (s_installed)
        return *s_installed;
    static TypeRegistry* s_builtIn = []
    {
        auto* registry = new TypeRegistry();
        registerExampleSchema(*registry);
        return registry;
    }();
    return *s_builtIn;
}

void TypeRegistry::setDefault(TypeRegistry* registry)
{
    s_installed = registry;
}

NodeDef* TypeRegistry::registerNodeDef(std::unique_ptr<NodeDef> def)
{
    if (!def || m_byId.count(def->getTypeId()) != 0 || m_byName.count(def->getName()) != 0)
        return nullptr;
    NodeDef* raw = def.get();
    m_byId.emplace(raw->getTypeId(), raw);
    m_byName.emplace(raw->getName(), raw);
    m_ordered.push_back(raw);
    m_defs.push_back(std::move(def));
    return raw;
}

NodeDef* TypeRegistry::registerNodeDef(int typeId, const std::wstring& name, NodeDef* base, bool creatable)
{
    return registerNodeDef(std::make_unique<NodeDef>(typeId, name, base ? base : m_nodeDef, creatable));
}

NodeDef* TypeRegistry::findNodeDef(int typeId) const
{
    const auto it = m_byId.find(typeId);
    return it == m_byId.end() ? nullptr : it->second;
}

NodeDef* TypeRegistry::findNodeDef(const std::wstring& name) const
{
    const auto it = m_byName.find(name);
    return it == m_byName.end() ? nullptr : it->second;
}

// ------------------------------------------------------------------ factory

namespace
{

Node* makeNodeOf(NodeDef* def, const std::wstring& name, bool reportErrors, const std::wstring& what)
{
    if (!def || !def->isCreatable())
    {
        if (reportErrors && Database::getErrorReporter())
            Database::getErrorReporter()->report(2, L"Cannot create a node of unknown type " + what);
        return nullptr;
    }
    return new Node(*def, name.empty() ? def->getName() : name);
}

} // namespace

Node* makeNode(int typeId, const std::wstring& name, TypeRegistry* registry, bool reportErrors)
{
    TypeRegistry& types = registry ? *registry : TypeRegistry::getDefault();
    return makeNodeOf(types.findNodeDef(typeId), name, reportErrors, std::to_wstring(typeId));
}

Node* makeNode(const std::wstring& typeName, const std::wstring& name, TypeRegistry* registry, bool reportErrors)
{
    TypeRegistry& types = registry ? *registry : TypeRegistry::getDefault();
    return makeNodeOf(types.findNodeDef(typeName), name, reportErrors, L"\"" + typeName + L"\"");
}

void getCreatableTypes(const NodeDef* base, std::vector<NodeDef*>& list, TypeRegistry* registry)
{
    TypeRegistry& types = registry ? *registry : TypeRegistry::getDefault();
    list.clear();
    for (NodeDef* def : types.getNodeDefs())
    {
        if (def->isCreatable() && def->isKindOf(base))
            list.push_back(def);
    }
    std::stable_sort(list.begin(), list.end(),
                     [](const NodeDef* a, const NodeDef* b) { return a->getName() < b->getName(); });
}

// ------------------------------------------------------------ example schema

namespace
{

AttributeDef* addNumber(CompoundAttributeDef& owner, const std::wstring& name, AttributeType type, double value,
                        double minimum, double maximum, int units = 0)
{
    AttributeDef* def = owner.addAttributeDef(name, type, units);
    def->setDefaultNumber(value);
    def->setLimits(minimum, maximum);
    return def;
}

EnumAttributeDef* addEnum(CompoundAttributeDef& owner, const std::wstring& name,
                          std::initializer_list<const wchar_t*> strings, int value = 0, AttributeType type = Enum)
{
    auto def = std::make_unique<EnumAttributeDef>(name, type);
    for (const wchar_t* text : strings)
        def->addString(text);
    def->setDefaultNumber(value);
    return static_cast<EnumAttributeDef*>(owner.addAttributeDef(std::move(def)));
}

/// A texture's file, picked from image files.
void addTexturePath(CompoundAttributeDef& owner)
{
    AttributeDef* texture = owner.addAttributeDef(L"texture", String);
    texture->setEditorHint(L"file");
    texture->setFileFilter(L"*.png;*.jpg;*.tga");
}

} // namespace

void registerExampleSchema(TypeRegistry& registry)
{
    NodeDef& node = registry.getNodeBaseDef();

    // Every scene object has a transform and a visibility switch.
    NodeDef* sceneObject = registry.registerNodeDef(100, L"SceneObject", &node, false);
    sceneObject->addAttributeDef(L"visible", Bool)->setDefaultNumber(1);
    sceneObject->addAttributeDef(L"transform", Matrix34);
    sceneObject->addAttributeDef(std::make_unique<NodeContainerDef>(L"children", sceneObject));

    NodeDef* group = registry.registerNodeDef(101, L"Group", sceneObject);
    addNumber(*group, L"layer", Int, 0, 0, 31);

    NodeDef* material = registry.registerNodeDef(110, L"Material", &node);
    AttributeDef* diffuse = material->addAttributeDef(L"diffuse", Vector3);
    diffuse->setDefaultVector3(OrkP::Vector3(0.8f, 0.8f, 0.8f));
    diffuse->setEditorHint(L"colour");
    material->addAttributeDef(L"specular", Vector3)->setEditorHint(L"colour");
    addNumber(*material, L"shininess", Float, 32, 0, 1000);
    addNumber(*material, L"opacity", Float, 1, 0, 1);
    addEnum(*material, L"blendMode", {L"Opaque", L"AlphaBlend", L"Additive", L"Multiply"});
    addTexturePath(*material);
    {
        auto layer = std::make_unique<CompoundAttributeDef>(L"layer");
        addTexturePath(*layer);
        addNumber(*layer, L"weight", Float, 1, 0, 1);
        addEnum(*layer, L"uvSet", {L"Primary", L"Secondary"});
        material->addAttributeDef(std::make_unique<AttributeArrayDef>(L"layers", std::move(layer)));
    }

    NodeDef* mesh = registry.registerNodeDef(102, L"Mesh", sceneObject);
    mesh->addAttributeDef(L"vertices", Vector3Array);
    addNumber(*mesh, L"indices", IntArray, 0, 0, INT_MAX);
    mesh->addAttributeDef(L"normals", Vector3Array);
    addNumber(*mesh, L"uvs", FloatArray, 0, -FLT_MAX, FLT_MAX);
    mesh->addAttributeDef(L"material", Pointer)->setTargetDef(material);
    mesh->addAttributeDef(L"castShadows", Bool)->setDefaultNumber(1);
    addNumber(*mesh, L"lodDistance", Double, 100.0, 0.0, 1.0e9);

    NodeDef* light = registry.registerNodeDef(103, L"Light", sceneObject);
    addEnum(*light, L"kind", {L"Point", L"Directional", L"Spot", L"Area"});
    AttributeDef* colour = light->addAttributeDef(L"colour", Vector3);
    colour->setDefaultVector3(OrkP::Vector3(1, 1, 1));
    colour->setEditorHint(L"colour");
    addNumber(*light, L"intensity", Float, 1, 0, 100000);
    addNumber(*light, L"range", Float, 10, 0, 1.0e6);
    addNumber(*light, L"coneAngle", Float, 45, 0, 180, 2)->setEditorHint(L"slider");
    {
        auto attenuation = std::make_unique<CompoundAttributeDef>(L"attenuation");
        addNumber(*attenuation, L"constant", Float, 1, 0, 10);
        addNumber(*attenuation, L"linear", Float, 0, 0, 10);
        addNumber(*attenuation, L"quadratic", Float, 0, 0, 10);
        light->addAttributeDef(std::move(attenuation));
    }

    NodeDef* camera = registry.registerNodeDef(104, L"Camera", sceneObject);
    addNumber(*camera, L"fieldOfView", Float, 60, 1, 179, 2);
    addNumber(*camera, L"nearClip", Float, 0.1, 0.0001, 1.0e6);
    addNumber(*camera, L"farClip", Float, 1000, 0.001, 1.0e7);
    addEnum(*camera, L"projection", {L"Perspective", L"Orthographic"});
    camera->addAttributeDef(L"target", Pointer);

    NodeDef* script = registry.registerNodeDef(105, L"Script", &node);
    script->addAttributeDef(L"source", String, 1);
    script->addAttributeDef(L"enabled", Bool)->setDefaultNumber(1);
    script->addAttributeDef(L"parameters", StringArray);
    script->addAttributeDef(L"targets", PointerArray);

    // A library of materials, kept apart from the scene graph.
    NodeDef* library = registry.registerNodeDef(106, L"MaterialLibrary", &node);
    library->setIconName(L"library");
    library->addAttributeDef(std::make_unique<NodeContainerDef>(L"materials", material));
    library->addAttributeDef(std::make_unique<NodeContainerDef>(L"scripts", script));

    // One of every kind, for tests, samples and trying the editor out.
    NodeDef* every = registry.registerNodeDef(120, L"AllTypes", &node);
    addNumber(*every, L"int", Int, 7, -1000, 1000);
    every->addAttributeDef(L"bool", Bool);
    addEnum(*every, L"enum", {L"Red", L"Green", L"Blue"}, 1);
    addNumber(*every, L"float", Float, 0.5, -1000, 1000);
    addNumber(*every, L"double", Double, 3.14159265, -1.0e12, 1.0e12);
    every->addAttributeDef(L"string", String)->setDefaultString(L"text");
    every->addAttributeDef(L"script", String, 1)->setDefaultString(L"-- script\n");
    every->addAttributeDef(L"vector3", Vector3)->setDefaultVector3(OrkP::Vector3(1, 2, 3));
    every->addAttributeDef(L"matrix34", Matrix34);
    every->addAttributeDef(L"pointer", Pointer);
    addNumber(*every, L"intArray", IntArray, 0, INT_MIN, INT_MAX);
    every->addAttributeDef(L"boolArray", BoolArray);
    addEnum(*every, L"enumArray", {L"Low", L"Medium", L"High"}, 0, EnumArray);
    addNumber(*every, L"floatArray", FloatArray, 0, -FLT_MAX, FLT_MAX);
    addNumber(*every, L"doubleArray", DoubleArray, 0, -DBL_MAX, DBL_MAX);
    every->addAttributeDef(L"stringArray", StringArray);
    every->addAttributeDef(L"vector3Array", Vector3Array);
    every->addAttributeDef(L"matrix34Array", Matrix34Array);
    every->addAttributeDef(L"pointerArray", PointerArray);
    every->addAttributeDef(std::make_unique<NodeContainerDef>(L"children", nullptr));
    {
        auto element = std::make_unique<CompoundAttributeDef>(L"entry");
        element->addAttributeDef(L"label", String);
        addNumber(*element, L"amount", Float, 1, 0, 100);
        element->addAttributeDef(L"offset", Vector3);
        every->addAttributeDef(std::make_unique<AttributeArrayDef>(L"entries", std::move(element)));
    }
    {
        auto compound = std::make_unique<CompoundAttributeDef>(L"compound");
        addNumber(*compound, L"width", Float, 1, 0, 100);
        addNumber(*compound, L"height", Float, 1, 0, 100);
        auto inner = std::make_unique<CompoundAttributeDef>(L"inner");
        inner->addAttributeDef(L"flag", Bool);
        inner->addAttributeDef(L"note", String);
        compound->addAttributeDef(std::move(inner));
        every->addAttributeDef(std::move(compound));
    }
}

} // namespace db
