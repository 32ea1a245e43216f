#include "SceneGenerator.h"

#include <db/AttributeArray.h>
#include <db/BoolArrayAttribute.h>
#include <db/BoolAttribute.h>
#include <db/ChangeBlock.h>
#include <db/Database.h>
#include <db/DoubleArrayAttribute.h>
#include <db/DoubleAttribute.h>
#include <db/EnumArrayAttribute.h>
#include <db/EnumAttribute.h>
#include <db/FloatArrayAttribute.h>
#include <db/FloatAttribute.h>
#include <db/IntArrayAttribute.h>
#include <db/IntAttribute.h>
#include <db/Matrix34ArrayAttribute.h>
#include <db/Matrix34Attribute.h>
#include <db/NodeContainer.h>
#include <db/NodeFactory.h>
#include <db/PointerArrayAttribute.h>
#include <db/PointerAttribute.h>
#include <db/StringArrayAttribute.h>
#include <db/StringAttribute.h>
#include <db/TypeRegistry.h>
#include <db/Vector3ArrayAttribute.h>
#include <db/Vector3Attribute.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace nodedb_tool
{

namespace
{

using namespace db;

class Generator
{
public:
    Generator(Database& database, unsigned int seed) : m_database(database), m_random(seed) {}

    bool run(std::size_t nodeCount)
    {
        TypeRegistry& types = m_database.getTypeRegistry();
        for (const wchar_t* name :
             {L"Group", L"Mesh", L"Light", L"Camera", L"Material", L"Script", L"MaterialLibrary", L"AllTypes"})
            if (!types.findNodeDef(name))
                return false;

        // Everything is built detached and attached in one step; pointers are
        // set afterwards, when their targets have their final paths.
        ChangeBlock block(m_database, L"Generate scene");
        std::size_t materials = std::max<std::size_t>(2, nodeCount / 25);
        std::size_t scripts = std::max<std::size_t>(1, nodeCount / 100);
        Node* library = make(L"MaterialLibrary", L"Library");
        for (std::size_t i = 0; i < materials; ++i)
            container(library, L"materials")->add(material(i));
        for (std::size_t i = 0; i < scripts; ++i)
            container(library, L"scripts")->add(script(i));

        Node* world = make(L"Group", L"World");
        std::size_t budget = nodeCount > materials + scripts + 4 ? nodeCount - materials - scripts - 4 : 1;
        fillGroup(world, budget, 1);

        Node* every = allTypes();
        m_database.getRootContainer().add(library);
        m_database.getRootContainer().add(world);
        m_database.getRootContainer().add(every);

        for (auto& link : m_links)
            link();
        return true;
    }

private:
    Node* make(const wchar_t* type, const std::wstring& name)
    {
        return makeNode(type, name, &m_database.getTypeRegistry());
    }

    static NodeContainer* container(Node* node, const wchar_t* name)
    {
        return node->findAttribute(name)->asNodeContainer();
    }

    template <typename T> T* get(Node* node, const wchar_t* name) { return static_cast<T*>(node->findAttribute(name)); }

    float real(float low, float high) { return std::uniform_real_distribution<float>(low, high)(m_random); }
    int integer(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

    OrkP::Vector3 point(float extent) { return {real(-extent, extent), real(-extent, extent), real(-extent, extent)}; }

    OrkP::Matrix34 placement()
    {
        float angle = real(0, 6.2831853f);
        OrkP::Matrix34 m;
        m[0] = OrkP::Vector3(std::cos(angle), 0, -std::sin(angle));
        m[2] = OrkP::Vector3(std::sin(angle), 0, std::cos(angle));
        m[3] = point(100);
        return m;
    }

    Node* material(std::size_t index)
    {
        static const wchar_t* const s_kinds[] = {L"Steel", L"Oak", L"Glass", L"Brick", L"Cloth", L"Marble"};
        std::wstring name = std::wstring(s_kinds[index % 6]) + L"_" + std::to_wstring(index);
        Node* node = make(L"Material", name);
        get<Vector3Attribute>(node, L"diffuse")->setValue(OrkP::Vector3(real(0, 1), real(0, 1), real(0, 1)));
        get<Vector3Attribute>(node, L"specular")->setValue(OrkP::Vector3(real(0, 1), real(0, 1), real(0, 1)));
        get<FloatAttribute>(node, L"shininess")->setValue(real(1, 200));
        get<FloatAttribute>(node, L"opacity")->setValue(index % 6 == 2 ? 0.3f : 1.0f);
        get<EnumAttribute>(node, L"blendMode")->setValue(index % 6 == 2 ? 1 : 0);
        get<StringAttribute>(node, L"texture")->setValue(L"textures/" + name + L".png");
        auto* layers = get<AttributeArray>(node, L"layers");
        for (int i = 0, n = integer(0, 2); i < n; ++i)
        {
            CompositeAttribute* layer = layers->add();
            static_cast<StringAttribute*>(layer->findAttribute(L"texture"))
                ->setValue(L"textures/detail_" + std::to_wstring(i) + L".png");
            static_cast<FloatAttribute*>(layer->findAttribute(L"weight"))->setValue(real(0, 1));
            static_cast<EnumAttribute*>(layer->findAttribute(L"uvSet"))->setValue(i % 2);
        }
        m_materials.push_back(node);
        return node;
    }

    Node* script(std::size_t index)
    {
        Node* node = make(L"Script", L"Behaviour_" + std::to_wstring(index));
        get<StringAttribute>(node, L"source")
            ->setValue(L"-- behaviour " + std::to_wstring(index) +
                       L"\nfunction update(self, dt)\n  self.angle = self.angle + dt * 0.5\nend\n");
        get<StringArrayAttribute>(node, L"parameters")->setValues({L"speed=0.5", L"axis=y"});
        m_scripts.push_back(node);
        return node;
    }

    void sceneObject(Node* node)
    {
        get<BoolAttribute>(node, L"visible")->setValue(integer(0, 19) != 0);
        get<Matrix34Attribute>(node, L"transform")->setValue(placement());
    }

    Node* mesh(std::size_t index)
    {
        static const wchar_t* const s_shapes[] = {L"Crate", L"Pillar", L"Rock", L"Tree", L"Lamp", L"Wall"};
        Node* node = make(L"Mesh", std::wstring(s_shapes[index % 6]) + L"_" + std::to_wstring(index));
        sceneObject(node);
        std::vector<OrkP::Vector3> vertices;
        std::vector<OrkP::Vector3> normals;
        std::vector<int> indices;
        std::vector<float> uvs;
        int corners = 4 + integer(0, 4) * 2;
        for (int i = 0; i < corners; ++i)
        {
            vertices.push_back(point(2));
            normals.push_back(OrkP::Vector3(0, 1, 0));
            uvs.push_back(real(0, 1));
            uvs.push_back(real(0, 1));
        }
        for (int i = 1; i + 1 < corners; ++i)
            indices.insert(indices.end(), {0, i, i + 1});
        get<Vector3ArrayAttribute>(node, L"vertices")->setValues(vertices);
        get<IntArrayAttribute>(node, L"indices")->setValues(indices);
        get<Vector3ArrayAttribute>(node, L"normals")->setValues(normals);
        get<FloatArrayAttribute>(node, L"uvs")->setValues(uvs);
        get<BoolAttribute>(node, L"castShadows")->setValue(index % 7 != 0);
        get<DoubleAttribute>(node, L"lodDistance")->setValue(std::round(real(20, 500)));
        if (!m_materials.empty())
        {
            Node* target = m_materials[static_cast<std::size_t>(integer(0, static_cast<int>(m_materials.size()) - 1))];
            auto* pointer = get<PointerAttribute>(node, L"material");
            m_links.push_back([pointer, target] { pointer->setValue(target); });
        }
        m_meshes.push_back(node);
        return node;
    }

    Node* light(std::size_t index)
    {
        Node* node = make(L"Light", L"Light_" + std::to_wstring(index));
        sceneObject(node);
        get<EnumAttribute>(node, L"kind")->setValue(integer(0, 3));
        get<Vector3Attribute>(node, L"colour")->setValue(OrkP::Vector3(1, real(0.7f, 1), real(0.5f, 1)));
        get<FloatAttribute>(node, L"intensity")->setValue(real(0.5f, 20));
        get<FloatAttribute>(node, L"range")->setValue(real(5, 50));
        get<FloatAttribute>(node, L"coneAngle")->setValue(real(15, 60));
        auto* attenuation = node->findAttribute(L"attenuation")->asCompositeAttribute();
        static_cast<FloatAttribute*>(attenuation->findAttribute(L"linear"))->setValue(real(0, 0.2f));
        return node;
    }

    Node* camera(std::size_t index)
    {
        Node* node = make(L"Camera", L"Camera_" + std::to_wstring(index));
        sceneObject(node);
        get<FloatAttribute>(node, L"fieldOfView")->setValue(real(40, 90));
        get<EnumAttribute>(node, L"projection")->setValue(index % 5 == 4 ? 1 : 0);
        if (!m_meshes.empty())
        {
            Node* target = m_meshes[static_cast<std::size_t>(integer(0, static_cast<int>(m_meshes.size()) - 1))];
            auto* pointer = get<PointerAttribute>(node, L"target");
            m_links.push_back([pointer, target] { pointer->setValue(target); });
        }
        return node;
    }

    /// Spends `budget` nodes below `group`: leaves first, then sub-groups that share the rest.
    void fillGroup(Node* group, std::size_t budget, int depth)
    {
        sceneObject(group);
        get<BoolAttribute>(group, L"visible")->setValue(true);
        get<IntAttribute>(group, L"layer")->setValue(depth % 32);
        NodeContainer* children = container(group, L"children");
        std::size_t leaves = budget <= 24 || depth >= 8 ? budget : 12;
        for (std::size_t i = 0; i < leaves; ++i)
        {
            std::size_t index = m_counter++;
            int roll = integer(0, 19);
            children->add(roll < 15 ? mesh(index) : roll < 19 ? light(index) : camera(index));
        }
        std::size_t rest = budget - leaves;
        std::size_t groups = rest == 0 ? 0 : std::min<std::size_t>(4, rest);
        for (std::size_t g = 0; g < groups; ++g)
        {
            std::size_t share = (rest - groups) / groups + (g < (rest - groups) % groups ? 1 : 0);
            Node* sub = make(L"Group", L"Group_" + std::to_wstring(m_counter++));
            children->add(sub);
            fillGroup(sub, share, depth + 1);
        }
    }

    Node* allTypes()
    {
        Node* node = make(L"AllTypes", L"EveryKind");
        get<IntAttribute>(node, L"int")->setValue(-1000);
        get<BoolAttribute>(node, L"bool")->setValue(true);
        get<EnumAttribute>(node, L"enum")->setValue(2);
        get<FloatAttribute>(node, L"float")->setValue(1.0f / 3.0f);
        get<DoubleAttribute>(node, L"double")->setValue(1.0e12);
        get<StringAttribute>(node, L"string")->setValue(L"Unicode: caf\u00e9 \u6570\u636e \U0001F600 <&> \"quoted\"");
        get<StringAttribute>(node, L"script")->setValue(L"-- script\nprint(\"hello\")\n\tindented()\n");
        get<Vector3Attribute>(node, L"vector3")->setValue(OrkP::Vector3(-FLT_MAX, FLT_MIN, FLT_MAX));
        get<Matrix34Attribute>(node, L"matrix34")->setValue(placement());
        get<IntArrayAttribute>(node, L"intArray")->setValues({INT_MIN, -1, 0, 1, INT_MAX});
        get<BoolArrayAttribute>(node, L"boolArray")->setValues({true, false, true});
        get<EnumArrayAttribute>(node, L"enumArray")->setValues({0, 2, 1});
        get<FloatArrayAttribute>(node, L"floatArray")
            ->setValues({-FLT_MAX, -1.5f, 0.0f, -0.0f, FLT_MIN, std::numeric_limits<float>::denorm_min(), FLT_MAX,
                         std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()});
        get<DoubleArrayAttribute>(node, L"doubleArray")
            ->setValues({-DBL_MAX, 0.1, DBL_MIN, std::numeric_limits<double>::denorm_min(), DBL_MAX,
                         -std::numeric_limits<double>::infinity()});
        get<StringArrayAttribute>(node, L"stringArray")
            ->setValues({L"", L"  spaced  ", L"line\nbreak", L"\u00fcml\u00e4ut"});
        get<Vector3ArrayAttribute>(node, L"vector3Array")->setValues({point(10), point(10)});
        get<Matrix34ArrayAttribute>(node, L"matrix34Array")->setValues({OrkP::Matrix34(), placement()});
        auto* entries = get<AttributeArray>(node, L"entries");
        for (int i = 0; i < 3; ++i)
        {
            CompositeAttribute* entry = entries->add();
            static_cast<StringAttribute*>(entry->findAttribute(L"label"))->setValue(L"entry " + std::to_wstring(i));
            static_cast<FloatAttribute*>(entry->findAttribute(L"amount"))->setValue(10.0f * static_cast<float>(i));
            static_cast<Vector3Attribute*>(entry->findAttribute(L"offset"))->setValue(point(1));
        }
        auto* compound = node->findAttribute(L"compound")->asCompositeAttribute();
        static_cast<FloatAttribute*>(compound->findAttribute(L"width"))->setValue(12.5f);
        auto* inner = compound->findAttribute(L"inner")->asCompositeAttribute();
        static_cast<StringAttribute*>(inner->findAttribute(L"note"))->setValue(L"nested note");

        Node* child = make(L"Script", L"AttachedScript");
        container(node, L"children")->add(child);
        node->addDynamicFloat(L"userWeight", 0.25f, 0.0f, 1.0f);
        node->addDynamicString(L"userNote", L"added by hand");
        node->addDynamicVector3Array(L"userPath", OrkP::Vector3(0, 0, 0))->setValues({point(5), point(5)});

        auto* pointer = get<PointerAttribute>(node, L"pointer");
        auto* pointers = get<PointerArrayAttribute>(node, L"pointerArray");
        m_links.push_back(
            [this, pointer, pointers, child, node]
            {
                pointer->setValue(child);
                std::vector<Attribute*> targets{node->findAttribute(L"float"), nullptr, &m_database};
                if (!m_meshes.empty())
                    targets.push_back(m_meshes.front());
                pointers->setValues(targets);
                if (!m_scripts.empty() && !m_meshes.empty())
                    get<PointerArrayAttribute>(m_scripts.front(), L"targets")
                        ->setValues({m_meshes.front(), m_meshes.back()});
            });
        return node;
    }

    Database& m_database;
    std::mt19937 m_random;
    std::size_t m_counter = 0;
    std::vector<Node*> m_materials;
    std::vector<Node*> m_scripts;
    std::vector<Node*> m_meshes;
    std::vector<std::function<void()>> m_links;
};

} // namespace

bool generateScene(db::Database& database, std::size_t nodeCount, unsigned int seed)
{
    Generator generator(database, seed);
    return generator.run(nodeCount);
}

} // namespace nodedb_tool
