#pragma once

#include <db/Attribute.h>
#include <db/Database.h>
#include <db/Node.h>
#include <db/NodeContainer.h>
#include <db/NodeFactory.h>

#include <string>
#include <vector>

namespace dbuitest {

/// A database of `count` nodes of the example type that holds every attribute kind,
/// with an empty undo history.
struct AllTypesScene
{
    explicit AllTypesScene(int count)
    {
        for (int i = 0; i < count; ++i)
        {
            db::Node* node = db::makeNode(L"AllTypes", L"node" + std::to_wstring(i));
            database.getRootContainer().add(node);
            nodes.push_back(node);
        }
        database.clearUndoHistory();
    }

    db::Attribute* attribute(int node, const wchar_t* name) const { return nodes[node]->findAttribute(name); }

    /// The attribute `name` of the first `count` nodes (all of them when -1).
    std::vector<db::Attribute*> attributes(const wchar_t* name, int count = -1) const
    {
        std::vector<db::Attribute*> list;
        for (int i = 0; i < (count < 0 ? static_cast<int>(nodes.size()) : count); ++i)
            list.push_back(attribute(i, name));
        return list;
    }

    unsigned int undoSize() const { return database.getUndoStackSize(); }
    std::wstring topUndo() const
    {
        const unsigned int size = database.getUndoStackSize();
        return size == 0 ? std::wstring() : database.getUndoDescription(size - 1);
    }

    db::Database database;
    std::vector<db::Node*> nodes;
};

} // namespace dbuitest
