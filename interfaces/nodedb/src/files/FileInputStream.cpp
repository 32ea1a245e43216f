#include <db/FileInputStream.h>

#include "Utf8.h"

#include <cerrno>
#include <cstring>
#include <new>
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
    {
        stream.m_data.reset(new (std::nothrow) char[size]);
        if (!stream.m_data)
        {
            stream.m_error = "out of memory";
            return stream;
        }
        std::memcpy(stream.m_data.get(), bytes, size);
        stream.m_size = size;
    }
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
    const auto capacity = static_cast<std::size_t>(info.st_size);
    if (capacity > 0)
    {
        m_data.reset(new (std::nothrow) char[capacity]);
        if (!m_data)
        {
            m_error = "out of memory";
            ::close(fd);
            return;
        }
    }
    std::size_t done = 0;
    while (done < capacity)
    {
        ssize_t n = ::read(fd, m_data.get() + done, capacity - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
        {
            m_error = std::string("read error: ") + std::strerror(errno);
            m_data.reset();
            ::close(fd);
            return;
        }
        if (n == 0)
            break; // the file shrank while we read it; take what is there
        done += static_cast<std::size_t>(n);
    }
    m_size = done;
    ::close(fd);
    m_open = true;
}

} // namespace db
