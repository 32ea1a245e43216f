#pragma once

// The savers' output buffer: written through raw pointers, so that a caller
// asks for room once and writes a whole token without a capacity check per
// byte, and growing never zero-fills what is about to be overwritten.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

namespace db::files {

class OutputBuffer
{
public:
    /// Makes room for `n` more bytes and returns where they go; `setEnd` commits them.
    char* room(std::size_t n)
    {
        if (m_capacity - m_size < n)
            grow(n);
        return m_data.get() + m_size;
    }
    void setEnd(char* end) { m_size = static_cast<std::size_t>(end - m_data.get()); }

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
    template <std::size_t N>
    void literal(const char (&text)[N])
    {
        append(text, N - 1);
    }

    char* data() { return m_data.get(); }
    const char* data() const { return m_data.get(); }
    std::size_t size() const { return m_size; }
    char& back() { return m_data[m_size - 1]; }
    void clear() { m_size = 0; }

private:
    void grow(std::size_t n)
    {
        std::size_t capacity = std::max(m_capacity * 2, m_size + n);
        std::unique_ptr<char[]> data(new char[capacity]);
        if (m_size > 0)
            std::memcpy(data.get(), m_data.get(), m_size);
        m_data = std::move(data);
        m_capacity = capacity;
    }

    std::unique_ptr<char[]> m_data;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

} // namespace db::files
