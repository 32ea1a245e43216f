#include "DocumentLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dbui
{

namespace
{

bool sameFile(int a, int b)
{
    struct stat first
    {
    };
    struct stat second
    {
    };
    return ::fstat(a, &first) == 0 && ::fstat(b, &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

} // namespace

DocumentLock::~DocumentLock()
{
    release();
}

void DocumentLock::hold(const std::string& fileName)
{
    release();
    m_fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd >= 0)
        ::flock(m_fd, LOCK_SH | LOCK_NB);
}

void DocumentLock::release()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool DocumentLock::heldElsewhere(const std::string& fileName)
{
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // Our own hold would answer for the others: it steps aside for the question.
    const bool ours = m_fd >= 0 && sameFile(fd, m_fd);
    if (ours)
        ::flock(m_fd, LOCK_UN);
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    if (ours)
        ::flock(m_fd, LOCK_SH | LOCK_NB);
    return held;
}

} // namespace dbui
