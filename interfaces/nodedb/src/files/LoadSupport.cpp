#include "LoadSupport.h"

#include <db/ChangeBlock.h>
#include <db/CompositeAttribute.h>
#include <db/Database.h>
#include <db/Node.h>
#include <db/NodeContainer.h>
#include <db/NodeContainerDef.h>
#include <db/NodeDef.h>
#include <db/PointerArrayAttribute.h>
#include <db/PointerAttribute.h>
#include <db/ReferenceResolver.h>
#include <db/TypeRegistry.h>

#include "Utf8.h"

#include <cmath>
#include <cstring>

namespace db::files {

namespace {

const char* const s_typeTexts[] = {
    nullptr,       "int",          "bool",        "enum",        "float",       "double",
    "string",      "vector3",      "matrix34",    "pointer",     "intArray",    "boolArray",
    "enumArray",   "floatArray",   "doubleArray", "stringArray", "vector3Array", "matrix34Array",
    "pointerArray", "container",   "attributeArray", "compound", "node",
};
constexpr int s_typeCount = static_cast<int>(sizeof s_typeTexts / sizeof s_typeTexts[0]);

/// The first container of `node` that takes nodes of type `def`.
NodeContainer* containerFor(const Node& node, const NodeDef& def)
{
    for (unsigned int i = 0; i < node.getAttributeCount(); ++i)
    {
        NodeContainer* container = node.getAttribute(i)->asNodeContainer();
        if (container && container->getContainerDef().accepts(def))
            return container;
    }
    return nullptr;
}

/// The top-level nodes of a detached tree, in file order.
std::vector<Node*> topNodes(const DetachedTree& tree)
{
    if (tree.kind == FileKind::Subtree)
        return {tree.root.get()};
    std::vector<Node*> nodes;
    for (unsigned int i = 0; i < tree.root->getAttributeCount(); ++i)
        if (NodeContainer* container = tree.root->getAttribute(i)->asNodeContainer())
            for (unsigned int k = 0; k < container->getNodeCount(); ++k)
                nodes.push_back(container->getNode(k));
    return nodes;
}

bool isEmptyDatabase(Database& database)
{
    return database.getRootContainer().getNodeCount() == 0 && database.getDynamicAttributeCount() == 0;
}

/// Where each top-level node goes; null entries when the target cannot take it.
std::vector<NodeContainer*> destinations(const DetachedTree& tree, Attribute* target)
{
    std::vector<NodeContainer*> result;
    for (Node* node : topNodes(tree))
    {
        NodeContainer* destination = nullptr;
        if (NodeContainer* container = target->asNodeContainer())
            destination = container->getContainerDef().accepts(node->getNodeDef()) ? container : nullptr;
        else if (Node* targetNode = target->asNode())
            destination = containerFor(*targetNode, node->getNodeDef());
        result.push_back(destination);
    }
    return result;
}

/// True when a database file is to replace the contents of `target` exactly.
bool restoresExactly(const DetachedTree& tree, Attribute* target)
{
    Database* database = target->asDatabase();
    return tree.kind == FileKind::Database && database
           && &database->getNodeDef() == &tree.root->getNodeDef() && isEmptyDatabase(*database);
}

} // namespace

const char* typeText(AttributeType type)
{
    int index = static_cast<int>(type);
    return index > 0 && index < s_typeCount ? s_typeTexts[index] : nullptr;
}

AttributeType typeFromText(const char* text)
{
    for (int i = 1; i < s_typeCount; ++i)
        if (std::strcmp(s_typeTexts[i], text) == 0)
            return static_cast<AttributeType>(i);
    return Invalid;
}

TypeRegistry& registryFor(Attribute* target, TypeRegistry* fallback)
{
    if (target)
        if (Database* database = target->getRoot()->asDatabase())
            return database->getTypeRegistry();
    return fallback ? *fallback : TypeRegistry::getDefault();
}

bool canAttach(const DetachedTree& tree, Attribute* target, std::string& why)
{
    if (!target)
    {
        why = "nothing to load into";
        return false;
    }
    if (!target->asNode() && !target->asNodeContainer())
    {
        why = std::string("cannot load into a ") + (typeText(target->getAttributeType()) ? typeText(target->getAttributeType()) : "?")
              + " attribute";
        return false;
    }
    if (restoresExactly(tree, target))
        return true;
    auto nodes = topNodes(tree);
    auto places = destinations(tree, target);
    for (std::size_t i = 0; i < nodes.size(); ++i)
        if (!places[i])
        {
            why = "the target takes no node of type \"" + toUtf8(nodes[i]->getClassID()) + "\"";
            return false;
        }
    return true;
}

bool attachLoaded(DetachedTree& tree, Attribute* target, ReferenceResolver* resolver, LoadError& error)
{
    std::string why;
    if (!canAttach(tree, target, why))
    {
        error.what = why;
        return false;
    }
    Node* root = tree.root.get();

    // Resolve every path while the tree is still detached, so that a bad path
    // fails the load before the target changes.
    std::vector<Attribute*> resolved(tree.pointers.size(), nullptr);
    std::unordered_map<std::wstring, Attribute*> localCache;
    for (std::size_t i = 0; i < tree.pointers.size(); ++i)
    {
        const PendingPointer& pending = tree.pointers[i];
        if (pending.local)
        {
            auto cached = localCache.find(pending.path);
            if (cached != localCache.end())
            {
                resolved[i] = cached->second;
                continue;
            }
            // The file's top node is the root of the detached tree, so paths
            // written from the top ("/[0]/Eye") resolve from it as well.
            resolved[i] = pending.path.empty() ? root
                                               : root->attributeFromDatabasePath(pending.path, pending.path[0] == L'/');
            if (!resolved[i])
            {
                error.line = pending.line;
                error.offset = pending.offset;
                error.what = "pointer path \"" + toUtf8(pending.path) + "\" names nothing in the file";
                return false;
            }
            localCache.emplace(pending.path, resolved[i]);
        }
        else
        {
            resolved[i] = target->getRoot()->attributeFromDatabasePath(pending.path, true);
            if (!resolved[i] && resolver)
                resolved[i] = resolver->resolve(pending.path, target);
        }
    }

    bool exact = restoresExactly(tree, target);
    Node* targetNode = target->asNode();

    // The top node of a database file is not attached itself: what refers to it
    // or to its own attributes must be found again in the target afterwards.
    std::vector<std::wstring> holderPaths(tree.pointers.size());
    std::vector<std::wstring> holderOwnerPaths(tree.pointers.size());
    auto ownedByHolder = [&](const Attribute* a) {
        return tree.kind == FileKind::Database && a && (a == root || a->getOwnerNode() == root);
    };
    for (std::size_t i = 0; i < tree.pointers.size(); ++i)
    {
        if (ownedByHolder(resolved[i]))
            resolved[i]->toDatabasePath(holderPaths[i], root);
        if (ownedByHolder(tree.pointers[i].attribute))
            tree.pointers[i].attribute->toDatabasePath(holderOwnerPaths[i], root);
    }
    auto remap = [&](Attribute* a, const std::wstring& holderPath) -> Attribute* {
        if (!ownedByHolder(a))
            return a;
        if (a == root)
            return targetNode ? static_cast<Attribute*>(targetNode) : target;
        return exact ? target->attributeFromDatabasePath(holderPath, false) : nullptr;
    };

    ChangeBlock block(target->getDatabase(), L"Load");
    if (exact)
    {
        Database* database = target->asDatabase();
        for (unsigned int i = 0; i < root->getAttributeCount(); ++i)
        {
            Attribute* from = root->getAttribute(i);
            if (from->isDynamic())
            {
                Attribute* to = database->addDynamicAttribute(
                    std::unique_ptr<AttributeDef>(from->getDef().makeCopy()));
                if (to)
                    to->copyValueFrom(*from);
            }
            else if (NodeContainer* container = from->asNodeContainer())
            {
                NodeContainer* destination = database->getAttribute(i)->asNodeContainer();
                while (container->getNodeCount() > 0)
                    destination->add(container->getNode(0));
            }
            else
                database->getAttribute(i)->copyValueFrom(*from);
        }
    }
    else
    {
        auto nodes = topNodes(tree);
        auto places = destinations(tree, target);
        if (tree.kind == FileKind::Subtree)
            places[0]->add(tree.root.release());
        else
            for (std::size_t i = 0; i < nodes.size(); ++i)
                places[i]->add(nodes[i]);
    }

    for (std::size_t i = 0; i < tree.pointers.size(); ++i)
    {
        const PendingPointer& pending = tree.pointers[i];
        Attribute* owner = remap(pending.attribute, holderOwnerPaths[i]);
        if (!owner)
            continue;
        Attribute* value = remap(resolved[i], holderPaths[i]);
        if (PointerAttribute* pointer = owner->asPointerAttribute())
            pointer->setValue(value);
        else if (PointerArrayAttribute* array = owner->asPointerArrayAttribute())
            array->setElement(static_cast<unsigned int>(pending.index), value);
    }
    return true;
}

bool pointerPath(const Attribute* target, const Attribute* savedRoot, std::wstring& path, bool& local)
{
    path.clear();
    local = false;
    if (!target)
        return false;
    if (target == savedRoot)
    {
        local = true;
        return true;
    }
    if (target->isDescendantOf(savedRoot))
    {
        local = true;
        target->toDatabasePath(path, savedRoot);
        // A relative path that starts with an unnamed child ("[0]/Eye") would
        // read as an element index; written from the top node it is unambiguous.
        if (!path.empty() && path[0] == L'[')
            path.insert(path.begin(), L'/');
        return true;
    }
    target->toDatabasePath(path);
    return true;
}

bool PointerPaths::get(const Attribute* target, std::wstring& path, bool& local)
{
    auto found = m_cache.find(target);
    if (found == m_cache.end())
    {
        Entry entry;
        entry.set = pointerPath(target, m_savedRoot, entry.path, entry.local);
        found = m_cache.emplace(target, std::move(entry)).first;
    }
    path = found->second.path;
    local = found->second.local;
    return found->second.set;
}

bool numberFits(AttributeType type, double value)
{
    if (std::isnan(value))
        return false;
    switch (type)
    {
    case Int:
    case Enum:
    case Bool:
    case IntArray:
    case EnumArray:
    case BoolArray:
        return value >= -2147483648.0 && value <= 2147483647.0;
    default:
        return true;
    }
}

std::size_t lineOf(const char* data, std::size_t size, std::size_t offset)
{
    std::size_t line = 1;
    for (std::size_t i = 0; i < offset && i < size; ++i)
        if (data[i] == '\n')
            ++line;
    return line;
}

} // namespace db::files
