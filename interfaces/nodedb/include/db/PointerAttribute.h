#pragma once

#include <db/Attribute.h>
#include <db/Export.h>

namespace db
{

/// An attribute that refers to another attribute (usually a node), or to
/// nothing. The target is not owned; when a target is destroyed for good, the
/// pointers to it are reset to null.
class DBUI_NODEDB_EXPORT PointerAttribute : public Attribute
{
public:
    /// A detached pointer to nothing.
    explicit PointerAttribute(AttributeDef& def);
    ~PointerAttribute() override;

    ///@{
    /// The value; the call form reads as the attribute itself, as in `width()`.
    Attribute* getValue() const { return m_value; }
    Attribute* operator()() const { return m_value; }
    ///@}
    /// Points at `target` (null for nothing); recorded like every value edit.
    void setValue(Attribute* target);

    bool hasSameValue(const Attribute& other) const override;
    bool copyValueFrom(const Attribute& other) override;

protected:
    void exchangeValue(detail::ValueSlot& slot) override;
    void saveValue(detail::ValueSlot& slot) const override;

private:
    friend class detail::Editor;
    void retarget(Attribute* target);

    Attribute* m_value = nullptr;
};

} // namespace db
