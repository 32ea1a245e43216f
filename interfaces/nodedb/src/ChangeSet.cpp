#include "ChangeSetBuilder.h"

#include <db/Attribute.h>
#include <db/CompositeAttribute.h>
#include <db/Node.h>

namespace db
{

ChangeSet::ChangeSet() = default;
ChangeSet::~ChangeSet() = default;

ChangeSet::ChangeSet(const ChangeSet& other)
    : m_addedNodes(other.m_addedNodes), m_removedNodes(other.m_removedNodes), m_renamedNodes(other.m_renamedNodes),
      m_reparentedNodes(other.m_reparentedNodes), m_addedAttributes(other.m_addedAttributes),
      m_removedAttributes(other.m_removedAttributes), m_values(other.m_values), m_structural(other.m_structural),
      m_description(other.m_description), m_origin(other.m_origin), m_transient(other.m_transient)
{
}

ChangeSet& ChangeSet::operator=(const ChangeSet& other)
{
    if (this != &other)
    {
        ChangeSet copy(other);
        std::swap(m_addedNodes, copy.m_addedNodes);
        std::swap(m_removedNodes, copy.m_removedNodes);
        std::swap(m_renamedNodes, copy.m_renamedNodes);
        std::swap(m_reparentedNodes, copy.m_reparentedNodes);
        std::swap(m_addedAttributes, copy.m_addedAttributes);
        std::swap(m_removedAttributes, copy.m_removedAttributes);
        std::swap(m_values, copy.m_values);
        std::swap(m_structural, copy.m_structural);
        m_ancestors.reset();
        std::swap(m_description, copy.m_description);
        m_origin = copy.m_origin;
        m_transient = copy.m_transient;
    }
    return *this;
}

const std::vector<Attribute*>& ChangeSet::ChangedAttributes() const
{
    static const std::vector<Attribute*> s_none;
    return m_values ? m_values->order : s_none;
}

bool ChangeSet::hasChanged(const Attribute* attribute) const
{
    return (m_values && m_values->set.count(attribute) != 0) || m_structural.count(attribute) != 0;
}

bool ChangeSet::hasChangedAny(const std::vector<Attribute*>& attributes, bool includeDescendants) const
{
    if (includeDescendants && !m_ancestors)
    {
        // Everything above a changed attribute "has a changed descendant". Built
        // once per change set, on the first question that needs it.
        m_ancestors = std::make_unique<std::unordered_set<const Attribute*>>();
        auto addAncestors = [this](const Attribute* attribute)
        {
            for (const Attribute* p = attribute->getParentAttribute(); p; p = p->getParentAttribute())
            {
                if (!m_ancestors->insert(p).second)
                    break;
            }
        };
        if (m_values)
        {
            for (const Attribute* attribute : m_values->order)
                addAncestors(attribute);
        }
        for (const Attribute* attribute : m_structural)
            addAncestors(attribute);
    }
    for (const Attribute* attribute : attributes)
    {
        if (hasChanged(attribute))
            return true;
        if (includeDescendants && m_ancestors->count(attribute) != 0)
            return true;
    }
    return false;
}

bool ChangeSet::isEmpty() const
{
    return (!m_values || m_values->order.empty()) && m_structural.empty() && m_addedNodes.empty() &&
           m_removedNodes.empty() && m_renamedNodes.empty() && m_reparentedNodes.empty() && m_addedAttributes.empty() &&
           m_removedAttributes.empty();
}

// --------------------------------------------------------------------- builder

template <class T> void ChangeSetBuilder::NettedList<T>::index()
{
    if (indexed)
        return;
    indexed = true;
    for (std::size_t i = 0; i < added.size(); ++i)
    {
        if (added[i])
            addedAt[added[i]] = i;
    }
}

template <class T> bool ChangeSetBuilder::NettedList<T>::isAdded(const T* item)
{
    index();
    return addedAt.count(item) != 0;
}

template <class T> void ChangeSetBuilder::NettedList<T>::add(T* item)
{
    if (indexed)
        addedAt[item] = added.size();
    added.push_back(item);
}

template <class T> void ChangeSetBuilder::NettedList<T>::remove(T* item)
{
    index();
    const auto it = addedAt.find(item);
    if (it != addedAt.end())
    {
        // Added earlier in the same block: the two cancel out.
        added[it->second] = nullptr;
        addedAt.erase(it);
        cancelled.insert(item);
        return;
    }
    removed.push_back(item);
}

void ChangeSetBuilder::nodesAdded(const std::vector<Node*>& subtree)
{
    for (Node* node : subtree)
        m_nodes.add(node);
}

void ChangeSetBuilder::nodesRemoved(const std::vector<Node*>& subtree)
{
    for (Node* node : subtree)
        m_nodes.remove(node);
}

void ChangeSetBuilder::nodeRenamed(Node* node)
{
    if (m_renamedSet.insert(node).second)
        m_renamed.push_back(node);
}

void ChangeSetBuilder::nodeMoved(Node* node)
{
    if (m_movedSet.insert(node).second)
        m_moved.push_back(node);
}

void ChangeSetBuilder::attributeAdded(Attribute* attribute)
{
    m_attributes.add(attribute);
}

void ChangeSetBuilder::attributeRemoved(Attribute* attribute)
{
    m_attributes.remove(attribute);
}

void ChangeSetBuilder::mark(const Attribute* attribute)
{
    if (attribute)
        m_structural.insert(attribute);
}

bool ChangeSetBuilder::isEmpty() const
{
    return m_nodes.added.empty() && m_nodes.removed.empty() && m_attributes.added.empty() &&
           m_attributes.removed.empty() && m_renamed.empty() && m_moved.empty() && m_structural.empty();
}

std::vector<Node*> ChangeSetBuilder::parentsFirst(const std::vector<Node*>& nodes)
{
    std::unordered_set<const Node*> pending(nodes.begin(), nodes.end());
    std::vector<Node*> ordered;
    ordered.reserve(nodes.size());
    std::vector<Node*> chain;
    for (Node* node : nodes)
    {
        // The node and those of its ancestors still to come, nearest first.
        for (Node* up = node; up; up = up->getParentNode())
        {
            if (pending.erase(up))
                chain.push_back(up);
        }
        ordered.insert(ordered.end(), chain.rbegin(), chain.rend());
        chain.clear();
    }
    return ordered;
}

std::shared_ptr<ChangeSet> ChangeSetBuilder::finish(std::shared_ptr<ValueChanges> values,
                                                    const std::wstring& description, ChangeSet::Origin origin,
                                                    bool transient)
{
    auto set = std::make_shared<ChangeSet>();
    for (Node* node : m_nodes.added)
    {
        if (node)
            set->m_addedNodes.push_back(node);
    }
    // Added nodes arrive parents first, but a node moved after it came (or,
    // undone, before it went) may end up below one added later; views place
    // a node under its parent's row, so that parent must come first.
    if (!m_moved.empty())
        set->m_addedNodes = parentsFirst(set->m_addedNodes);
    set->m_removedNodes = std::move(m_nodes.removed);
    for (Attribute* attribute : m_attributes.added)
    {
        if (attribute)
            set->m_addedAttributes.push_back(attribute);
    }
    set->m_removedAttributes = std::move(m_attributes.removed);
    // A node that came and went within the block is not reported at all.
    for (Node* node : m_renamed)
    {
        if (m_nodes.cancelled.count(node) == 0 || m_nodes.isAdded(node))
            set->m_renamedNodes.push_back(node);
    }
    // A node added in this block is reported where it ends up; a move on top
    // of that would make views place it twice.
    for (Node* node : m_moved)
    {
        if (!m_nodes.isAdded(node) && m_nodes.cancelled.count(node) == 0)
            set->m_reparentedNodes.push_back(node);
    }
    set->m_structural = std::move(m_structural);
    set->m_values = std::move(values);
    set->m_description = description;
    set->m_origin = origin;
    set->m_transient = transient;
    *this = ChangeSetBuilder();
    return set;
}

} // namespace db
