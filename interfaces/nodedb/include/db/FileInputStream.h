#pragma once

#include <db/Export.h>

#include <cstddef>
#include <string>
#include <memory>
#include <vector>

namespace db {

/// How a file is opened. Both modes read the same bytes; text mode marks a file
/// that the XML loader reads, binary mode one that the binary loader reads.
enum class FileOpenMode : int
{
    Text = 0,
    Binary = 1,
};

/// Reads a whole file into memory at construction, so loaders see one buffer
/// and report byte offsets into it.
class DBUI_NODEDB_EXPORT FileInputStream
{
public:
    /// Largest file accepted; bigger files are refused before reading.
    static constexpr std::size_t s_maxFileSize = std::size_t(1) << 31;

    ///@{
    /// Reads the whole file (its name UTF-8 encoded in the narrow form); check isOpen.
    FileInputStream(const std::wstring& fileName, FileOpenMode mode = FileOpenMode::Text);
    FileInputStream(const std::string& fileName, FileOpenMode mode = FileOpenMode::Text);
    ///@}

    /// Wraps bytes already in memory (fuzzers, tests, the clipboard); `name` is used in messages.
    static FileInputStream fromMemory(const void* data, std::size_t size,
                                      const std::string& name = "<memory>",
                                      FileOpenMode mode = FileOpenMode::Binary);

    /// True when the whole file was read.
    bool isOpen() const { return m_open; }
    /// The mode it was opened in.
    FileOpenMode getMode() const { return m_mode; }
    /// The file name, UTF-8 encoded.
    const std::string& getFileName() const { return m_fileName; }
    /// Why the file could not be read, empty if it could.
    const std::string& getError() const { return m_error; }

    /// The file's bytes (not terminated); never null.
    const char* data() const { return m_data ? m_data.get() : ""; }
    /// How many bytes were read.
    std::size_t size() const { return m_size; }
    /// The bytes themselves, for parsers that work in place (the XML loader does:
    /// a stream is read by one load).
    char* buffer() { return m_data.get(); }

private:
    FileInputStream() = default;
    void read();

    std::string m_fileName;
    FileOpenMode m_mode = FileOpenMode::Text;
    bool m_open = false;
    std::string m_error;
    // Not a vector: a file of hundreds of megabytes is not zero-filled before it is read.
    std::unique_ptr<char[]> m_data;
    std::size_t m_size = 0;
};

} // namespace db
