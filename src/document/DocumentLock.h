#pragma once

#include <string>

namespace dbui
{

/// An advisory lock on a document's file, shared by every window that has the
/// file open, so that another one can tell before opening it too. The system
/// lets it go however the program ends, a kill -9 included.
class DocumentLock
{
public:
    DocumentLock() = default;
    ~DocumentLock();
    DocumentLock(const DocumentLock&) = delete;
    DocumentLock& operator=(const DocumentLock&) = delete;

    /// Holds `fileName`, letting go of the file held before; nothing when it cannot be read.
    void hold(const std::string& fileName);
    void release();
    /// True when a window other than this lock's holds `fileName`.
    bool heldElsewhere(const std::string& fileName);

private:
    int m_fd = -1;
};

} // namespace dbui
