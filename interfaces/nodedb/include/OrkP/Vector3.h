#pragma once

namespace OrkP
{

/// A point or direction in 3D space; the value type of vector attributes.
class Vector3
{
public:
    ///@{
    /// The zero vector, or the given components.
    constexpr Vector3() = default;
    constexpr Vector3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    ///@}

    ///@{
    /// Component 0, 1 or 2: x, y or z (any other index reads z).
    float& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    float operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
    ///@}

    ///@{
    /// Exact comparison: NaN components never compare equal.
    bool operator==(const Vector3& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const Vector3& o) const { return !(*this == o); }
    ///@}

    ///@{
    /// Component by component; the product scales every component.
    Vector3 operator+(const Vector3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vector3 operator-(const Vector3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vector3 operator*(float s) const { return {x * s, y * s, z * s}; }
    ///@}

    ///@{
    /// The components.
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    ///@}
};

} // namespace OrkP
