#pragma once

#include <OrkP/Vector3.h>

namespace OrkP
{

/// An affine transform as four rows of three floats: three rotation/scale rows
/// and the translation row. The value type of matrix attributes.
class Matrix34
{
public:
    /// The identity: unit rotation rows and zero translation.
    constexpr Matrix34() : rows{Vector3(1, 0, 0), Vector3(0, 1, 0), Vector3(0, 0, 1), Vector3(0, 0, 0)} {}
    /// The matrix of these rows: three rotation/scale rows, then the translation.
    constexpr Matrix34(const Vector3& r0, const Vector3& r1, const Vector3& r2, const Vector3& r3)
        : rows{r0, r1, r2, r3}
    {
    }

    /// The identity, by name.
    static constexpr Matrix34 identity() { return Matrix34(); }

    ///@{
    /// Row 0 to 3.
    Vector3& operator[](int row) { return rows[row]; }
    const Vector3& operator[](int row) const { return rows[row]; }
    ///@}

    ///@{
    /// The element at `row` (0 to 3) and `col` (0 to 2).
    float get(int row, int col) const { return rows[row][col]; }
    void set(int row, int col, float value) { rows[row][col] = value; }
    ///@}

    ///@{
    /// Exact comparison: NaN elements never compare equal.
    bool operator==(const Matrix34& o) const
    {
        return rows[0] == o.rows[0] && rows[1] == o.rows[1] && rows[2] == o.rows[2] && rows[3] == o.rows[3];
    }
    bool operator!=(const Matrix34& o) const { return !(*this == o); }
    ///@}

    /// The rows: three rotation/scale rows, then the translation.
    Vector3 rows[4];
};

} // namespace OrkP
