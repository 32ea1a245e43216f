#pragma once

// Little-endian reading of the binary file format. The reader never reads
// past its end and never allocates from a length it has not checked against
// the bytes that remain, so a hostile file costs at most its own size.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace db::files
{

/// Whether the file's byte order is the processor's: values are then copied as they lie.
constexpr bool s_littleEndian =
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    true;
#else
    false;
#endif

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

    /// A length-prefixed byte string, left where it is in the buffer.
    bool view(std::string_view& out)
    {
        std::uint32_t length = u32();
        if (!need(length))
            return false;
        out = std::string_view(reinterpret_cast<const char*>(m_data + m_pos), length);
        m_pos += length;
        return true;
    }

    /// `size` bytes copied as they are; false when fewer remain.
    bool copy(void* out, std::size_t size)
    {
        if (!need(size))
            return false;
        if (size > 0)
            std::memcpy(out, m_data + m_pos, size);
        m_pos += size;
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

    /// Steps over `n` bytes.
    bool skip(std::size_t n)
    {
        if (!need(n))
            return false;
        m_pos += n;
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
        if constexpr (s_littleEndian)
            std::memcpy(&v, m_data + m_pos, static_cast<std::size_t>(n));
        else
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
