#pragma once

#include <db/Export.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include <db/FileInputStream.h>

namespace db
{

/// How the bytes handed to a stream are encoded on disk.
enum class OutputStreamEncoding : int
{
    Raw = 0,  ///< bytes are written as given (binary files)
    Utf8 = 1, ///< text is written as UTF-8 (XML files)
};

/// Writes a file without ever truncating the one it replaces: bytes go to a
/// temporary file in the same folder, which `commit` flushes, syncs and renames
/// over the target. A stream destroyed without a successful `commit` removes
/// its temporary file and leaves the target as it was; one left by a process
/// that was killed is removed by a later save of the same file on the same
/// machine, once nothing has written to it for ten minutes. A target that is a
/// symbolic link is written through: the file it points to is replaced and the
/// link stays. A stream made with `ToMemory` writes no file at all: its bytes
/// end up in a string (the clipboard, tests).
class DBUI_NODEDB_EXPORT FileOutputStream
{
public:
    /// Names the string an in-memory stream fills.
    struct ToMemory
    {
        /// Receives the bytes at `commit`, after what it held before.
        std::string& bytes;
    };

    /// The steps of the save protocol, named to the failure hook.
    enum class Step
    {
        Open,
        Write,
        Sync,
        Rename,
    };

    /// Returns true to make the named step fail as if the disk were full.
    using FailureHook = std::function<bool(Step)>;

    /// Told, on the writing thread, after bytes reach the file (Write, with the
    /// total so far) and before the file is synced (Sync); false cancels the save.
    using Progress = std::function<bool(Step reached, std::size_t bytesWritten)>;

    ///@{
    /// Opens a temporary file beside `fileName` (UTF-8 encoded in the narrow form); check `isOpen`.
    FileOutputStream(const std::wstring& fileName, FileOpenMode mode = FileOpenMode::Text,
                     OutputStreamEncoding encoding = OutputStreamEncoding::Utf8);
    FileOutputStream(const std::string& fileName, FileOpenMode mode = FileOpenMode::Text,
                     OutputStreamEncoding encoding = OutputStreamEncoding::Utf8);
    ///@}
    /// Collects the bytes in memory; `commit` appends them to `target.bytes`.
    explicit FileOutputStream(ToMemory target, OutputStreamEncoding encoding = OutputStreamEncoding::Utf8);
    ~FileOutputStream();

    FileOutputStream(const FileOutputStream&) = delete;
    FileOutputStream& operator=(const FileOutputStream&) = delete;

    /// True while no step has failed.
    bool isOpen() const { return (m_fd >= 0 || m_memory != nullptr) && m_error.empty(); }
    /// True after a successful `commit`.
    bool isCommitted() const { return m_committed; }

    /// The mode it was opened in.
    FileOpenMode getMode() const { return m_mode; }
    /// How writeText encodes text.
    OutputStreamEncoding getEncoding() const { return m_encoding; }
    /// The target file name, UTF-8 encoded.
    const std::string& getFileName() const { return m_fileName; }
    /// Why the stream failed, empty if it has not.
    const std::string& getError() const { return m_error; }

    /// Appends bytes; returns false once any write has failed.
    bool write(const void* data, std::size_t size);
    /// Appends a wide string in the stream's encoding (UTF-8 for both encodings).
    bool writeText(const std::wstring& text);

    /// Flushes, syncs and renames the temporary file over the target, then syncs
    /// the folder. Returns false, with the target untouched, on any failure.
    bool commit();

    /// Follows the save as it goes; see Progress.
    void setProgress(Progress progress) { m_progress = std::move(progress); }

    /// Test-only: makes chosen steps of every stream fail. Pass an empty hook to clear.
    static void setFailureHook(FailureHook hook);

private:
    void open();
    bool flushBuffer();
    bool writeToFile(const char* bytes, std::size_t size);
    void startWriteback();
    bool reached(Step step);
    bool fail(Step step, const std::string& what);
    void discard();

    std::string m_fileName;
    /// Where the bytes go: the file name with symbolic links followed.
    std::string m_targetName;
    std::string m_tempName;
    FileOpenMode m_mode;
    OutputStreamEncoding m_encoding;
    int m_fd = -1;
    bool m_committed = false;
    std::string m_error;
    std::vector<char> m_buffer;
    std::size_t m_bytesWritten = 0;
    /// How much of the file the kernel has been asked to start writing to disk.
    std::size_t m_writebackStarted = 0;
    Progress m_progress;
    /// Where an in-memory stream's bytes go at commit; null for a file.
    std::string* m_memory = nullptr;
    std::string m_memoryBytes;

    static FailureHook s_failureHook;
};

} // namespace db
