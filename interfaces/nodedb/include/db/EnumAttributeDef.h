#pragma once

#include <db/AttributeDef.h>
#include <db/Export.h>

#include <string>
#include <utility>
#include <vector>

namespace db
{

/// Definition of an enum (or enum array) attribute: a list of named values.
/// An enum attribute stores the value; its text is the matching name.
class DBUI_NODEDB_EXPORT EnumAttributeDef : public AttributeDef
{
public:
    /// `type` is Enum or EnumArray.
    explicit EnumAttributeDef(const std::wstring& name, AttributeType type = Enum, int units = 0);

    /// Appends a named value; returns false (and adds nothing) when the name is taken.
    bool addString(const std::wstring& text, int value);
    /// Appends a name whose value is its position.
    bool addString(const std::wstring& text) { return addString(text, static_cast<int>(m_entries.size())); }

    /// How many named values (options) there are.
    unsigned int getStringCount() const { return static_cast<unsigned int>(m_entries.size()); }
    /// The name of the option at `index`, in the order they were added.
    const std::wstring& getString(unsigned int index) const { return m_entries[index].first; }
    /// The value of the option at `index`: what the attribute holds when it is chosen.
    int getStringValue(unsigned int index) const { return m_entries[index].second; }

    /// Position of the entry with this value, -1 if none.
    int findValue(int value) const;
    /// Position of the entry with this name, -1 if none.
    int findString(const std::wstring& text) const;

    EnumAttributeDef* asEnumAttributeDef() override { return this; }
    const EnumAttributeDef* asEnumAttributeDef() const override { return this; }
    AttributeDef* makeCopy() const override;

private:
    std::vector<std::pair<std::wstring, int>> m_entries;
};

} // namespace db
