#include <db/FileOutputStream.h>

#include "Utf8.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace db
{

FileOutputStream::FailureHook FileOutputStream::s_failureHook;

namespace
{

constexpr std::size_t s_bufferSize = 1 << 16;

std::string folderOf(const std::string& fileName)
{
    auto slash = fileName.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return fileName.substr(0, slash);
}

std::string baseOf(const std::string& fileName)
{
    auto slash = fileName.rfind('/');
    return slash == std::string::npos ? fileName : fileName.substr(slash + 1);
}

/// The file a save of `fileName` replaces. Symbolic links are followed, so a
/// link stays in place and goes on naming the document it pointed at.
std::string followLinks(std::string fileName)
{
    // The system refuses longer chains (ELOOP) too; a loop simply ends here.
    for (int hop = 0; hop < 40; ++hop)
    {
        char target[PATH_MAX];
        ssize_t length = ::readlink(fileName.c_str(), target, sizeof target);
        if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target)
            return fileName; // not a link, or not there yet
        std::string link(target, static_cast<std::size_t>(length));
        fileName = link.front() == '/' ? link : folderOf(fileName) + "/" + link;
    }
    return fileName;
}

/// This machine's name as it may stand in a file name.
std::string hostTag()
{
    char host[65] = {};
    if (::gethostname(host, sizeof host - 1) != 0 || host[0] == '\0')
        return "host";
    std::string tag(host);
    for (char& c : tag)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.')
            c = '_';
    return tag;
}

/// How the temporary files of saves of `base` begin, up to the process id:
/// ".<base>.tmp-<host>-"; the id and six random characters follow. A long
/// name is shortened so that the whole stays within what a folder allows.
std::string tempPrefix(const std::string& base)
{
    constexpr std::size_t s_maxName = 255;
    constexpr std::size_t s_after = 10 + 1 + 6; // the id, '-', the random part
    const std::string tail = ".tmp-" + hostTag() + "-";
    const std::size_t room = s_maxName - s_after - tail.size() - 1;
    return "." + base.substr(0, room) + tail;
}

/// A save killed half way (the power, a crash, `kill -9`) leaves its
/// temporary file behind, as big as the document. The next save of the same
/// file removes those of this machine whose process is gone. One still
/// written to is not touched: its process is alive, or, where this process
/// cannot tell (a process id of another container), it was written lately.
void removeAbandoned(const std::string& folder, const std::string& prefix)
{
    constexpr std::time_t s_quietFor = 10 * 60;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(dir))
    {
        const std::string_view name(entry->d_name);
        if (name.size() <= prefix.size() + 7 || name.compare(0, prefix.size(), prefix) != 0 ||
            name[name.size() - 7] != '-')
            continue;
        const std::string digits(name.substr(prefix.size(), name.size() - prefix.size() - 7));
        if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const auto pid = static_cast<pid_t>(std::stol(digits));
        if (pid <= 0 || pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH)
            continue;
        struct stat info
        {
        };
        if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != ::geteuid() || now - info.st_mtime < s_quietFor)
            continue;
        ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

/// Writes all of [bytes, bytes + size) to `fd`; 0, or the errno of the failure.
int writeFully(int fd, const char* bytes, std::size_t size)
{
    std::size_t done = 0;
    while (done < size)
    {
        ssize_t n = ::write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

/// Replacing a file drops its cached pages on the spot: some 30 ms for every
/// 150 MB, which the user would wait for at the end of each save. Holding the
/// file being replaced leaves that to whoever lets go of it last.
int holdReplacedFile(const std::string& fileName)
{
    return ::open(fileName.c_str(), O_PATH | O_CLOEXEC);
}

/// Lets go of a held file on a thread of its own.
void releaseInBackground(int fd)
{
    if (fd < 0)
        return;
    try
    {
        std::thread([fd] { ::close(fd); }).detach();
    }
    catch (const std::system_error&)
    {
        ::close(fd);
    }
}

} // namespace

FileOutputStream::FileOutputStream(const std::wstring& fileName, FileOpenMode mode, OutputStreamEncoding encoding)
    : m_fileName(files::toUtf8(fileName)), m_mode(mode), m_encoding(encoding)
{
    open();
}

FileOutputStream::FileOutputStream(const std::string& fileName, FileOpenMode mode, OutputStreamEncoding encoding)
    : m_fileName(fileName), m_mode(mode), m_encoding(encoding)
{
    open();
}

FileOutputStream::FileOutputStream(ToMemory target, OutputStreamEncoding encoding)
    : m_fileName("<memory>"), m_mode(FileOpenMode::Text), m_encoding(encoding), m_memory(&target.bytes)
{
    m_buffer.reserve(s_bufferSize);
}

FileOutputStream::~FileOutputStream()
{
    if (!m_committed)
        discard();
}

void FileOutputStream::setFailureHook(FailureHook hook)
{
    s_failureHook = std::move(hook);
}

bool FileOutputStream::fail(Step, const std::string& what)
{
    if (m_error.empty())
        m_error = what;
    return false;
}

void FileOutputStream::open()
{
    if (m_fileName.empty())
    {
        fail(Step::Open, "empty file name");
        return;
    }
    m_targetName = followLinks(m_fileName);
    // The temporary file must live in the target's folder: rename is only
    // atomic within one file system.
    const std::string folder = folderOf(m_targetName);
    const std::string cannotCreate = "cannot create a temporary file in '" + folder + "', which saving safely needs: ";
    if (s_failureHook && s_failureHook(Step::Open))
    {
        fail(Step::Open, cannotCreate + std::strerror(ENOSPC));
        return;
    }
    std::string pattern = folder + "/" + tempPrefix(baseOf(m_targetName)) + std::to_string(::getpid()) + "-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    m_fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (m_fd < 0)
    {
        fail(Step::Open, cannotCreate + std::strerror(errno));
        return;
    }
    m_tempName = name.data();

    // mkstemp makes the file private; give it the permissions the target has,
    // or those a newly created file would get.
    struct stat info
    {
    };
    mode_t permissions = 0;
    if (::stat(m_targetName.c_str(), &info) == 0)
        permissions = info.st_mode & 07777;
    else
    {
        mode_t mask = ::umask(0);
        ::umask(mask);
        permissions = 0666 & ~mask;
    }
    ::fchmod(m_fd, permissions);
    m_buffer.reserve(s_bufferSize);
}

bool FileOutputStream::write(const void* data, std::size_t size)
{
    if (!isOpen())
        return false;
    const auto* bytes = static_cast<const char*>(data);
    if (m_buffer.size() + size > s_bufferSize)
    {
        if (!flushBuffer())
            return false;
        // Savers hand over large pieces of their own: copying them through
        // the buffer would only add a pass over every byte.
        if (size > s_bufferSize)
            return writeToFile(bytes, size);
    }
    m_buffer.insert(m_buffer.end(), bytes, bytes + size);
    return true;
}

bool FileOutputStream::writeText(const std::wstring& text)
{
    std::string utf8 = files::toUtf8(text);
    return write(utf8.data(), utf8.size());
}

bool FileOutputStream::flushBuffer()
{
    if (!isOpen())
        return false;
    if (!writeToFile(m_buffer.data(), m_buffer.size()))
        return false;
    m_buffer.clear();
    return true;
}

bool FileOutputStream::writeToFile(const char* bytes, std::size_t size)
{
    if (size == 0)
        return true;
    if (m_memory)
    {
        m_memoryBytes.append(bytes, size);
        m_bytesWritten += size;
        return reached(Step::Write);
    }
    if (s_failureHook && s_failureHook(Step::Write))
        return fail(Step::Write, std::string("write error: ") + std::strerror(ENOSPC));
    if (int error = writeFully(m_fd, bytes, size))
        return fail(Step::Write, std::string("write error: ") + std::strerror(error));
    m_bytesWritten += size;
    startWriteback();
    return reached(Step::Write);
}

/// Has the disk take the file as it comes, every few MB, instead of all of it
/// at the closing fsync: a big save then waits for the last few MB only. This
/// only starts the writing; the fsync in commit() still says whether the file
/// is safe, so a failure here is left for it to find.
void FileOutputStream::startWriteback()
{
    constexpr std::size_t s_writebackStep = std::size_t(8) << 20;
    if (m_bytesWritten - m_writebackStarted < s_writebackStep)
        return;
    ::sync_file_range(m_fd, static_cast<off_t>(m_writebackStarted),
                      static_cast<off_t>(m_bytesWritten - m_writebackStarted), SYNC_FILE_RANGE_WRITE);
    m_writebackStarted = m_bytesWritten;
}

bool FileOutputStream::reached(Step step)
{
    if (m_progress && !m_progress(step, m_bytesWritten))
        return fail(step, "cancelled");
    return true;
}

bool FileOutputStream::commit()
{
    if (m_committed)
        return true;
    if (!flushBuffer() || !reached(Step::Sync))
        return false;
    if (m_memory)
    {
        if (m_memory->empty())
            m_memory->swap(m_memoryBytes); // a clipboard's megabytes are not copied again
        else
            m_memory->append(m_memoryBytes);
        m_committed = true;
        return true;
    }
    if (s_failureHook && s_failureHook(Step::Sync))
        return fail(Step::Sync, std::string("cannot sync: ") + std::strerror(EIO));
    if (::fsync(m_fd) != 0)
        return fail(Step::Sync, std::string("cannot sync: ") + std::strerror(errno));
    if (::close(m_fd) != 0)
    {
        m_fd = -1;
        return fail(Step::Sync, std::string("cannot close: ") + std::strerror(errno));
    }
    m_fd = -1;
    if (s_failureHook && s_failureHook(Step::Rename))
        return fail(Step::Rename, std::string("cannot replace the file: ") + std::strerror(EROFS));
    const int replaced = holdReplacedFile(m_targetName);
    const bool renamed = ::rename(m_tempName.c_str(), m_targetName.c_str()) == 0;
    const int renameError = errno;
    releaseInBackground(replaced);
    if (!renamed)
        return fail(Step::Rename, std::string("cannot replace the file: ") + std::strerror(renameError));
    m_committed = true;
    m_tempName.clear();

    // Without syncing the folder, a crash could lose the rename while the old
    // file is already gone from the journal's point of view.
    int folder = ::open(folderOf(m_targetName).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0)
    {
        ::fsync(folder);
        ::close(folder);
    }
    removeAbandoned(folderOf(m_targetName), tempPrefix(baseOf(m_targetName)));
    return true;
}

void FileOutputStream::discard()
{
    if (m_fd >= 0)
    {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempName.empty())
    {
        ::unlink(m_tempName.c_str());
        m_tempName.clear();
    }
}

} // namespace db
