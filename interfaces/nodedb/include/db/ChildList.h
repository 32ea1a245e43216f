#pragma once

#include <db/Export.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace db
{

class Attribute;

namespace detail
{

/// The children of a composite: a growable array of attribute pointers, two
/// words where a vector takes three, that can start in storage its owner
/// provides (a node keeps its members' pointers next to the members). It moves
/// to the heap when it outgrows that storage.
class DBUI_NODEDB_EXPORT ChildList
{
public:
    ChildList() : m_capacity(0), m_borrowed(0) {}
    ~ChildList() { release(); }
    ChildList(const ChildList&) = delete;
    ChildList& operator=(const ChildList&) = delete;

    /// Starts an empty list in `storage`, which has room for `capacity` pointers and outlives the list.
    void borrow(Attribute** storage, std::uint32_t capacity)
    {
        release();
        m_data = storage;
        m_size = 0;
        m_capacity = capacity;
        m_borrowed = true;
    }

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    Attribute* operator[](std::size_t index) const { return m_data[index]; }
    Attribute*& operator[](std::size_t index) { return m_data[index]; }
    Attribute** begin() const { return m_data; }
    Attribute** end() const { return m_data + m_size; }
    Attribute** data() const { return m_data; }

    void reserve(std::size_t capacity)
    {
        if (capacity > m_capacity)
            grow(capacity);
    }

    void push_back(Attribute* child)
    {
        if (m_size == m_capacity)
            grow(m_capacity ? std::size_t(m_capacity) * 2 : 4);
        m_data[m_size++] = child;
    }

    void insert(Attribute** at, Attribute* child)
    {
        const std::size_t index = static_cast<std::size_t>(at - m_data);
        if (m_size == m_capacity)
            grow(m_capacity ? std::size_t(m_capacity) * 2 : 4);
        std::memmove(m_data + index + 1, m_data + index, (m_size - index) * sizeof(Attribute*));
        m_data[index] = child;
        ++m_size;
    }

    void erase(Attribute** at)
    {
        const std::size_t index = static_cast<std::size_t>(at - m_data);
        std::memmove(m_data + index, m_data + index + 1, (m_size - index - 1) * sizeof(Attribute*));
        --m_size;
    }

    void clear() { m_size = 0; }

private:
    void grow(std::size_t capacity)
    {
        auto** data = static_cast<Attribute**>(::operator new(capacity * sizeof(Attribute*)));
        if (m_size)
            std::memcpy(data, m_data, m_size * sizeof(Attribute*));
        release();
        m_data = data;
        m_capacity = static_cast<std::uint32_t>(capacity);
        m_borrowed = false;
    }

    void release()
    {
        if (!m_borrowed)
            ::operator delete(m_data);
        m_data = nullptr;
        m_capacity = 0;
        m_borrowed = false;
    }

    Attribute** m_data = nullptr;
    std::uint32_t m_size = 0;
    std::uint32_t m_capacity : 31;
    std::uint32_t m_borrowed : 1;
};

} // namespace detail
} // namespace db
