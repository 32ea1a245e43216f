#pragma once

#include <db/Attribute.h>
#include <db/Database.h>
#include <db/DoubleAttribute.h>
#include <db/FloatAttribute.h>
#include <db/IntAttribute.h>
#include <db/Matrix34Attribute.h>
#include <db/Node.h>
#include <db/NodeContainer.h>
#include <db/NodeFactory.h>
#include <db/PointerAttribute.h>
#include <db/StringAttribute.h>
#include <db/Vector3Attribute.h>

#include <functional>
#include <string>
#include <vector>

namespace dbuitest
{

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
    /// The attribute at a path under a node, such as ".compound.width".
    db::Attribute* attributeAt(int node, const wchar_t* path) const
    {
        return nodes[node]->attributeFromDatabasePath(path, false);
    }

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

/// One kind of text box as a user edits it in an AllTypes node: the attribute
/// (by its path under the node), which text box of its widget, what is typed,
/// and how the database holds it afterwards.
struct TypedEdit
{
    const wchar_t* path;
    int box;
    const char* typed;
    const wchar_t* undo;
    std::function<bool(db::Attribute*)> holdsTyped;
};

/// Every kind of text box: one box, several boxes, a member of a compound.
inline const std::vector<TypedEdit>& typedEdits()
{
    static const std::vector<TypedEdit> s_edits = {
        {L".string", 0, "typed", L"Set string attribute(s)",
         [](db::Attribute* a) { return a->asStringAttribute()->getValue() == L"typed"; }},
        {L".int", 0, "42", L"Set int attribute(s)",
         [](db::Attribute* a) { return a->asIntAttribute()->getValue() == 42; }},
        {L".float", 0, "2.5", L"Set float attribute(s)",
         [](db::Attribute* a) { return a->asFloatAttribute()->getValue() == 2.5f; }},
        {L".double", 0, "2.25", L"Set double attribute(s)",
         [](db::Attribute* a) { return a->asDoubleAttribute()->getValue() == 2.25; }},
        {L".pointer", 0, "/node1", L"Set pointer attribute(s)",
         [](db::Attribute* a)
         {
             const db::Attribute* target = a->asPointerAttribute()->getValue();
             return target && target->getName() == L"node1";
         }},
        {L".vector3", 2, "2.5", L"Set Vector3 attribute(s)",
         [](db::Attribute* a) { return a->asVector3Attribute()->getValue().z == 2.5f; }},
        {L".matrix34", 5, "2.5", L"Set Matrix34 attribute(s)",
         [](db::Attribute* a) { return a->asMatrix34Attribute()->getValue().get(1, 2) == 2.5f; }},
        {L".compound.width", 0, "2.5", L"Set float attribute(s)",
         [](db::Attribute* a) { return a->asFloatAttribute()->getValue() == 2.5f; }},
    };
    return s_edits;
}

} // namespace dbuitest
