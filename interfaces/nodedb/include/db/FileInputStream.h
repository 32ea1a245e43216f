#pragma once

#include <cstddef>
#include <string>
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
class FileInputStream
{
public:
    /// Largest file accepted; bigger files are refused before reading.
    static constexpr std::size_t s_maxFileSize = std::size_t(1) << 31;

    FileInputStream(const std::wstring& fileName, FileOpenMode mode = FileOpenMode::Text);
    FileInputStream(const std::string& fileName, FileOpenMode mode = FileOpenMode::Text);

    /// Wraps bytes already in memory (fuzzers, tests, the clipboard); `name` is used in messages.
    static FileInputStream fromMemory(const void* data, std::size_t size,
                                      const std::string& name = "<memory>",
                                      FileOpenMode mode = FileOpenMode::Binary);

    /// True when the whole file was read.
    bool isOpen() const { return m_open; }
    FileOpenMode getMode() const { return m_mode; }
    /// The file name, UTF-8 encoded.
    const std::string& getFileName() const { return m_fileName; }
    /// Why the file could not be read, empty if it could.
    const std::string& getError() const { return m_error; }

    const char* data() const { return m_data.data(); }
    std::size_t size() const { return m_data.size(); }
    /// The buffer itself, for parsers that work in place.
    std::vector<char>& buffer() { return m_data; }

private:
    FileInputStream() = default;
    void read();

    std::string m_fileName;
    FileOpenMode m_mode = FileOpenMode::Text;
    bool m_open = false;
    std::string m_error;
    std::vector<char> m_data;
};

} // namespace db
