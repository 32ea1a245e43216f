#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace Orkutils
{

/// The toolkit's sequence type: a std::vector (use it as one) with the
/// toolkit's traditional names for the common operations.
template <class T> class Vector : public std::vector<T>
{
public:
    using std::vector<T>::vector;

    /// size(), by its toolkit name.
    std::size_t getCount() const { return this->size(); }
    /// empty(), by its toolkit name.
    bool isEmpty() const { return this->empty(); }
    /// Appends, as push_back.
    void add(const T& value) { this->push_back(value); }
    /// True when an element equals `value`; a linear search.
    bool contains(const T& value) const { return std::find(this->begin(), this->end(), value) != this->end(); }
    /// Index of the first equal element, or -1.
    long indexOf(const T& value) const
    {
        const auto it = std::find(this->begin(), this->end(), value);
        return it == this->end() ? -1 : static_cast<long>(it - this->begin());
    }
    /// Removes the first equal element; false when there is none.
    bool remove(const T& value)
    {
        const auto it = std::find(this->begin(), this->end(), value);
        if (it == this->end())
            return false;
        this->erase(it);
        return true;
    }
};

} // namespace Orkutils
