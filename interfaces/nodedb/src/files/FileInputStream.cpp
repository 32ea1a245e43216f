#include <db/FileInputStream.h>

#include "Utf8.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace db {

FileInputStream::FileInputStream(const std::wstring& fileName, FileOpenMode mode)
    : m_fileName(files::toUtf8(fileName)), m_mode(mode)
{
    read();
}

FileInputStream::FileInputStream(const std::string& fileName, FileOpenMode mode)
    : m_fileName(fileName), m_mode(mode)
{
    read();
}

FileInputStream FileInputStream::fromMemory(const void* data, std::size_t size,
                                            const std::string& name, FileOpenMode mode)
{
    FileInputStream stream;
    stream.m_fileName = name;
    stream.m_mode = mode;
    const auto* bytes = static_cast<const char*>(data);
    if (size > 0)
        stream.m_data.assign(bytes, bytes + size);
    stream.m_open = true;
    return stream;
}

void FileInputStream::read()
{
    int fd = ::open(m_fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
    {
        m_error = std::string("cannot open: ") + std::strerror(errno);
        return;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
    {
        m_error = "not a regular file";
        ::close(fd);
        return;
    }
    if (static_cast<unsigned long long>(info.st_size) > s_maxFileSize)
    {
        m_error = "file too large (" + std::to_string(info.st_size) + " bytes)";
        ::close(fd);
        return;
    }
    m_data.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < m_data.size())
    {
        ssize_t n = ::read(fd, m_data.data() + done, m_data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
        {
            m_error = std::string("read error: ") + std::strerror(errno);
            m_data.clear();
            ::close(fd);
            return;
        }
        if (n == 0)
            break; // the file shrank while we read it; take what is there
        done += static_cast<std::size_t>(n);
    }
    m_data.resize(done);
    ::close(fd);
    m_open = true;
}

} // namespace db
