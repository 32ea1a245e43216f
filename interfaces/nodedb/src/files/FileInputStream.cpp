#include <db/FileInputStream.h>

#include "UnitBuilder.h"
#include "Utf8.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace db
{

std::function<void(std::size_t)> FileInputStream::s_readHook;

namespace
{
/// Whole files are read in pieces of this size, so that progress can be told between them.
constexpr std::size_t s_piece = std::size_t(1) << 20;
/// How far ahead of the reading the disk is asked to fetch: reading piece by
/// piece would otherwise leave it idle while each piece is worked on.
constexpr std::size_t s_readAhead = std::size_t(32) << 20;

/// Asks for a fresh buffer to be backed by huge pages where they fit in it.
/// Filling it then takes one page fault every 2 MB instead of every 4 kB: the
/// faults, not the copy from the page cache, were most of reading a big file.
void adviseHugePages(char* buffer, std::size_t size)
{
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t huge = std::uintptr_t(2) << 20;
    const auto begin = (reinterpret_cast<std::uintptr_t>(buffer) + huge - 1) & ~(huge - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(buffer) + size) & ~(huge - 1);
    if (end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)buffer;
    (void)size;
#endif
}
/// Files from this size up have their buffer's pages faulted in by a worker
/// while this thread reads into the pages before: the system clears each page
/// it hands out, which costs about as much as copying the file into it.
constexpr std::size_t s_prefaulted = std::size_t(8) << 20;
/// The worker faults in this much at a time.
constexpr std::size_t s_prefaultPiece = std::size_t(4) << 20;

/// Whether a buffer of `size` bytes is faulted in ahead, by a worker there is.
bool prefaulted(std::size_t size)
{
    return size >= s_prefaulted && files::loadWorkerCount() > 0;
}

/// Part of a buffer to fault in.
struct PrefaultPiece
{
    char* begin = nullptr;
    std::size_t size = 0;
};

/// Faults in a fresh buffer on a worker, ahead of the reading, where the
/// system can do so without writing to it (the reading may be there already).
class Prefaulter
{
public:
    Prefaulter(char* buffer, std::size_t size)
        : m_pieces(
              [](PrefaultPiece& piece)
              {
#ifdef MADV_POPULATE_WRITE
                  ::madvise(piece.begin, piece.size, MADV_POPULATE_WRITE);
#else
                  (void)piece;
#endif
              },
              prefaulted(size) ? 1 : 0)
    {
#ifdef MADV_POPULATE_WRITE
        if (!prefaulted(size))
            return;
        // madvise takes whole pages: the first and last part pages are left to the reading.
        const std::uintptr_t page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(buffer) + page - 1) & ~(page - 1);
        const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(buffer) + size) & ~(page - 1);
        for (std::uintptr_t at = begin; at < end; at += s_prefaultPiece)
        {
            auto piece = std::make_unique<PrefaultPiece>();
            piece->begin = reinterpret_cast<char*>(at);
            piece->size = std::min<std::uintptr_t>(s_prefaultPiece, end - at);
            m_pieces.add(std::move(piece));
        }
#else
        (void)buffer;
#endif
    }

private:
    files::UnitBuilder<PrefaultPiece> m_pieces;
};

} // namespace

FileInputStream::FileInputStream(const std::wstring& fileName, FileOpenMode mode)
    : m_fileName(files::toUtf8(fileName)), m_mode(mode)
{
    open();
}

FileInputStream::FileInputStream(const std::string& fileName, FileOpenMode mode) : m_fileName(fileName), m_mode(mode)
{
    open();
}

FileInputStream::~FileInputStream()
{
    close();
}

FileInputStream::FileInputStream(FileInputStream&& other) noexcept
{
    *this = std::move(other);
}

FileInputStream& FileInputStream::operator=(FileInputStream&& other) noexcept
{
    if (this == &other)
        return *this;
    close();
    m_fileName = std::move(other.m_fileName);
    m_mode = other.m_mode;
    m_fd = std::exchange(other.m_fd, -1);
    m_open = other.m_open;
    m_error = std::move(other.m_error);
    m_data = std::move(other.m_data);
    m_whole = other.m_whole;
    m_size = other.m_size;
    m_position = other.m_position;
    m_fetched = other.m_fetched;
    return *this;
}

void FileInputStream::setReadHook(std::function<void(std::size_t)> hook)
{
    s_readHook = std::move(hook);
}

FileInputStream FileInputStream::fromMemory(const void* data, std::size_t size, const std::string& name,
                                            FileOpenMode mode)
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
    stream.m_whole = true;
    stream.m_open = true;
    return stream;
}

void FileInputStream::open()
{
    m_fd = ::open(m_fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
    {
        m_error = std::string("cannot open: ") + std::strerror(errno);
        return;
    }
    struct stat info
    {
    };
    if (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode))
    {
        m_error = "not a regular file";
        close();
        return;
    }
    if (static_cast<unsigned long long>(info.st_size) > s_maxFileSize)
    {
        m_error = "file too large (" + std::to_string(info.st_size) + " bytes)";
        close();
        return;
    }
    m_size = static_cast<std::size_t>(info.st_size);
    m_open = true;
}

void FileInputStream::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

long long FileInputStream::readAt(char* into, std::size_t size, std::size_t offset)
{
    if (s_readHook)
        s_readHook(offset);
    if (offset + size + s_readAhead / 2 > m_fetched && m_fetched < m_size)
    {
        const std::size_t from = std::max(m_fetched, offset);
        ::posix_fadvise(m_fd, static_cast<off_t>(from), static_cast<off_t>(s_readAhead), POSIX_FADV_WILLNEED);
        m_fetched = from + s_readAhead;
    }
    std::size_t done = 0;
    while (done < size)
    {
        ssize_t n = ::pread(m_fd, into + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
        {
            m_error = std::string("read error: ") + std::strerror(errno);
            return -1;
        }
        if (n == 0)
            break; // the file shrank since it was opened; take what is there
        done += static_cast<std::size_t>(n);
    }
    return static_cast<long long>(done);
}

bool FileInputStream::readWhole(const Progress& progress)
{
    if (m_whole)
        return isOpen();
    if (!isOpen())
        return false;
    const std::size_t capacity = m_size;
    if (capacity > 0)
    {
        m_data.reset(new (std::nothrow) char[capacity]);
        if (!m_data)
        {
            m_error = "out of memory";
            return false;
        }
        adviseHugePages(m_data.get(), capacity);
    }
    const Prefaulter prefaulter(m_data.get(), capacity);
    // On failure the buffer stays until the stream goes or reads again: work
    // that follows the reading (see dataSoFar) may still be looking at it.
    std::size_t done = 0;
    while (done < capacity)
    {
        const long long n = readAt(m_data.get() + done, std::min(s_piece, capacity - done), done);
        if (n < 0)
        {
            m_size = 0;
            return false;
        }
        done += static_cast<std::size_t>(n);
        if (progress && !progress(done, capacity))
            return false;
        if (n == 0)
            break;
    }
    m_size = done;
    m_whole = true;
    return true;
}

const char* FileInputStream::data() const
{
    // Reading on first use changes nothing a caller can see but the time it takes.
    const_cast<FileInputStream*>(this)->readWhole();
    return m_data && m_whole ? m_data.get() : "";
}

char* FileInputStream::buffer()
{
    readWhole();
    return m_whole ? m_data.get() : nullptr;
}

std::string FileInputStream::head(std::size_t count)
{
    if (!isOpen())
        return std::string();
    if (m_whole)
        return std::string(m_data.get(), std::min(count, m_size));
    std::string bytes(count, '\0');
    const long long n = readAt(bytes.data(), count, 0);
    bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return bytes;
}

std::size_t FileInputStream::readSome(char* into, std::size_t capacity)
{
    if (!isOpen() || capacity == 0)
        return 0;
    std::size_t count = 0;
    if (m_whole)
    {
        count = m_position < m_size ? std::min(capacity, m_size - m_position) : 0;
        if (count > 0)
            std::memcpy(into, m_data.get() + m_position, count);
    }
    else
    {
        const long long n = readAt(into, capacity, m_position);
        if (n < 0)
            return 0;
        count = static_cast<std::size_t>(n);
    }
    m_position += count;
    return count;
}

} // namespace db
