#pragma once

#include <mutex>
#include <vector>

namespace db::files
{

/// Things the threads of a load or a save are done with, for the next piece
/// of work: buffers (fresh memory for every piece would cost more than
/// writing the text into it) and readers and writers, with what they learnt.
template <typename T> class Pool
{
public:
    /// One given back before, or a default-made one.
    T take()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_items.empty())
            return T();
        T item = std::move(m_items.back());
        m_items.pop_back();
        return item;
    }
    void give(T&& item)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_items.push_back(std::move(item));
    }

private:
    std::mutex m_mutex;
    std::vector<T> m_items;
};

} // namespace db::files
