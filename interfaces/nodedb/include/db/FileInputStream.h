#pragma once

#include <db/Export.h>
#include <db/Progress.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace db
{

/// How a file is opened. Both modes read the same bytes; text mode marks a file
/// that the XML loader reads, binary mode one that the binary loader reads.
enum class FileOpenMode : int
{
    Text = 0,
    Binary = 1,
};

/// A file to load. Construction opens it; its bytes are read when a loader asks
/// for them: either whole (`data`, `readWhole`), so that loaders see one buffer
/// and report byte offsets into it, or piece by piece in file order (`readSome`),
/// for loaders that need not hold the whole file at once.
class DBUI_NODEDB_EXPORT FileInputStream
{
public:
    /// Largest file accepted; bigger files are refused when opened.
    static constexpr std::size_t s_maxFileSize = std::size_t(1) << 31;

    ///@{
    /// Opens the file (its name UTF-8 encoded in the narrow form); check isOpen.
    FileInputStream(const std::wstring& fileName, FileOpenMode mode = FileOpenMode::Text);
    FileInputStream(const std::string& fileName, FileOpenMode mode = FileOpenMode::Text);
    ///@}
    ~FileInputStream();

    ///@{
    /// Moves the open file along; a stream cannot be copied.
    FileInputStream(FileInputStream&& other) noexcept;
    FileInputStream& operator=(FileInputStream&& other) noexcept;
    FileInputStream(const FileInputStream&) = delete;
    FileInputStream& operator=(const FileInputStream&) = delete;
    ///@}

    /// Wraps bytes already in memory (fuzzers, tests, the clipboard); `name` is used in messages.
    static FileInputStream fromMemory(const void* data, std::size_t size, const std::string& name = "<memory>",
                                      FileOpenMode mode = FileOpenMode::Binary);

    /// True while the file can be read: it was opened and no read has failed.
    bool isOpen() const { return m_open && m_error.empty(); }
    /// The mode it was opened in.
    FileOpenMode getMode() const { return m_mode; }
    /// The file name, UTF-8 encoded.
    const std::string& getFileName() const { return m_fileName; }
    /// Why the file could not be read, empty if it could.
    const std::string& getError() const { return m_error; }

    /// Reads the whole file into memory unless it is there already, telling
    /// `progress` the bytes read so far; false when reading failed or was cancelled.
    bool readWhole(const Progress& progress = {});
    /// The whole file (read on first use); empty when it could not be read.
    const char* data() const;
    /// Where the bytes go while readWhole reads them, for work that follows
    /// the reading: its progress tells how many are there. Null before.
    const char* dataSoFar() const { return m_data.get(); }
    /// The bytes themselves, for parsers that work in place (the XML loader does:
    /// a stream is read by one load).
    char* buffer();
    /// The file's size: as it was when opened, or as read whole.
    std::size_t size() const { return m_size; }

    /// The first `count` bytes of the file (fewer when it is shorter), without
    /// reading the rest or moving where readSome goes on: for telling formats apart.
    std::string head(std::size_t count);

    /// Reads up to `capacity` of the bytes that follow those earlier calls
    /// returned, into `into`; 0 at the end of the file or on failure (see getError).
    std::size_t readSome(char* into, std::size_t capacity);

    /// Test-only: called with the file offset before each piece of a file is
    /// read, as a slow disk would be. Pass an empty hook to clear.
    static void setReadHook(std::function<void(std::size_t offset)> hook);

private:
    FileInputStream() = default;
    void open();
    void close();
    /// Reads into `into` from `offset` until `size` bytes or the end; what was read, or -1 with m_error set.
    long long readAt(char* into, std::size_t size, std::size_t offset);

    std::string m_fileName;
    FileOpenMode m_mode = FileOpenMode::Text;
    int m_fd = -1;
    bool m_open = false;
    std::string m_error;
    // Not a vector: a file of hundreds of megabytes is not zero-filled before it is read.
    std::unique_ptr<char[]> m_data;
    bool m_whole = false;
    std::size_t m_size = 0;
    std::size_t m_position = 0;
    /// The disk has been asked for the file up to here.
    std::size_t m_fetched = 0;

    static std::function<void(std::size_t)> s_readHook;
};

} // namespace db
