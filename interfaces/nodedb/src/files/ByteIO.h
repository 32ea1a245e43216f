#pragma once

// Little-endian primitives of the binary file format. The reader never reads
// past its end and never allocates from a length it has not checked against
// the bytes that remain, so a hostile file costs at most its own size.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace db::files {

class ByteWriter
{
public:
    std::vector<char>& bytes() { return m_bytes; }
    std::size_t size() const { return m_bytes.size(); }

    void u8(std::uint8_t v) { m_bytes.push_back(static_cast<char>(v)); }
    void u16(std::uint16_t v) { putLE(v, 2); }
    void u32(std::uint32_t v) { putLE(v, 4); }
    void u64(std::uint64_t v) { putLE(v, 8); }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void f32(float v)
    {
        std::uint32_t bits;
        std::memcpy(&bits, &v, 4);
        u32(bits);
    }
    void f64(double v)
    {
        std::uint64_t bits;
        std::memcpy(&bits, &v, 8);
        u64(bits);
    }
    void raw(const void* data, std::size_t size)
    {
        const auto* p = static_cast<const char*>(data);
        m_bytes.insert(m_bytes.end(), p, p + size);
    }
    void string(const std::string& utf8)
    {
        u32(static_cast<std::uint32_t>(utf8.size()));
        raw(utf8.data(), utf8.size());
    }

    /// Starts a record: its tag and a length patched by `endRecord`.
    std::size_t beginRecord(std::uint8_t tag)
    {
        u8(tag);
        std::size_t at = m_bytes.size();
        u32(0);
        return at;
    }
    void endRecord(std::size_t at)
    {
        auto length = static_cast<std::uint32_t>(m_bytes.size() - at - 4);
        for (int i = 0; i < 4; ++i)
            m_bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((length >> (8 * i)) & 0xFF);
    }

private:
    void putLE(std::uint64_t v, int n)
    {
        for (int i = 0; i < n; ++i)
            m_bytes.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }

    std::vector<char> m_bytes;
};

/// Reads a bounded slice of a buffer. Every read checks the bounds; the first
/// failure latches and later reads return zeros, so callers check `ok()` once
/// per record instead of after every field.
class ByteReader
{
public:
    ByteReader(const char* data, std::size_t size, std::size_t baseOffset = 0)
        : m_data(reinterpret_cast<const unsigned char*>(data)), m_size(size), m_base(baseOffset)
    {
    }

    bool ok() const { return m_ok; }
    bool atEnd() const { return m_pos >= m_size; }
    std::size_t remaining() const { return m_ok ? m_size - m_pos : 0; }
    /// Offset of the next byte in the whole file, for messages.
    std::size_t offset() const { return m_base + m_pos; }

    bool need(std::size_t n)
    {
        if (!m_ok || n > m_size - m_pos)
        {
            m_ok = false;
            return false;
        }
        return true;
    }

    std::uint8_t u8() { return need(1) ? m_data[m_pos++] : 0; }
    std::uint16_t u16() { return static_cast<std::uint16_t>(getLE(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(getLE(4)); }
    std::uint64_t u64() { return getLE(8); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    float f32()
    {
        std::uint32_t bits = u32();
        float v;
        std::memcpy(&v, &bits, 4);
        return v;
    }
    double f64()
    {
        std::uint64_t bits = u64();
        double v;
        std::memcpy(&v, &bits, 8);
        return v;
    }

    /// A length-prefixed byte string, checked against what remains before copying.
    bool string(std::string& out)
    {
        std::uint32_t length = u32();
        if (!need(length))
            return false;
        out.assign(reinterpret_cast<const char*>(m_data + m_pos), length);
        m_pos += length;
        return true;
    }

    /// Reads a record header and returns a reader over its payload; the
    /// payload is skipped in this reader.
    bool record(std::uint8_t& tag, ByteReader& payload)
    {
        tag = u8();
        std::uint32_t length = u32();
        if (!need(length))
            return false;
        payload = ByteReader(reinterpret_cast<const char*>(m_data + m_pos), length, m_base + m_pos);
        m_pos += length;
        return true;
    }

    /// An element count whose elements take at least `minElementSize` bytes each.
    bool count(std::uint32_t& n, std::size_t minElementSize)
    {
        n = u32();
        if (!m_ok)
            return false;
        if (minElementSize > 0 && n > remaining() / minElementSize)
        {
            m_ok = false;
            return false;
        }
        return true;
    }

private:
    std::uint64_t getLE(int n)
    {
        if (!need(static_cast<std::size_t>(n)))
            return 0;
        std::uint64_t v = 0;
        for (int i = 0; i < n; ++i)
            v |= static_cast<std::uint64_t>(m_data[m_pos + static_cast<std::size_t>(i)]) << (8 * i);
        m_pos += static_cast<std::size_t>(n);
        return v;
    }

    const unsigned char* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_pos = 0;
    std::size_t m_base = 0;
    bool m_ok = true;
};

} // namespace db::files
