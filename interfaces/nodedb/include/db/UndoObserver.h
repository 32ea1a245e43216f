#pragma once

#include <db/Export.h>

namespace db
{

class Database;

/// Follows a database's undo and redo stacks step by step (the database's
/// `getUndoObservers()` list). Stacks are indexed from their oldest step.
class DBUI_NODEDB_EXPORT UndoObserver
{
public:
    virtual ~UndoObserver() = default;

    /// A step was put on top of the undo stack.
    virtual void onUndoStackPushed(Database*) {}
    /// The top (newest) step left the undo stack.
    virtual void onUndoStackPopped(Database*) {}
    /// The oldest step left the undo stack (undo limit, or history cleared).
    virtual void onUndoStackPoppedFront(Database*) {}
    /// A step was put on top of the redo stack.
    virtual void onRedoStackPushed(Database*) {}
    /// The top step left the redo stack.
    virtual void onRedoStackPopped(Database*) {}
};

} // namespace db
