#include "SavePaths.h"

#include "Utf8.h"

#include <db/AttributeDef.h>
#include <db/CompositeAttribute.h>
#include <db/Database.h>
#include <db/FileOutputStream.h>
#include <db/Node.h>
#include <db/NodeContainer.h>

#include <algorithm>
#include <charconv>

namespace db::files
{

void appendPathName(std::string& out, const std::wstring& name)
{
    // The separators are ASCII, so they split the name into runs that encode
    // the same alone as together.
    const wchar_t* text = name.data();
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < name.size(); ++i)
    {
        const wchar_t c = text[i];
        if (c == L'\\' || c == L'/' || c == L'.' || c == L'[' || c == L']')
        {
            appendUtf8(out, text + runStart, i - runStart);
            out.push_back('\\');
            out.push_back(static_cast<char>(c));
            runStart = i + 1;
        }
    }
    appendUtf8(out, text + runStart, name.size() - runStart);
}

namespace
{

void appendIndex(std::string& out, unsigned int index)
{
    char digits[16];
    out.push_back('[');
    out.append(digits, std::to_chars(digits, digits + sizeof digits, index).ptr);
    out.push_back(']');
}

std::uint64_t nameHash(const std::wstring& name)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (wchar_t c : name)
        hash = (hash ^ static_cast<std::uint64_t>(static_cast<std::uint32_t>(c))) * 0x100000001b3ull;
    return hash;
}

} // namespace

SavePaths::SavePaths(const Attribute* savedRoot, const std::vector<const Node*>& topNodes) : m_savedRoot(savedRoot)
{
    // Most saves name a good share of their nodes: start big enough that the
    // first thousands never regrow.
    m_slots.resize(8192);
    std::unordered_map<std::wstring, std::uint32_t> named;
    for (const Node* node : topNodes)
        m_topNodes.emplace(node, named[node->getName()]++);
}

bool SavePaths::get(const Attribute* target, std::string& path, bool& local)
{
    path.clear();
    local = false;
    if (!target)
        return false;
    if (target == m_savedRoot)
    {
        local = true;
        return true;
    }
    if (!m_topNodes.empty())
        return getAmongTopNodes(*target, path, local);
    appendPath(path, *target);
    // A node removed from the database (kept for its undo step) has no path
    // that leads to it: written as its name, it would point at nothing when
    // read back, or at whatever else bears that name.
    if (!target->isDescendantOf(m_savedRoot))
        return target->getDatabase() != nullptr;
    local = true;
    if (!m_rootPathKnown)
    {
        appendPath(m_rootPath, *m_savedRoot);
        m_rootPathKnown = true;
    }
    // The saved root's path is a prefix of every path below it.
    std::size_t cut = m_rootPath.size();
    if (cut < path.size() && path[cut] == '/')
        ++cut;
    path.erase(0, cut);
    // A relative path that starts with an unnamed child ("[0]/Eye") would
    // read as an element index; written from the top node it is unambiguous.
    if (!path.empty() && path[0] == '[')
        path.insert(path.begin(), '/');
    return true;
}

bool SavePaths::getAmongTopNodes(const Attribute& target, std::string& path, bool& local)
{
    appendPath(path, target);
    const Node* top = topNodeAbove(target);
    if (!top)
        return target.getDatabase() != nullptr;
    // What follows the top node's own path is the same below its copy.
    const Slot& topSlot = knowPath(*top);
    std::string below = path.substr(topSlot.pathLength);
    // A node out of any tree has "/" for its path, and its children no separator after it.
    if (topSlot.pathLength == 1 && !below.empty() && below[0] != '.')
        below.insert(below.begin(), '/');
    // The copy's path in the file, relative: its name, counted among the top nodes.
    path.clear();
    appendPathName(path, top->getName());
    const std::uint32_t count = m_topNodes.find(top)->second;
    if (count > 0 || top->getName().empty())
        appendIndex(path, count);
    if (path[0] == '[')
        path.insert(path.begin(), '/');
    path += below;
    local = true;
    return true;
}

const Node* SavePaths::topNodeAbove(const Attribute& target) const
{
    // Copies are made of what their originals hold: a removed attribute is not copied.
    for (const Attribute* above = &target;; above = above->getParentAttribute())
    {
        if (m_topNodes.count(above) != 0)
            return static_cast<const Node*>(above);
        if (above->isDetached())
            return nullptr;
    }
}

void SavePaths::appendPath(std::string& out, const Attribute& attribute)
{
    if (attribute.isDetached())
    {
        out.push_back('/');
        return;
    }
    if (attribute.isNode())
    {
        const Slot& slot = knowPath(static_cast<const Node&>(attribute));
        out.append(m_pathText, slot.pathStart, slot.pathLength);
        return;
    }
    const CompositeAttribute* parent = attribute.getParentAttribute();
    appendPath(out, *parent);
    if (parent->isAttributeArray())
        appendIndex(out, attribute.getIndex());
    else
    {
        out.push_back('.');
        appendPathName(out, attribute.getName());
    }
}

SavePaths::Slot& SavePaths::knowPath(const Node& node)
{
    {
        Slot& slot = slotOf(node);
        if (slot.pathKnown)
            return slot;
    }
    // The parent's path goes into the text first, so that this one can be
    // written after it in one piece.
    const Node* parent = node.isDetached() ? nullptr : node.getParentNode();
    std::size_t parentStart = 0;
    std::size_t parentLength = 0;
    if (parent)
    {
        const Slot& above = knowPath(*parent);
        parentStart = above.pathStart;
        parentLength = above.pathLength;
    }
    const std::size_t start = m_pathText.size();
    if (node.isDetached())
        m_pathText.push_back('/');
    else
    {
        if (parent)
            m_pathText.append(m_pathText, parentStart, parentLength);
        else
            m_pathText.push_back('/');
        if (m_pathText.size() - start != 1 || m_pathText.back() != '/')
            m_pathText.push_back('/');
        appendPathName(m_pathText, node.getName());
        unsigned int count = parent ? occurrence(node, *parent) : 0;
        if (count > 0 || node.getName().empty())
            appendIndex(m_pathText, count);
    }
    // Looked up again: the parent's path may have grown the table.
    Slot& slot = slotOf(node);
    slot.pathStart = start;
    slot.pathLength = static_cast<std::uint32_t>(m_pathText.size() - start);
    slot.pathKnown = true;
    return slot;
}

SavePaths::Slot& SavePaths::slotOf(const Node& node)
{
    if (m_used * 2 >= m_slots.size())
        growTable();
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t index = hashOfAddress(&node) & mask;; index = (index + 1) & mask)
    {
        Slot& slot = m_slots[index];
        if (slot.node == &node)
            return slot;
        if (!slot.node)
        {
            slot.node = &node;
            ++m_used;
            return slot;
        }
    }
}

void SavePaths::growTable()
{
    m_slots = regrown(m_slots, m_slots.size() * 2, [](const Slot& slot) { return slot.node; });
}

void SavePaths::collectChildren(const CompositeAttribute& composite)
{
    // The order of Node::getChildNodes: containers in member order, looking
    // into compounds and attribute arrays that can hold nodes.
    if (!composite.getDef().canHoldNodes())
        return;
    for (unsigned int i = 0; i < composite.getAttributeCount(); ++i)
    {
        Attribute* child = composite.getAttribute(i);
        if (const NodeContainer* container = child->asNodeContainer())
        {
            for (unsigned int k = 0; k < container->getNodeCount(); ++k)
                m_children.push_back(container->getNode(k));
        }
        else if ((child->isCompound() || child->isAttributeArray()) && child->getDef().canHoldNodes())
            collectChildren(*child->asCompositeAttribute());
    }
}

namespace
{

/// True when `node` is among `parent`'s child nodes: held by a container
/// that collectChildren looks into.
bool listedUnder(const Node& node, const Node& parent)
{
    // A removed link is out of its parent's member list, so out of the listing too.
    const CompositeAttribute* holder = node.getParentAttribute();
    if (!holder || holder->isDetached() || !const_cast<CompositeAttribute*>(holder)->asNodeContainer())
        return false;
    for (const CompositeAttribute* above = holder->getParentAttribute(); above != &parent;
         above = above->getParentAttribute())
    {
        if (!above || above->isDetached() || !(above->isCompound() || above->isAttributeArray()) ||
            !above->getDef().canHoldNodes())
            return false;
    }
    return parent.getDef().canHoldNodes();
}

} // namespace

unsigned int SavePaths::occurrence(const Node& node, const Node& parent)
{
    if (!listedUnder(node, parent))
    {
        // Not among its parent's listed children: every like-named child counts.
        unsigned int count = 0;
        for (const Node* child : parent.getChildNodes())
            if (child->getName() == node.getName())
                ++count;
        return count;
    }
    Slot& parentSlot = slotOf(parent);
    if (!parentSlot.childrenCounted)
    {
        m_children.clear();
        collectChildren(parent);
        if (m_children.size() <= s_scanCount)
        {
            // A few children, asked about once or twice (the nodes on the way
            // to a target): comparing the node's name with those before it
            // touches fewer of them than working out every repeated name.
            unsigned int earlier = 0;
            for (const Node* child : m_children)
            {
                if (child == &node)
                    return earlier;
                if (child->getName() == node.getName())
                    ++earlier;
            }
            return 0;
        }
        parentSlot.childrenCounted = true;
        countRepeats();
    }
    auto found = m_repeats.find(&node);
    return found == m_repeats.end() ? 0 : found->second;
}

void SavePaths::countRepeats()
{
    // One pass over a parent's children finds every repeated name among
    // them, however many of them the file names. Names are told apart by a
    // hash first: siblings' names tend to have the same length, and comparing
    // them all would cost the most here.
    const std::size_t count = m_children.size();
    m_hashes.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        m_hashes[i] = nameHash(m_children[i]->getName());
    // Sorted by name (through its hash), then by position: like names end up
    // side by side in sibling order.
    m_order.resize(count);
    for (std::uint32_t i = 0; i < count; ++i)
        m_order[i] = i;
    std::sort(m_order.begin(), m_order.end(),
              [this](std::uint32_t a, std::uint32_t b)
              {
                  if (m_hashes[a] != m_hashes[b])
                      return m_hashes[a] < m_hashes[b];
                  int order = m_children[a]->getName().compare(m_children[b]->getName());
                  return order < 0 || (order == 0 && a < b);
              });
    std::uint32_t earlier = 0;
    for (std::size_t i = 1; i < count; ++i)
    {
        const std::uint32_t a = m_order[i - 1];
        const std::uint32_t b = m_order[i];
        const bool same = m_hashes[a] == m_hashes[b] && m_children[a]->getName() == m_children[b]->getName();
        earlier = same ? earlier + 1 : 0;
        if (earlier > 0)
            m_repeats.emplace(m_children[b], earlier);
    }
}

std::size_t nodesToSave(const Attribute& root)
{
    if (const Database* database = const_cast<Attribute&>(root).asDatabase())
        return database->getTotalNodeCount() + 1;
    std::size_t count = root.isNode() ? 1 : 0;
    if (const CompositeAttribute* composite = root.asCompositeAttribute())
        for (unsigned int i = 0; i < composite->getAttributeCount(); ++i)
            count += nodesToSave(*composite->getAttribute(i));
    return count;
}

bool canSave(const Attribute* root, const FileOutputStream& stream, std::string& error)
{
    error.clear();
    if (!root || !root->asNode())
        error = "only a database or a node can be saved";
    else if (!stream.isOpen())
        error = stream.getError();
    else
        return true;
    return false;
}

} // namespace db::files
