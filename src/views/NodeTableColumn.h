#pragma once

// What one column of a NodeTable reads and writes of each row's node.

#include <db/AttributeType.h>

#include <string>
#include <vector>

namespace db
{
class Attribute;
class AttributeDef;
class Node;
class NodeDef;
} // namespace db

namespace dbui::detail
{

/// A column: the node's name or type, or an attribute named by a path of
/// member names from the node, taken whole, as one component of a vector,
/// or as an array's length.
class TableColumn
{
public:
    enum class Kind
    {
        Name,
        Type,
        Value,
        Component,
        Length,
    };

    /// The name or type column.
    explicit TableColumn(Kind kind);
    /// The column of `path` ("colour.x") in nodes of `def`; Invalid type() when the path names nothing there.
    TableColumn(const std::wstring& path, const db::NodeDef& def);

    /// Every path nodes of `def` offer: whole values, vector components,
    /// compound members and array lengths; node containers left out.
    static std::vector<std::wstring> pathsOf(const db::NodeDef& def);
    /// Whether `path` names the same kind of thing in nodes of `def`.
    static bool isSharedBy(const std::wstring& path, db::AttributeType type, const db::NodeDef& def);

    Kind kind() const { return m_kind; }
    /// The type of the attribute the path ends at (Invalid for name and type, or a path that names nothing).
    db::AttributeType type() const { return m_type; }
    const std::wstring& path() const { return m_path; }
    /// Whether the user may write into the column's cells.
    bool isEditable() const { return m_kind != Kind::Type && m_kind != Kind::Length; }
    /// Whether the column sorts by number rather than by text.
    bool isNumeric() const;
    /// A whole single value that a new table shows unasked.
    bool isShownByDefault() const;

    /// The attribute the path names in `node` (the vector of a component, the array of a
    /// length), or null when the node has none of that type.
    db::Attribute* resolve(db::Node& node) const;

    /// The cell's text as the inspector's widgets show the value; a bool as "1" or "".
    std::wstring shownText(db::Node& node) const;
    /// The value in full precision, as files write it: what copying takes out.
    std::wstring exactText(db::Node& node) const;
    /// The value as a number, for sorting numeric columns.
    double number(db::Node& node) const;

    /// Sets the cell from `text`, as an edit of the open change block; false
    /// with `why` when the column, the text or the attribute's limits refuse it.
    bool setText(db::Node& node, const std::wstring& text, std::wstring& why) const;
    /// Gives `to`'s cell the value of `from`'s; false when either lacks the attribute.
    bool copyCell(db::Node& from, db::Node& to) const;
    /// Gives `to`'s cell the value of `source`, the attribute this column resolved
    /// in another row (not for the name column); false when `to` lacks the attribute.
    bool copyValue(const db::Attribute& source, db::Node& to) const;
    /// Puts the cell back to its default; false when it has none to go back to.
    bool resetCell(db::Node& node) const;

private:
    Kind m_kind;
    db::AttributeType m_type = db::Invalid;
    std::wstring m_path;
    std::vector<std::wstring> m_steps;
    int m_component = 0;
    // Rows come in runs of one type: the first step's place among the members
    // is looked up once per run.
    mutable const db::NodeDef* m_lastDef = nullptr;
    mutable int m_lastIndex = -1;
    /// The member at m_lastIndex is this column's attribute, of its type.
    mutable bool m_lastIsColumn = false;
};

} // namespace dbui::detail
