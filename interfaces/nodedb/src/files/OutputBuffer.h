#pragma once

// The savers' output buffer: written through raw pointers, so that a caller
// asks for room once and writes a whole token without a capacity check per
// byte, and growing never zero-fills what is about to be overwritten.
//
// A binary file is built whole in memory (its header holds the length and
// checksum of everything after it), so the buffer can reach the size of the
// file.

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace db::files
{

class OutputBuffer
{
public:
    OutputBuffer() = default;
    ~OutputBuffer() { release(); }
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;
    OutputBuffer(OutputBuffer&& other) noexcept { swap(other); }
    OutputBuffer& operator=(OutputBuffer&& other) noexcept
    {
        OutputBuffer gone;
        gone.swap(other);
        swap(gone);
        return *this;
    }
    void swap(OutputBuffer& other) noexcept
    {
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
        std::swap(m_capacity, other.m_capacity);
    }

    /// Makes room for `n` more bytes and returns where they go; `setEnd` commits them.
    char* room(std::size_t n)
    {
        if (m_capacity - m_size < n)
            grow(n);
        return m_data + m_size;
    }
    void setEnd(char* end) { m_size = static_cast<std::size_t>(end - m_data); }

    void put(char c)
    {
        *room(1) = c;
        ++m_size;
    }
    void append(const void* bytes, std::size_t n)
    {
        if (n == 0)
            return;
        std::memcpy(room(n), bytes, n);
        m_size += n;
    }
    void append(std::string_view text) { append(text.data(), text.size()); }
    template <std::size_t N> void literal(const char (&text)[N]) { append(text, N - 1); }

    char* data() { return m_data; }
    /// Where the bytes at an offset already written lie.
    char* at(std::size_t offset) { return m_data + offset; }
    const char* data() const { return m_data; }
    std::size_t size() const { return m_size; }
    /// Bytes `room` can hand out without growing.
    std::size_t spare() const { return m_capacity - m_size; }
    char& back() { return m_data[m_size - 1]; }
    void clear() { m_size = 0; }

private:
    /// Blocks from this size on come straight from the system, mapped with
    /// their pages already in place: faulting pages in one at a time was the
    /// larger part of saving a big binary file.
    static constexpr std::size_t s_mappedFrom = std::size_t(1) << 20;

    void grow(std::size_t n)
    {
        const std::size_t capacity = std::max(m_capacity * 2, m_size + n);
        char* data = capacity >= s_mappedFrom ? map(capacity) : static_cast<char*>(std::malloc(capacity));
        if (!data)
            throw std::bad_alloc();
        if (m_size > 0)
            std::memcpy(data, m_data, m_size);
        release();
        m_data = data;
        m_capacity = capacity;
    }

    static char* map(std::size_t capacity)
    {
#if defined(__linux__)
        void* block =
            ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        return block == MAP_FAILED ? nullptr : static_cast<char*>(block);
#else
        return static_cast<char*>(std::malloc(capacity));
#endif
    }

    void release()
    {
        if (!m_data)
            return;
#if defined(__linux__)
        if (m_capacity >= s_mappedFrom)
        {
            ::munmap(m_data, m_capacity);
            return;
        }
#endif
        std::free(m_data);
    }

    char* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

} // namespace db::files
