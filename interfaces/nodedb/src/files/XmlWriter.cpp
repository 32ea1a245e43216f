#include "XmlWriter.h"

#include <db/EnumAttributeDef.h>

#include "LoadSupport.h"
#include "Utf8.h"

namespace db::files
{

namespace
{

/// What each ASCII character becomes inside XML text: itself (plain), dropped
/// (U+0000, which XML cannot hold) or a reference. Control characters that XML
/// would drop or normalise are written as character references; pugixml reads
/// those back unchanged. Quotes, tabs and line breaks only need one inside
/// attribute values.
struct EscapeTable
{
    enum Kind : unsigned char
    {
        Plain,
        Drop,
        Reference,
    };
    Kind text[128];
    Kind attribute[128];
    char reference[128][8];

    EscapeTable()
    {
        for (int c = 0; c < 128; ++c)
        {
            Kind kind = c == 0 ? Drop : c < 0x20 ? Reference : Plain;
            text[c] = attribute[c] = kind;
            std::string ref = "&#" + std::to_string(c) + ";";
            std::memcpy(reference[c], ref.c_str(), ref.size() + 1);
        }
        for (unsigned char c : {'\n', '\t'})
            text[c] = Plain;
        for (unsigned char c : {'&', '<', '>'})
            text[c] = Reference;
        for (unsigned char c : {'&', '<', '>', '"'})
            attribute[c] = Reference;
        std::memcpy(reference[unsigned('&')], "&amp;", 6);
        std::memcpy(reference[unsigned('<')], "&lt;", 5);
        std::memcpy(reference[unsigned('>')], "&gt;", 5);
        std::memcpy(reference[unsigned('"')], "&quot;", 7);
    }
};

const EscapeTable s_escapes;

/// The longest reference in the table ("&quot;").
constexpr std::size_t s_maxEscape = 6;

// Room is asked for the worst case of a piece at a time, so that a huge
// string does not make the buffer six times its size.
constexpr std::size_t s_escapePiece = 1 << 14;

} // namespace

XmlWriter::XmlWriter(bool indent) : m_indent(indent)
{
    m_indentText.assign(1, '\n');
    m_indentText.append(static_cast<std::size_t>(s_maxDepth + 2) * 2 + Snippet::s_capacity, ' ');
    m_nameSlots.assign(1024, 0);
}

void XmlWriter::enumText(const EnumAttributeDef& def, int value)
{
    int index = def.findValue(value);
    if (index >= 0 && !def.getString(static_cast<unsigned int>(index)).empty())
        escape(def.getString(static_cast<unsigned int>(index)), false);
    else
        putInt(value);
}

void XmlWriter::escape(const std::wstring& text, bool inAttribute)
{
    const EscapeTable::Kind* kinds = inAttribute ? s_escapes.attribute : s_escapes.text;
    const wchar_t* chars = text.data();
    const std::size_t length = text.size();
    constexpr std::size_t perChar = std::max(s_maxEscape, s_maxUtf8PerChar);
    for (std::size_t i = 0; i < length;)
    {
        const std::size_t pieceEnd = std::min(length, i + s_escapePiece);
        // One more character than the piece: a surrogate pair may straddle its end.
        char* p = m_out.room((pieceEnd - i + 1) * perChar);
        while (i < pieceEnd)
        {
            const auto c = static_cast<unsigned long>(chars[i]);
            if (c < 0x80)
            {
                ++i;
                switch (kinds[c])
                {
                case EscapeTable::Plain:
                    *p++ = static_cast<char>(c);
                    break;
                case EscapeTable::Drop:
                    break;
                case EscapeTable::Reference:
                    for (const char* r = s_escapes.reference[c]; *r; ++r)
                        *p++ = *r;
                    break;
                }
            }
            else
                p = putUtf8(p, nextCodePoint(chars, length, i));
        }
        m_out.setEnd(p);
    }
}

void XmlWriter::escapeUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();)
    {
        const std::size_t pieceEnd = std::min(text.size(), i + s_escapePiece);
        char* p = m_out.room((pieceEnd - i) * s_maxEscape);
        for (; i < pieceEnd; ++i)
        {
            const auto byte = static_cast<unsigned char>(text[i]);
            if (byte >= 0x80 || s_escapes.text[byte] == EscapeTable::Plain)
                *p++ = static_cast<char>(byte);
            else if (s_escapes.text[byte] == EscapeTable::Reference)
                for (const char* r = s_escapes.reference[byte]; *r; ++r)
                    *p++ = *r;
        }
        m_out.setEnd(p);
    }
}

void XmlWriter::escapedName(const std::wstring& name)
{
    m_out.literal(" name=\"");
    escape(name, true);
    m_out.put('"');
}

void XmlWriter::newName(const std::wstring& name, std::size_t slot)
{
    const std::size_t start = m_out.size();
    escapedName(name);
    const std::size_t length = m_out.size() - start;
    // Names too long for a snippet are escaped every time (size 0 says so).
    Snippet snippet;
    if (length <= Snippet::s_capacity)
        snippet = Snippet(std::string_view(m_out.data() + start, length));
    m_nameSnippets.emplace_back(&name, snippet);
    m_nameSlots[slot] = static_cast<std::uint32_t>(m_nameSnippets.size());
}

void XmlWriter::growNames()
{
    m_nameSlots.assign(m_nameSlots.size() * 2, 0);
    const std::size_t mask = m_nameSlots.size() - 1;
    for (std::size_t i = 0; i < m_nameSnippets.size(); ++i)
    {
        std::size_t slot = hashOfAddress(m_nameSnippets[i].first) & mask;
        while (m_nameSlots[slot] != 0)
            slot = (slot + 1) & mask;
        m_nameSlots[slot] = static_cast<std::uint32_t>(i + 1);
    }
}

} // namespace db::files
