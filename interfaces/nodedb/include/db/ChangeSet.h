#pragma once

#include <db/Export.h>

#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace db
{

class Attribute;
class Database;
class Node;

/// What one change block (or one undo or redo of it) changed. Lists are in
/// the order of the edits. Added and removed nodes list whole subtrees,
/// parents before children; a node added and removed in the same block appears
/// in neither list. Undo reports the opposite lists (added becomes removed),
/// redo the original ones.
class DBUI_NODEDB_EXPORT ChangeSet
{
public:
    /// Why the observers are told.
    enum class Origin
    {
        Edit,
        Undo,
        Redo,
        Cancel,
    };

    ChangeSet();
    ~ChangeSet();
    ///@{
    /// Copies every list; the copy answers every question as the original does.
    ChangeSet(const ChangeSet&);
    ChangeSet& operator=(const ChangeSet&);
    ///@}

    ///@{
    /// Nodes that came into (went out of) the tree, the nodes below them
    /// included, parents before children. A removed node stays alive while an
    /// undo step can bring it back.
    const std::vector<Node*>& AddedNodes() const { return m_addedNodes; }
    const std::vector<Node*>& RemovedNodes() const { return m_removedNodes; }
    ///@}
    /// Nodes whose name changed.
    const std::vector<Node*>& RenamedNodes() const { return m_renamedNodes; }
    /// Nodes moved to another place (another container, parent or position).
    const std::vector<Node*>& ReparentedNodes() const { return m_reparentedNodes; }
    ///@{
    /// Attributes (not nodes) added or removed: dynamic attributes and attribute array elements.
    const std::vector<Attribute*>& AddedAttributes() const { return m_addedAttributes; }
    const std::vector<Attribute*>& RemovedAttributes() const { return m_removedAttributes; }
    ///@}
    /// Attributes whose value changed, each once.
    const std::vector<Attribute*>& ChangedAttributes() const;
    /// Attributes whose children came, went, moved or were renamed, and nodes
    /// renamed: with ChangedAttributes, everything hasChanged is true for.
    const std::unordered_set<const Attribute*>& StructurallyChangedAttributes() const { return m_structural; }

    /// True when `attribute` changed: its value, its elements, its child nodes
    /// (added, removed, moved in or out, renamed) or, for a node, its name or dynamic attributes.
    bool hasChanged(const Attribute* attribute) const;
    /// True when any of `attributes` changed; with `includeDescendants`, also when
    /// something below one of them changed. Costs time in proportion to `attributes`.
    bool hasChangedAny(const std::vector<Attribute*>& attributes, bool includeDescendants) const;

    /// True when nothing changed at all.
    bool isEmpty() const;
    /// The undo description of the step the changes belong to.
    const std::wstring& getDescription() const { return m_description; }
    /// Whether the changes come from an edit, an undo, a redo or a cancelled block.
    Origin getOrigin() const { return m_origin; }
    /// True for the intermediate reports of a transient block (commitTransient).
    bool isTransient() const { return m_transient; }

private:
    friend class Database;
    friend class detail_ChangeSetAccess;

    struct ValueChanges;

    std::vector<Node*> m_addedNodes;
    std::vector<Node*> m_removedNodes;
    std::vector<Node*> m_renamedNodes;
    std::vector<Node*> m_reparentedNodes;
    std::vector<Attribute*> m_addedAttributes;
    std::vector<Attribute*> m_removedAttributes;
    // Value changes can be many; undo and redo share them with the step.
    std::shared_ptr<ValueChanges> m_values;
    std::unordered_set<const Attribute*> m_structural;
    // Built on the first question about descendants, from both sets above.
    mutable std::unique_ptr<std::unordered_set<const Attribute*>> m_ancestors;
    std::wstring m_description;
    Origin m_origin = Origin::Edit;
    bool m_transient = false;
};

} // namespace db
