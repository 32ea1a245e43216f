// Model-based tests: random edit sequences checked against snapshots of the
// whole database, with an observer that rebuilds the node tree and the arrays
// from change sets alone; array element edits against a plain vector; and
// observers that come and go while being notified, checked against a
// reference model of the observer list's rules.

#include "NodeDbTestSupport.h"
#include "files/FilesTestSupport.h"

#include <db/AttributeArray.h>
#include <db/AttributeDef.h>
#include <db/BoolArrayAttribute.h>
#include <db/BoolAttribute.h>
#include <db/CompoundAttributeDef.h>
#include <db/DoubleArrayAttribute.h>
#include <db/DoubleAttribute.h>
#include <db/EnumArrayAttribute.h>
#include <db/EnumAttributeDef.h>
#include <db/FileInputStream.h>
#include <db/FileOutputStream.h>
#include <db/FloatArrayAttribute.h>
#include <db/IntArrayAttribute.h>
#include <db/LoaderBinary.h>
#include <db/LoaderXML.h>
#include <db/Matrix34ArrayAttribute.h>
#include <db/Matrix34Attribute.h>
#include <db/NodeContainerDef.h>
#include <db/NodeDef.h>
#include <db/PointerArrayAttribute.h>
#include <db/PointerAttribute.h>
#include <db/SaverBinary.h>
#include <db/SaverXML.h>
#include <db/StringArrayAttribute.h>
#include <db/Vector3ArrayAttribute.h>
#include <db/Vector3Attribute.h>
#include <db/Visitor.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <numeric>
#include <random>
#include <unordered_map>

using namespace nodedbtest;

namespace
{

bool longMode()
{
    const char* value = std::getenv("NODEDB_LONG_MODEL_TEST");
    return value && std::string(value) == "1";
}

/// The nodes below a root, the root included, parents first (cheaper than
/// Everything, which visits every attribute as well).
std::vector<db::Node*> nodesUnder(db::Node& root)
{
    struct Collect : db::Visitor
    {
        Collect() : db::Visitor(0) {}
        bool visitNodeEnter(db::Node* node) override
        {
            nodes.push_back(node);
            return true;
        }
        std::vector<db::Node*> nodes;
    } all;
    root.accept(&all);
    return all.nodes;
}

std::string bytesOf(const db::Attribute& root, bool binary)
{
    std::string bytes;
    db::FileOutputStream stream(db::FileOutputStream::ToMemory{bytes},
                                binary ? db::OutputStreamEncoding::Raw : db::OutputStreamEncoding::Utf8);
    EXPECT_TRUE(binary ? db::SaverBinary(stream).save(root) : db::SaverXML(stream).save(root));
    return bytes;
}

bool loadBytes(db::Attribute& target, const std::string& bytes)
{
    auto stream = db::FileInputStream::fromMemory(bytes.data(), bytes.size());
    return db::LoaderBinary::isBinaryFile(stream) ? db::LoaderBinary(stream).load(target)
                                                  : db::LoaderXML(stream).load(target);
}

/// The whole state: values with node identities, and the bytes of both files.
std::string snapshot(db::Database& database)
{
    return describe(database) + bytesOf(database, false) + bytesOf(database, true);
}

/// Where two snapshots first differ, or "" when they are the same: a whole
/// snapshot is too long to read in a failure.
std::string firstDifference(const std::string& actual, const std::string& expected)
{
    if (actual == expected)
        return {};
    const auto at = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    const std::size_t offset = static_cast<std::size_t>(at.first - actual.begin());
    const std::size_t from = offset > 80 ? offset - 80 : 0;
    return "at byte " + std::to_string(offset) + ": [" + actual.substr(from, 160) + "] instead of [" +
           expected.substr(from, 160) + "]";
}

/// Keeps its own picture of the nodes (name and parent of each) and of every
/// array from change sets only, as a tree view and array widgets do: an array
/// is read again only when a change set names it or brings it in.
class MirrorObserver : public db::DatabaseObserver
{
public:
    struct Entry
    {
        std::wstring name;
        db::Node* parent;
    };

    explicit MirrorObserver(db::Database& database) : m_database(database)
    {
        for (db::Node* node : nodesUnder(database))
            m_nodes[node] = {node->getName(), node->getParentNode()};
        readArraysIn(database);
        database.getObservers().add(this, ObserverMode::Deferred);
    }
    ~MirrorObserver() override { m_database.getObservers().remove(this, ObserverMode::Immediate); }

    void onDatabaseChanged(db::Database*, const db::ChangeSet& changes, bool transient) override
    {
        EXPECT_TRUE(transient || !m_database.isInChangeBlock()) << "told of a block before it ended";
        origins.push_back(changes.getOrigin());
        for (db::Node* node : changes.ReparentedNodes())
        {
            ASSERT_EQ(m_nodes.count(node), 1u) << "moved a node the mirror does not know";
            m_nodes[node].parent = node->getParentNode();
        }
        for (db::Node* node : changes.RemovedNodes())
            EXPECT_EQ(m_nodes.erase(node), 1u) << "removed a node twice or never added";
        for (db::Node* node : changes.AddedNodes())
        {
            EXPECT_EQ(m_nodes.count(node), 0u) << "added a node twice";
            // Parents first, as a tree view needs them.
            EXPECT_EQ(m_nodes.count(node->getParentNode()), 1u) << "a node added before its parent";
            m_nodes[node] = {node->getName(), node->getParentNode()};
            readArraysIn(*node);
        }
        const std::vector<db::Node*>& removed = changes.RemovedNodes();
        for (db::Node* node : changes.RenamedNodes())
        {
            if (m_nodes.count(node))
                m_nodes[node].name = node->getName();
            else
                EXPECT_NE(std::find(removed.begin(), removed.end(), node), removed.end())
                    << "renamed a node never added";
        }
        for (db::Attribute* attribute : changes.AddedAttributes())
            readArraysIn(*attribute);
        for (db::Attribute* attribute : changes.ChangedAttributes())
        {
            if (attribute->asArrayAttribute())
                m_arrays[attribute] = describe(*attribute);
        }
    }

    /// `deep` adds what is slower to check: paths, indices and siblings.
    void check(bool deep) const
    {
        const std::vector<db::Node*> nodes = nodesUnder(m_database);
        ASSERT_EQ(nodes.size(), m_nodes.size());
        EXPECT_EQ(m_database.getTotalNodeCount(), nodes.size());
        for (db::Node* node : nodes)
        {
            const auto it = m_nodes.find(node);
            ASSERT_NE(it, m_nodes.end());
            EXPECT_EQ(it->second.name, node->getName());
            EXPECT_EQ(it->second.parent, node->getParentNode());
        }
        std::vector<db::Node*> childOrder{&m_database};
        filestest::nodesInOrder(m_database, childOrder);
        ASSERT_EQ(nodes, childOrder) << "a walk does not follow the child lists";
        Everything attributes;
        m_database.accept(&attributes);
        EXPECT_EQ(m_database.getTotalAttributeCount(), attributes.all.size() - nodes.size())
            << "the running attribute count is not that of a walk";
        for (db::Attribute* attribute : attributes.all)
        {
            if (deep)
            {
                std::wstring path;
                attribute->toDatabasePath(path);
                ASSERT_EQ(m_database.attributeFromDatabasePath(path), attribute)
                    << std::string(path.begin(), path.end());
                if (const db::CompositeAttribute* composite = attribute->asCompositeAttribute())
                {
                    for (unsigned int i = 0; i < composite->getAttributeCount(); ++i)
                    {
                        ASSERT_EQ(composite->getAttribute(i)->getIndex(), i);
                        ASSERT_EQ(composite->getAttribute(i)->getParentAttribute(), composite);
                    }
                }
                if (db::Node* node = attribute->asNode())
                {
                    const std::vector<db::Node*> children = node->getChildNodes();
                    for (std::size_t i = 0; i < children.size(); ++i)
                    {
                        ASSERT_EQ(children[i]->getPrevious(), i ? children[i - 1] : nullptr);
                        ASSERT_EQ(children[i]->getNext(), i + 1 < children.size() ? children[i + 1] : nullptr);
                    }
                }
            }
            if (!attribute->asArrayAttribute())
                continue;
            const auto it = m_arrays.find(attribute);
            ASSERT_NE(it, m_arrays.end()) << "an array came in unreported";
            ASSERT_EQ(it->second, describe(*attribute)) << "an array changed unreported";
        }
    }

    /// Where each report since the last check came from.
    std::vector<db::ChangeSet::Origin> origins;

private:
    void readArraysIn(db::Attribute& root)
    {
        Everything attributes;
        root.accept(&attributes);
        for (db::Attribute* attribute : attributes.all)
        {
            if (attribute->asArrayAttribute())
                m_arrays[attribute] = describe(*attribute);
        }
    }

    db::Database& m_database;
    std::unordered_map<db::Node*, Entry> m_nodes;
    std::unordered_map<db::Attribute*, std::string> m_arrays;
};

/// What undo and redo should bring back: the states before and after each
/// step on the undo stack, and those undone since.
template <class State> struct UndoModel
{
    explicit UndoModel(State start) : history{std::move(start)} {}
    void stepped(State after)
    {
        history.push_back(std::move(after));
        future.clear();
    }
    const State& undone()
    {
        future.push_back(history.back());
        history.pop_back();
        return history.back();
    }
    const State& redone()
    {
        history.push_back(future.back());
        future.pop_back();
        return history.back();
    }

    std::vector<State> history;
    std::vector<State> future;
};

/// Undoes every step, then redoes as many (steps undone earlier stay on the
/// redo stack), checking what `read` gives against the start and the end.
template <class Read>
void undoAllAndRedo(
    db::Database& database, const Read& read, const decltype(read())& start,
    const std::function<void()>& afterEach = [] {})
{
    const auto end = read();
    int undone = 0;
    for (; database.undo(); ++undone)
        afterEach();
    EXPECT_EQ(read(), start) << "undoing everything did not restore the start";
    for (int i = 0; i < undone; ++i)
    {
        database.redo();
        afterEach();
    }
    EXPECT_EQ(read(), end) << "redoing everything did not restore the end";
}

class RandomEditor
{
public:
    RandomEditor(db::Database& database, unsigned int seed) : m_database(database), m_rng(seed) {}

    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(m_rng); }
    bool chance(int percent) { return pick(100) < percent; }

    std::vector<db::Node*> nodes() { return nodesUnder(m_database); }

    db::Node* anyNode(bool allowRoot)
    {
        std::vector<db::Node*> all = nodes();
        if (!allowRoot)
            all.erase(all.begin());
        return all.empty() ? nullptr : all[static_cast<std::size_t>(pick(static_cast<int>(all.size())))];
    }

    /// What a pointer of `from` may name: nothing, a node, or an attribute of
    /// one; often one near it, in the branch a copy of its node's parent takes.
    db::Attribute* anyTarget(const db::Attribute& from)
    {
        if (chance(20))
            return nullptr;
        db::Node* near = from.getParentNode();
        if (near && near->getParentNode())
            near = near->getParentNode();
        std::vector<db::Node*> branch = near && chance(50) ? nodesUnder(*near) : nodes();
        db::Node* node = branch[static_cast<std::size_t>(pick(static_cast<int>(branch.size())))];
        const std::vector<db::Attribute*> attributes = attributesOf(*node);
        return attributes.empty() || chance(70)
                   ? node
                   : attributes[static_cast<std::size_t>(pick(static_cast<int>(attributes.size())))];
    }

    std::vector<db::Attribute*> attributesOf(db::Node& node)
    {
        std::vector<db::Attribute*> attributes;
        for (unsigned int i = 0; i < node.getAttributeCount(); ++i)
            collect(*node.getAttribute(i), attributes);
        return attributes;
    }

    static void collect(db::Attribute& attribute, std::vector<db::Attribute*>& out)
    {
        if (attribute.isNode())
            return;
        out.push_back(&attribute);
        if (attribute.isCompound() || attribute.isAttributeArray())
        {
            db::CompositeAttribute* composite = attribute.asCompositeAttribute();
            for (unsigned int i = 0; i < composite->getAttributeCount(); ++i)
                collect(*composite->getAttribute(i), out);
        }
    }

    /// Mostly quarters; now and then any bits at all: NaNs with payloads,
    /// infinities, signed zeros and subnormals must all survive the files.
    float anyFloat()
    {
        const int kind = pick(20);
        if (kind > 2)
            return static_cast<float>(pick(2000) - 1000) / 4.0f;
        auto bits = static_cast<std::uint32_t>(m_rng());
        if (kind == 0) // NaNs, payloads and all, and infinities
            bits = (bits | 0x7F800000u) & (chance(30) ? 0xFF800000u : ~0u);
        else if (kind == 1)
            bits &= 0x80000000u; // zeros of either sign
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    double anyDouble()
    {
        const int kind = pick(20);
        if (kind > 2)
            return static_cast<double>(pick(2000) - 1000) * 0.75;
        std::uint64_t bits = (std::uint64_t(m_rng()) << 32) | m_rng();
        if (kind == 0)
            bits = (bits | 0x7FF0000000000000ull) & (chance(30) ? 0xFFF0000000000000ull : ~0ull);
        else if (kind == 1)
            bits &= 0x8000000000000000ull;
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    /// Plain, or with markup, controls and characters beyond one byte or two.
    std::wstring anyText(const wchar_t* prefix)
    {
        return (chance(20) ? L" <&>\"'\t\u00e9\U0001F600" : prefix) + std::to_wstring(pick(100));
    }

    /// A dynamic value or array of any type, with limits and defaults of its own.
    void addAnyDynamic(db::Node& node)
    {
        int types = 0;
        while (*db::attributeTypeName(db::AttributeType(db::Int + types)))
            ++types;
        const auto type = db::AttributeType(db::Int + pick(types));
        db::CompoundAttributeDef kinds(L"kinds");
        const db::AttributeDef* made =
            kinds.addAttributeDef(std::wstring(L"Dynamic ") + db::attributeTypeName(type), type);
        if (!made)
            return;
        std::unique_ptr<db::AttributeDef> def(made->makeCopy());
        def->setDefaultNumber(pick(10) / 4.0);
        def->setDefaultString(anyText(L"d"));
        def->setDefaultVector3(OrkP::Vector3(1, -2, 3e-9f));
        if (chance(50))
            def->setLimits(-5, 5);
        if (db::EnumAttributeDef* names = def->asEnumAttributeDef())
        {
            names->addString(L"calm", 5);
            names->addString(L"wild \u2600", 9);
        }
        db::ChangeBlock block(m_database, L"dynamic");
        db::Attribute* added = node.addDynamicAttribute(std::move(def));
        if (added && added->isComposite()) // composites are only ever members
            added->remove();
        else if (added)
            setRandomValue(*added);
    }

    void setRandomValue(db::Attribute& a)
    {
        const float f = static_cast<float>(pick(2000) - 1000) / 4.0f;
        if (auto* v = a.asIntAttribute())
            v->setValue(pick(3000) - 1500);
        else if (auto* v = a.asBoolAttribute())
            v->setValue(chance(50));
        else if (auto* v = a.asEnumAttribute())
            v->setValue(pick(4));
        else if (auto* v = a.asFloatAttribute())
            v->setValue(anyFloat());
        else if (auto* v = a.asDoubleAttribute())
            v->setValue(anyDouble());
        else if (auto* v = a.asStringAttribute())
            v->setValue(anyText(L"s"));
        else if (auto* v = a.asVector3Attribute())
            v->setValue(OrkP::Vector3(f, -f, 1));
        else if (auto* v = a.asMatrix34Attribute())
        {
            OrkP::Matrix34 m;
            m.set(3, 1, f);
            v->setValue(m);
        }
        else if (auto* v = a.asPointerAttribute())
            v->setValue(anyTarget(a));
        else if (db::ArrayAttribute* array = a.asArrayAttribute())
            editArray(*array);
        else if (db::AttributeArray* elements = a.asAttributeArray())
        {
            if (elements->getAttributeCount() > 0 && chance(40))
                elements->removeElement(
                    static_cast<unsigned int>(pick(static_cast<int>(elements->getAttributeCount()))));
            else
                elements->add(chance(50));
        }
    }

    /// One element inserted or replaced at a random place, typed to the array.
    template <class Array, class Value> bool editElement(Array* array, Value value)
    {
        if (!array)
            return false;
        const unsigned int size = array->getSize();
        if (size > 0 && chance(50))
            array->setElement(static_cast<unsigned int>(pick(static_cast<int>(size))), value);
        else
            array->insert(static_cast<unsigned int>(pick(static_cast<int>(size) + 1)), value);
        return true;
    }

    void editElement(db::ArrayAttribute& array)
    {
        const float f = static_cast<float>(pick(200) - 100) / 4.0f;
        OrkP::Matrix34 m;
        m.set(1, 2, f);
        const bool done = editElement(array.asIntArrayAttribute(), pick(3000) - 1500) ||
                          editElement(array.asBoolArrayAttribute(), chance(50)) ||
                          editElement(array.asEnumArrayAttribute(), pick(4)) ||
                          editElement(array.asFloatArrayAttribute(), anyFloat()) ||
                          editElement(array.asDoubleArrayAttribute(), anyDouble()) ||
                          editElement(array.asStringArrayAttribute(), anyText(L"e")) ||
                          editElement(array.asVector3ArrayAttribute(), OrkP::Vector3(f, 1, -f)) ||
                          editElement(array.asMatrix34ArrayAttribute(), m) ||
                          editElement(array.asPointerArrayAttribute(), anyTarget(array));
        EXPECT_TRUE(done) << "an array type the editor does not know";
    }

    /// Arrays long enough to be kept element by element for undo, or short.
    void refill(db::ArrayAttribute& array)
    {
        db::ChangeBlock block(m_database, L"refill");
        array.clear();
        const int size = chance(70) ? 16 + pick(40) : pick(8);
        for (int i = 0; i < size; ++i)
            array.addDefault();
    }

    void editArray(db::ArrayAttribute& array)
    {
        const unsigned int size = array.getSize();
        const int choice = pick(10);
        if (choice < 2 && size > 0)
            array.removeElement(static_cast<unsigned int>(pick(static_cast<int>(size))));
        else if (choice == 2 && chance(30))
            array.clear();
        else if (choice == 3)
            refill(array);
        else if (choice == 4)
            array.addDefault();
        else if (choice == 5)
        {
            // Many element edits of one array in one step, some whole ones among them.
            db::ChangeBlock block(m_database, L"burst");
            for (int i = 1 + pick(30); i > 0; --i)
            {
                if (chance(5))
                    refill(array);
                else if (chance(20) && array.getSize() > 0)
                    array.removeElement(static_cast<unsigned int>(pick(static_cast<int>(array.getSize()))));
                else
                    editElement(array);
            }
        }
        else
            editElement(array);
    }

    db::NodeContainer* anyContainer()
    {
        std::vector<db::NodeContainer*> containers;
        for (db::Node* node : nodes())
        {
            for (db::Attribute* attribute : attributesOf(*node))
            {
                if (db::NodeContainer* container = attribute->asNodeContainer())
                    containers.push_back(container);
            }
        }
        return containers[static_cast<std::size_t>(pick(static_cast<int>(containers.size())))];
    }

    void addNode()
    {
        if (nodes().size() > 40)
            return;
        db::NodeContainer* container = anyContainer();
        std::vector<db::NodeDef*> types;
        db::getCreatableTypes(container->getContainerDef().getContainedDef(), types);
        if (types.empty())
            return;
        db::Node* node =
            db::makeNode(types[static_cast<std::size_t>(pick(static_cast<int>(types.size())))]->getTypeId(),
                         L"n" + std::to_wstring(pick(50)));
        const unsigned int index = static_cast<unsigned int>(pick(static_cast<int>(container->getNodeCount()) + 1));
        if (!container->insert(index, node))
            delete node;
    }

    /// A copy of a node, or of the whole database, saved in either format and
    /// loaded into the database or a node, as a paste does.
    void loadCopy()
    {
        if (nodes().size() > 20)
            return;
        db::Attribute* source = chance(20) ? static_cast<db::Attribute*>(&m_database) : anyNode(false);
        db::Attribute* target = chance(70) ? static_cast<db::Attribute*>(&m_database) : anyNode(false);
        if (!source || !target)
            return;
        if (source != &m_database && target == &m_database && chance(30))
        {
            // A copy made in memory, its pointers inside it turned to its own nodes.
            const std::string xml = bytesOf(*source, false);
            db::Node* copy = source->asNode()->makeCopy(source->asNode()->getName());
            ASSERT_TRUE(m_database.getRootContainer().add(copy));
            EXPECT_EQ(firstDifference(bytesOf(*copy, false), xml), "");
            return;
        }
        const bool binary = chance(50);
        const std::string bytes = bytesOf(*source, binary);
        const std::string other = bytesOf(*source, !binary);
        const std::size_t expected = nodes().size() + nodesUnder(*source->asNode()).size() - (source == &m_database);
        const bool loaded = loadBytes(*target, bytes);
        if (target == &m_database || loaded)
        {
            ASSERT_TRUE(loaded);
            EXPECT_EQ(nodes().size(), expected);
        }
        // A node copied beside the others reads back, in the other format, as
        // its original: values, and pointers inside the copy or out of it.
        db::NodeContainer& top = m_database.getRootContainer();
        if (target == &m_database && source != &m_database)
            EXPECT_EQ(firstDifference(bytesOf(*top.getNode(top.getNodeCount() - 1), !binary), other), "");
    }

    void step(int depth)
    {
        switch (pick(15))
        {
        case 0:
        case 1:
        case 2:
        {
            db::Node* node = anyNode(true);
            std::vector<db::Attribute*> attributes = attributesOf(*node);
            if (!attributes.empty())
                setRandomValue(*attributes[static_cast<std::size_t>(pick(static_cast<int>(attributes.size())))]);
            break;
        }
        case 3:
            if (db::Node* node = anyNode(true))
            {
                // Names that paths must escape or number, and duplicates.
                static const wchar_t* const odd[] = {L"a/b", L"c.d", L"[0]", L"e\\", L"", L"\u00e9 <&> \U0001F600"};
                node->setName(chance(30) ? odd[pick(6)] : L"r" + std::to_wstring(pick(20)));
            }
            break;
        case 4:
        case 5:
            addNode();
            break;
        case 6:
            if (db::Node* node = anyNode(false); node && chance(60))
                node->remove();
            break;
        case 7:
            if (db::Node* node = anyNode(false))
            {
                db::NodeContainer* target = anyContainer();
                target->insert(static_cast<unsigned int>(pick(static_cast<int>(target->getNodeCount()) + 1)), node);
            }
            break;
        case 8:
            if (db::Node* node = anyNode(true))
            {
                if (node->getDynamicAttributeCount() > 0 && chance(40))
                    node->getAttribute(node->getAttributeCount() - 1)->remove();
                else if (chance(30))
                {
                    db::ChangeBlock block(m_database, L"pointer");
                    auto def = std::make_unique<db::AttributeDef>(L"DynamicPointer", db::Pointer);
                    if (db::Attribute* added = node->addDynamicAttribute(std::move(def)))
                        added->asPointerAttribute()->setValue(anyTarget(*added));
                }
                else if (chance(40))
                    addAnyDynamic(*node);
                else if (chance(50))
                    node->addDynamicFloat(L"DynamicFloat", 1.5f, -10, 10);
                else
                    node->addDynamicStringArray(L"DynamicStringArray", L"x");
            }
            break;
        case 9:
            if (depth < 3)
            {
                if (depth == 0)
                    m_description = L"nested 0";
                db::ChangeBlock block(m_database, L"nested " + std::to_wstring(depth));
                const int count = 1 + pick(4);
                for (int i = 0; i < count; ++i)
                    step(depth + 1);
            }
            break;
        case 10:
            if (depth == 0)
                drag();
            break;
        case 11:
            if (depth == 0 && m_database.undo())
                m_last = Last::Undo;
            break;
        case 12:
            if (depth == 0 && m_database.redo())
                m_last = Last::Redo;
            break;
        case 13:
            loadCopy();
            break;
        default:
            if (chance(3))
                m_database.clear();
            break;
        }
    }

    void drag()
    {
        const std::string before = m_checkCancel ? describe(m_database) : std::string();
        m_database.beginChangeBlock(db::ChangeMode::Transient);
        const int steps = 1 + pick(4);
        for (int i = 0; i < steps; ++i)
        {
            step(2);
            m_database.commitTransient();
        }
        if (chance(30))
        {
            m_database.cancelChangeBlock();
            if (m_checkCancel)
            {
                EXPECT_EQ(describe(m_database), before) << "a cancelled drag left changes behind";
            }
        }
        else
        {
            m_database.endChangeBlock(L"drag");
            m_description = L"drag";
        }
    }

    void setCheckCancel(bool check) { m_checkCancel = check; }

    enum class Last
    {
        Edit,
        Undo,
        Redo,
    };
    /// What the last top-level step did, then forgets it.
    Last takeLast()
    {
        const Last last = m_last;
        m_last = Last::Edit;
        return last;
    }
    /// The description the last top-level block gave its step, then forgets it.
    std::wstring takeDescription() { return std::exchange(m_description, std::wstring()); }

private:
    db::Database& m_database;
    std::mt19937 m_rng;
    bool m_checkCancel = true;
    Last m_last = Last::Edit;
    std::wstring m_description;
};

void runSequence(unsigned int seed, int steps, bool snapshots)
{
    SCOPED_TRACE("seed " + std::to_string(seed));
    db::Database database(L"model");
    RandomEditor editor(database, seed);
    editor.setCheckCancel(snapshots);
    // A starting scene with some of everything.
    for (int i = 0; i < 6; ++i)
        editor.addNode();
    db::Node* all = addNode(database, L"AllTypes", L"all");
    for (db::Attribute* attribute : editor.attributesOf(*all))
    {
        if (db::ArrayAttribute* array = attribute->asArrayAttribute())
            editor.refill(*array);
    }
    database.clearUndoHistory();

    MirrorObserver mirror(database);
    UndoModel<std::string> model(describe(database));
    const std::string start = snapshot(database);

    for (int i = 0; i < steps; ++i)
    {
        const unsigned int undoBefore = database.getUndoStackSize();
        editor.step(0);
        ASSERT_FALSE(database.isInChangeBlock());
        mirror.check(i % 10 == 0);
        if (::testing::Test::HasFatalFailure())
            return;
        const RandomEditor::Last last = editor.takeLast();
        const std::wstring description = editor.takeDescription();
        const std::vector<db::ChangeSet::Origin> origins = std::exchange(mirror.origins, {});
        if (!snapshots)
            continue;
        const unsigned int undoAfter = database.getUndoStackSize();
        const std::string now = describe(database);
        if (last != RandomEditor::Last::Edit)
        {
            const auto origin =
                last == RandomEditor::Last::Undo ? db::ChangeSet::Origin::Undo : db::ChangeSet::Origin::Redo;
            ASSERT_EQ(origins, std::vector<db::ChangeSet::Origin>{origin}) << "one report, from the undo or redo";
        }
        if (last == RandomEditor::Last::Redo)
            ASSERT_EQ(firstDifference(now, model.redone()), "") << "redo did not restore the state after the step";
        else if (last == RandomEditor::Last::Undo)
            ASSERT_EQ(firstDifference(now, model.undone()), "") << "undo did not restore the state before the step";
        else if (undoAfter == undoBefore + 1)
        {
            if (!description.empty())
            {
                ASSERT_EQ(database.getUndoDescription(undoAfter - 1), description);
            }
            model.stepped(now);
        }
        else
        {
            ASSERT_EQ(undoAfter, undoBefore);
            ASSERT_EQ(firstDifference(now, model.history.back()), "") << "a change left no undo step";
        }
        if (i % 20 == 0)
        {
            // Either file read back gives the same bytes in the other format.
            const std::string files[] = {bytesOf(database, false), bytesOf(database, true)};
            for (int format : {0, 1})
            {
                db::Database copy;
                ASSERT_TRUE(loadBytes(copy, files[format]));
                ASSERT_EQ(firstDifference(bytesOf(copy, format == 0), files[1 - format]), "")
                    << (format ? "binary" : "XML") << " round trip";
            }
        }
    }
    int checks = 0;
    undoAllAndRedo(
        database, [&] { return snapshot(database); }, start, [&] { mirror.check(++checks % 10 == 0); });
}

TEST(RandomEdits, UndoAllRestoresTheStartAndRedoAllTheEnd)
{
    const bool extended = longMode();
    const unsigned int seeds = extended ? 1000 : 10;
    const int steps = extended ? 10000 : 200;
    for (unsigned int seed = 1; seed <= seeds; ++seed)
    {
        runSequence(seed, steps, !extended);
        if (::testing::Test::HasFailure())
            break;
    }
}

// ------------------------------------------------------- array element edits

/// Random edits of one int array, each applied to a plain vector as well.
class ArrayEditor
{
public:
    ArrayEditor(db::IntArrayAttribute& array, std::vector<int>& model, unsigned int seed)
        : m_array(array), m_model(model), m_rng(seed)
    {
    }

    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(m_rng); }

    void edit()
    {
        const int size = static_cast<int>(m_model.size());
        const int value = pick(1000);
        // Weighted: insertions, replacements, removals, appends, whole values, emptying.
        const int kind = size == 0 ? 0 : pick(20);
        const int index = pick(kind < 5 ? size + 1 : std::max(size, 1));
        if (kind < 5)
        {
            m_array.insert(static_cast<unsigned int>(index), value);
            m_model.insert(m_model.begin() + index, value);
        }
        else if (kind < 10)
        {
            m_array.setElement(static_cast<unsigned int>(index), value);
            m_model[static_cast<std::size_t>(index)] = value;
        }
        else if (kind < 14)
        {
            m_array.removeElement(static_cast<unsigned int>(index));
            m_model.erase(m_model.begin() + index);
        }
        else if (kind < 17)
        {
            m_array.add(value);
            m_model.push_back(value);
        }
        else if (kind < 19)
        {
            m_model.assign(static_cast<std::size_t>(pick(60)), value);
            m_array.setValues(m_model);
        }
        else
        {
            m_array.clear();
            m_model.clear();
        }
    }

private:
    db::IntArrayAttribute& m_array;
    std::vector<int>& m_model;
    std::mt19937 m_rng;
};

TEST(RandomEdits, ArrayElementEditsUndoAndRedoAsAPlainVectorDoes)
{
    const unsigned int seeds = longMode() ? 500 : 20;
    for (unsigned int seed = 1; seed <= seeds && !::testing::Test::HasFailure(); ++seed)
    {
        SCOPED_TRACE("seed " + std::to_string(seed));
        db::Database database;
        db::IntArrayAttribute& array =
            *addNode(database, L"AllTypes", L"all")->findAttribute(L"intArray")->asIntArrayAttribute();
        std::vector<int> model(40);
        std::iota(model.begin(), model.end(), 0);
        array.setValues(model);
        database.clearUndoHistory();
        ArrayEditor editor(array, model, seed);
        UndoModel<std::vector<int>> states(model);

        for (int step = 0; step < 300; ++step)
        {
            const unsigned int undoBefore = database.getUndoStackSize();
            const int kind = editor.pick(10);
            if (kind < 4)
                editor.edit();
            else if (kind < 6)
            {
                db::ChangeBlock block(database, L"block");
                for (int i = 1 + editor.pick(40); i > 0; --i)
                    editor.edit();
            }
            else if (kind == 6)
            {
                const std::vector<int> before = model;
                database.beginChangeBlock(db::ChangeMode::Transient);
                for (int i = 1 + editor.pick(8); i > 0; --i)
                {
                    editor.edit();
                    database.commitTransient();
                }
                if (editor.pick(3) == 0)
                {
                    database.cancelChangeBlock();
                    model = before;
                }
                else
                    database.endChangeBlock(L"drag");
            }
            else if (kind < 9 && database.undo())
                model = states.undone();
            else if (database.redo())
                model = states.redone();
            if (kind < 7 && database.getUndoStackSize() == undoBefore + 1)
                states.stepped(model);
            ASSERT_EQ(array.getValues(), model) << "step " << step << " of kind " << kind;
        }
        undoAllAndRedo(
            database, [&] { return array.getValues(); }, states.history.front());
    }
}

TEST(UndoHistory, AnElementAddedToALongArrayKeepsOneElementForUndo)
{
    db::Database database;
    db::FloatArrayAttribute& array =
        *addNode(database, L"AllTypes", L"all")->findAttribute(L"floatArray")->asFloatArrayAttribute();
    array.setValues(std::vector<float>(100000, 0.5f));
    database.clearUndoHistory();
    for (int i = 0; i < 100; ++i)
        array.add(static_cast<float>(i));
    EXPECT_LT(database.getUndoMemoryUsage(), 100u * 1024u) << "each step keeps a copy of the array";
    {
        // Past a sixteenth of the array, one copy of it costs less than more records.
        db::ChangeBlock block(database, L"many");
        for (int i = 0; i < 20000; ++i)
            array.setElement(static_cast<unsigned int>(i), 1.0f);
    }
    EXPECT_LT(database.getUndoMemoryUsage(), 100u * 1024u + 7000u * 100u + 2u * 100100u * sizeof(float));
    while (database.undo())
        ;
    EXPECT_EQ(array.getValues(), std::vector<float>(100000, 0.5f));
}

// ------------------------------------------------------------- observer churn

struct Action
{
    int target;
    bool add;
    ObserverMode mode;
};

/// What observer `who` does when told of notification `round`: the same in the
/// reference model and against the real list.
std::vector<Action> actionsFor(unsigned int seed, int round, int who, int population)
{
    std::mt19937 rng(seed * 7919u + static_cast<unsigned int>(round) * 131u + static_cast<unsigned int>(who));
    std::vector<Action> actions;
    const int count = static_cast<int>(rng() % 3);
    for (int i = 0; i < count; ++i)
    {
        Action action;
        action.target = static_cast<int>(rng() % static_cast<unsigned int>(population));
        action.add = rng() % 2 == 0;
        action.mode = rng() % 2 == 0 ? ObserverMode::Immediate : ObserverMode::Deferred;
        actions.push_back(action);
    }
    return actions;
}

/// The observer list's rules, written out plainly.
class ReferenceList
{
public:
    bool notifying = false;
    std::vector<int> observers;
    std::vector<int> pendingAdd;
    std::vector<int> pendingRemove;
    int reports = 0;

    static bool erase(std::vector<int>& list, int who)
    {
        const auto it = std::find(list.begin(), list.end(), who);
        if (it == list.end())
            return false;
        list.erase(it);
        return true;
    }
    static bool contains(const std::vector<int>& list, int who)
    {
        return std::find(list.begin(), list.end(), who) != list.end();
    }

    void add(int who, ObserverMode mode)
    {
        if (erase(pendingRemove, who))
            return;
        std::vector<int>& list = notifying && mode == ObserverMode::Deferred ? pendingAdd : observers;
        if (!contains(list, who))
            list.push_back(who);
    }
    void remove(int who, ObserverMode mode)
    {
        if (erase(pendingAdd, who))
            return;
        const auto it = std::find(observers.begin(), observers.end(), who);
        if (it == observers.end())
        {
            ++reports;
            return;
        }
        if (!notifying)
            observers.erase(it);
        else if (mode == ObserverMode::Immediate)
        {
            *it = -1;
            erase(pendingRemove, who);
        }
        else if (!contains(pendingRemove, who))
            pendingRemove.push_back(who);
    }
    template <class F> void notify(F&& call)
    {
        notifying = true;
        for (std::size_t i = 0; i < observers.size(); ++i)
        {
            if (observers[i] >= 0)
                call(observers[i]);
        }
        notifying = false;
        observers.erase(std::remove(observers.begin(), observers.end(), -1), observers.end());
        for (int who : pendingRemove)
            erase(observers, who);
        pendingRemove.clear();
        for (int who : pendingAdd)
        {
            if (!contains(observers, who))
                observers.push_back(who);
        }
        pendingAdd.clear();
    }
};

class CountingReporter : public ErrorReporter
{
public:
    void report(int severity, const std::wstring& message) override
    {
        EXPECT_EQ(severity, 1);
        EXPECT_EQ(message, L"Observer not found in ObserverManager::remove()");
        ++count;
    }
    int count = 0;
};

class ChurningObserver : public db::DatabaseObserver
{
public:
    ChurningObserver(int id, std::vector<ChurningObserver*>& all, std::vector<std::string>& log, unsigned int seed)
        : m_id(id), m_all(all), m_log(log), m_seed(seed)
    {
    }
    void onDatabaseChanged(db::Database* database, const db::ChangeSet&, bool) override
    {
        m_log.push_back("c" + std::to_string(m_id));
        for (const Action& action : actionsFor(m_seed, round, m_id, static_cast<int>(m_all.size())))
        {
            if (action.add)
                database->getObservers().add(m_all[static_cast<std::size_t>(action.target)], action.mode);
            else
                database->getObservers().remove(m_all[static_cast<std::size_t>(action.target)], action.mode);
        }
    }
    void postDatabaseChanged(db::Database*, bool) override { m_log.push_back("p" + std::to_string(m_id)); }

    static int round;

private:
    int m_id;
    std::vector<ChurningObserver*>& m_all;
    std::vector<std::string>& m_log;
    unsigned int m_seed;
};

int ChurningObserver::round = 0;

TEST(ObserverChurn, ObserversComingAndGoingDuringNotificationsFollowTheListRules)
{
    CountingReporter reporter;
    db::Database::setErrorReporter(&reporter);
    const unsigned int seeds = longMode() ? 500 : 40;
    for (unsigned int seed = 1; seed <= seeds; ++seed)
    {
        SCOPED_TRACE("seed " + std::to_string(seed));
        db::Database database;
        db::Node* light = addNode(database, L"Light", L"l");
        const int population = 6;
        std::vector<std::string> log;
        std::vector<std::string> expected;
        std::vector<ChurningObserver*> all;
        std::vector<std::unique_ptr<ChurningObserver>> owned;
        for (int i = 0; i < population; ++i)
        {
            owned.push_back(std::make_unique<ChurningObserver>(i, all, log, seed));
            all.push_back(owned.back().get());
        }
        ReferenceList model;
        for (int i = 0; i < population; i += 2)
        {
            database.getObservers().add(all[static_cast<std::size_t>(i)], ObserverMode::Deferred);
            model.add(i, ObserverMode::Deferred);
        }
        reporter.count = 0;
        for (int round = 0; round < 12; ++round)
        {
            ChurningObserver::round = round;
            light->findAttribute(L"range")->asFloatAttribute()->setValue(static_cast<float>(round));
            model.notify(
                [&](int who)
                {
                    expected.push_back("c" + std::to_string(who));
                    for (const Action& action : actionsFor(seed, round, who, population))
                    {
                        if (action.add)
                            model.add(action.target, action.mode);
                        else
                            model.remove(action.target, action.mode);
                    }
                });
            model.notify([&](int who) { expected.push_back("p" + std::to_string(who)); });
            ASSERT_EQ(log, expected) << "round " << round;
            EXPECT_EQ(reporter.count, model.reports);
            EXPECT_EQ(database.getObservers().count(), model.observers.size());
        }
        for (ChurningObserver* observer : all)
        {
            if (database.getObservers().contains(observer))
                database.getObservers().remove(observer, ObserverMode::Immediate);
        }
    }
    db::Database::setErrorReporter(nullptr);
}

} // namespace
