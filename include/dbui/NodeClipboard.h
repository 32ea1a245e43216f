#pragma once

#include <dbui/Export.h>

#include <string>
#include <vector>

namespace db
{
class Database;
class Node;
} // namespace db

namespace dbui
{

/// Nodes on the system clipboard as text: a document in the node database's
/// XML whose top-level nodes are copies of the copied subtrees. They paste into
/// any database of any program that reads the format, and into a text editor;
/// XML text copied from a file pastes as nodes when it is a valid document or
/// subtree file.
class DBUI_EXPORT NodeClipboard
{
public:
    /// The document that carries `nodes`, each with everything below it; none
    /// may lie below another. Pointers between the copied subtrees stay between
    /// the copies; pointers out of them are written as database paths. Empty
    /// when there is nothing to copy.
    static std::string toXml(const std::vector<db::Node*>& nodes);
    /// Puts toXml(nodes) on the clipboard; false when there was nothing to copy or the clipboard could not be had.
    static bool copy(const std::vector<db::Node*>& nodes);
    /// The clipboard's text in UTF-8; empty when it holds none.
    static std::string readText();
    /// Whether the clipboard holds text, which a paste may take; one round trip to the display server.
    static bool holdsText();

    /// Adds the nodes of `xml` to `database` as one undo step, "Paste nodes":
    /// into `selected` when its containers take them all, else right after it in
    /// its own container; at the top level when `selected` is null or the
    /// database itself. A pasted node whose name a sibling has gets a number, as
    /// copies do; pointers between pasted nodes point at the pasted ones, and
    /// paths out of them at what they name in `database`, if anything. Returns
    /// the pasted top-level nodes in order, or none, with `error` saying why,
    /// when the text holds no nodes that fit there; the database is then unchanged.
    static std::vector<db::Node*> paste(db::Database& database, db::Node* selected, const std::string& xml,
                                        std::string& error);
};

} // namespace dbui
