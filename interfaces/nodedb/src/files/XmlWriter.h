#pragma once

// The text of a node database file as the XML saver writes it: markup,
// escaped strings, numbers and indentation, into a buffer that the saver
// hands to the file (or to the thread that writes the file) in large pieces.
// What is written per attribute is inline here; the loops over strings live
// in XmlWriter.cpp.

#include <OrkP/Matrix34.h>
#include <OrkP/Vector3.h>
#include <db/AttributeDef.h>

#include "NumberText.h"
#include "OpenTable.h"
#include "OutputBuffer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace db::files
{

/// A short piece of markup kept padded to a fixed size, so that writing it is
/// one fixed-size copy (inlined) instead of a call that copies a given length.
struct Snippet
{
    static constexpr std::size_t s_capacity = 32;
    char text[s_capacity] = {};
    std::size_t size = 0;

    Snippet() = default;
    explicit Snippet(std::string_view from) : size(from.size()) { std::memcpy(text, from.data(), from.size()); }
};

/// Writes XML text into its buffer; the savers' writers build on it.
class XmlWriter
{
public:
    /// `indent`: a line of its own for every element, two spaces per level.
    explicit XmlWriter(bool indent);

    ///@{
    /// The text of a value, for the attribute types' descriptions.
    void text(int value) { putInt(value); }
    void text(bool value)
    {
        if (value)
            m_out.literal("true");
        else
            m_out.literal("false");
    }
    void text(float value) { putFloat(value); }
    void text(double value) { putDouble(value); }
    void text(const std::wstring& value) { escape(value, m_inQuotes); }
    void text(const OrkP::Vector3& v)
    {
        char* p = m_out.room(3 * s_maxNumberChars + 2);
        p = files::putFloat(p, v.x);
        *p++ = ' ';
        p = files::putFloat(p, v.y);
        *p++ = ' ';
        p = files::putFloat(p, v.z);
        m_out.setEnd(p);
    }
    void text(const OrkP::Matrix34& m)
    {
        for (int row = 0; row < 4; ++row)
        {
            if (row > 0)
                m_out.put(' ');
            text(m[row]);
        }
    }
    void enumText(const EnumAttributeDef& def, int value);
    ///@}

protected:
    void put(const Snippet& snippet)
    {
        char* p = m_out.room(Snippet::s_capacity);
        std::memcpy(p, snippet.text, Snippet::s_capacity);
        m_out.setEnd(p + snippet.size);
    }

    /// A line break and the indentation of `depth`, when indenting.
    void newline(int depth)
    {
        if (!m_indent)
            return;
        const auto length = static_cast<std::size_t>(depth) * 2 + 1;
        char* p = m_out.room(std::max(length, Snippet::s_capacity));
        if (length <= Snippet::s_capacity)
            std::memcpy(p, m_indentText.data(), Snippet::s_capacity);
        else
            std::memcpy(p, m_indentText.data(), length);
        m_out.setEnd(p + length);
    }

    void putInt(int value) { m_out.setEnd(files::putInt(m_out.room(s_maxNumberChars), value)); }
    void putFloat(float value) { m_out.setEnd(files::putFloat(m_out.room(s_maxNumberChars), value)); }
    void putDouble(double value) { m_out.setEnd(files::putDouble(m_out.room(s_maxNumberChars), value)); }

    /// ` key="value"`.
    void attributeNumber(const char* key, double value)
    {
        m_out.put(' ');
        m_out.append(key, std::strlen(key));
        m_out.literal("=\"");
        putDouble(value);
        m_out.put('"');
    }

    /// `text` as XML text, or inside an XML attribute's quotes.
    void escape(const std::wstring& text, bool inAttribute);
    /// Escapes text that is UTF-8 already (paths).
    void escapeUtf8(std::string_view text);

    /// ` name="..."`, escaped once per definition's name and then copied.
    void nameAttribute(const std::wstring& name)
    {
        if (m_nameSnippets.size() * 2 >= m_nameSlots.size())
            growNames();
        const std::size_t mask = m_nameSlots.size() - 1;
        std::size_t slot = hashOfAddress(&name) & mask;
        for (; m_nameSlots[slot] != 0; slot = (slot + 1) & mask)
        {
            const auto& entry = m_nameSnippets[m_nameSlots[slot] - 1];
            if (entry.first == &name)
            {
                if (entry.second.size > 0)
                    put(entry.second);
                else
                    escapedName(name);
                return;
            }
        }
        newName(name, slot);
    }

    OutputBuffer m_out;
    /// Strings are being written inside an XML attribute's quotes.
    bool m_inQuotes = false;

private:
    void escapedName(const std::wstring& name);
    void newName(const std::wstring& name, std::size_t slot);
    void growNames();

    bool m_indent;
    std::string m_indentText;
    /// Open-addressed map from a name's address to its entry in m_nameSnippets, plus one: the names
    /// of attributes are their definitions' strings, shared by every attribute of the definition.
    std::vector<std::uint32_t> m_nameSlots;
    std::vector<std::pair<const std::wstring*, Snippet>> m_nameSnippets;
};

} // namespace db::files
