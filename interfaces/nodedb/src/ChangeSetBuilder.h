#pragma once

#include <db/ChangeSet.h>

#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace db
{

struct ChangeSet::ValueChanges
{
    std::unordered_set<const Attribute*> set;
    std::vector<Attribute*> order;

    /// True when newly added.
    bool add(Attribute* attribute)
    {
        if (!set.insert(attribute).second)
            return false;
        order.push_back(attribute);
        return true;
    }
};

/// Collects the structural changes of a block (or of an undo or redo) and
/// nets them: a node added and removed again within the block is reported in
/// neither list.
class detail_ChangeSetAccess
{
public:
    using ValueChanges = ChangeSet::ValueChanges;

    void nodesAdded(const std::vector<Node*>& subtree);
    void nodesRemoved(const std::vector<Node*>& subtree);
    void nodeRenamed(Node* node);
    void nodeMoved(Node* node);
    void attributeAdded(Attribute* attribute);
    void attributeRemoved(Attribute* attribute);
    void mark(const Attribute* attribute);
    bool isEmpty() const;

    /// `nodes` reordered so that none comes before an ancestor of it among them.
    static std::vector<Node*> parentsFirst(const std::vector<Node*>& nodes);
    /// The change set of everything collected, sharing `values`.
    std::shared_ptr<ChangeSet> finish(std::shared_ptr<ValueChanges> values, const std::wstring& description,
                                      ChangeSet::Origin origin, bool transient);

private:
    template <class T> struct NettedList
    {
        std::vector<T*> added;
        std::vector<T*> removed;
        // Where each item sits in `added`; built on the first question only: a
        // block that adds a whole loaded file removes nothing.
        std::unordered_map<const T*, std::size_t> addedAt;
        bool indexed = false;
        // Added and removed again within the block: views never hear of them.
        std::unordered_set<const T*> cancelled;

        void add(T* item);
        void remove(T* item);
        bool isAdded(const T* item);
        void index();
    };

    NettedList<Node> m_nodes;
    NettedList<Attribute> m_attributes;
    std::vector<Node*> m_renamed;
    std::unordered_set<const Node*> m_renamedSet;
    std::vector<Node*> m_moved;
    std::unordered_set<const Node*> m_movedSet;
    std::unordered_set<const Attribute*> m_structural;
};

using ChangeSetBuilder = detail_ChangeSetAccess;

} // namespace db
