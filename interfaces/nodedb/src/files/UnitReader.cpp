#include "UnitReader.h"

#include "../Editor.h"
#include "Utf8.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace db::files
{

namespace
{

/// The white space the savers write. A carriage return is left to the
/// general parser, which turns it into a newline.
bool isSpace(char c)
{
    return c == ' ' || c == '\n' || c == '\t';
}

/// What the general parser takes as part of a name, so that a name is never cut shorter than it reads it.
bool isNameChar(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' || u == '-' ||
           u == '.' || u == ':' || u >= 0x80;
}

/// The first byte in [p, end) that is one of `stops` (the same byte throughout when fewer than four), or end.
/// Texts are short but many: sixteen bytes are tried at once.
const char* findAny(const char* p, const char* end, const char (&stops)[4])
{
#if defined(__SSE2__)
    const __m128i a = _mm_set1_epi8(stops[0]);
    const __m128i b = _mm_set1_epi8(stops[1]);
    const __m128i c = _mm_set1_epi8(stops[2]);
    const __m128i d = _mm_set1_epi8(stops[3]);
    for (; end - p >= 16; p += 16)
    {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, a), _mm_cmpeq_epi8(bytes, b)),
                                          _mm_or_si128(_mm_cmpeq_epi8(bytes, c), _mm_cmpeq_epi8(bytes, d)));
        if (const int mask = _mm_movemask_epi8(hits))
            return p + __builtin_ctz(static_cast<unsigned int>(mask));
    }
#endif
    for (; p < end; ++p)
        if (*p == stops[0] || *p == stops[1] || *p == stops[2] || *p == stops[3])
            return p;
    return end;
}

/// The first byte in [p, end) that is not white space, or end: the savers indent every element.
const char* skipBlank(const char* p, const char* end)
{
#if defined(__SSE2__)
    for (; end - p >= 16; p += 16)
    {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i blank = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(' ')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'))),
            _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\t')));
        if (const unsigned int other = ~static_cast<unsigned int>(_mm_movemask_epi8(blank)) & 0xFFFFu)
            return p + __builtin_ctz(other);
    }
#endif
    while (p < end && isSpace(*p))
        ++p;
    return p;
}

/// Steps over `word` if it comes next. The words are short: compared here
/// rather than by a library call, eight bytes at a time.
bool take(const char*& p, const char* end, std::string_view word)
{
    std::size_t n = word.size();
    if (static_cast<std::size_t>(end - p) < n)
        return false;
    const char* a = p;
    const char* b = word.data();
    for (; n >= 8; n -= 8, a += 8, b += 8)
    {
        std::uint64_t x;
        std::uint64_t y;
        std::memcpy(&x, a, 8);
        std::memcpy(&y, b, 8);
        if (x != y)
            return false;
    }
    for (; n > 0; --n)
        if (*a++ != *b++)
            return false;
    p += word.size();
    return true;
}

/// The value of a hex or decimal digit, or -1.
int digitValue(char c, bool hex)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    const char lower = static_cast<char>(c | 0x20);
    return hex && lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

/// [begin, end) with its references replaced: the five named ones and numeric
/// ones of code points other than U+0000 and the surrogates. False on any
/// other '&', which the general parser may read in ways of its own.
bool unescape(const char* p, const char* end, std::string& out)
{
    out.clear();
    while (p < end)
    {
        const char* amp = static_cast<const char*>(std::memchr(p, '&', static_cast<std::size_t>(end - p)));
        if (!amp)
        {
            out.append(p, end);
            return true;
        }
        out.append(p, amp);
        p = amp + 1;
        if (take(p, end, "amp;"))
            out += '&';
        else if (take(p, end, "lt;"))
            out += '<';
        else if (take(p, end, "gt;"))
            out += '>';
        else if (take(p, end, "quot;"))
            out += '"';
        else if (take(p, end, "apos;"))
            out += '\'';
        else if (take(p, end, "#"))
        {
            const bool hex = take(p, end, "x");
            unsigned long code = 0;
            const char* digits = p;
            for (; p < end && *p != ';'; ++p)
            {
                const int digit = digitValue(*p, hex);
                code = code * (hex ? 16 : 10) + static_cast<unsigned long>(digit);
                if (digit < 0 || code > 0x10FFFF)
                    return false;
            }
            if (p == digits || p == end || code == 0 || (code >= 0xD800 && code < 0xE000))
                return false;
            ++p;
            char bytes[4];
            out.append(bytes, putUtf8(bytes, code));
        }
        else
            return false;
    }
    return true;
}

} // namespace

bool UnitReader::read(const char* begin, const char* end, int depth, BuiltUnit& unit)
{
    m_begin = m_p = begin;
    m_end = end;
    m_builder.setPart(unit.built);
    const detail::Editor::DetachedBuild detached;
    if (readAll(depth, unit))
    {
        unit.ok = true;
        return true;
    }
    unit.discard();
    return false;
}

bool UnitReader::readAll(int depth, BuiltUnit& unit)
{
    for (;;)
    {
        skipSpace();
        if (m_p == m_end)
            break;
        Node* built = *m_p == '<' ? node(depth) : nullptr;
        if (!built)
            return false;
        unit.add(*built);
    }
    std::size_t bad = 0;
    return m_builder.internPaths(bad);
}

void UnitReader::skipSpace()
{
    m_p = skipBlank(m_p, m_end);
}

bool UnitReader::startTag(Tag& tag)
{
    tag = Tag();
    const char* name = ++m_p;
    while (m_p < m_end && isNameChar(*m_p))
        ++m_p;
    if (m_p == name)
        return false;
    tag.name = std::string_view(name, static_cast<std::size_t>(m_p - name));
    tag.offset = static_cast<std::size_t>(name - m_begin);
    return attributes(tag);
}

bool UnitReader::attributes(Tag& tag)
{
    for (;;)
    {
        const char* before = m_p;
        skipSpace();
        if (m_p >= m_end)
            return false;
        if (*m_p == '>')
        {
            ++m_p;
            return true;
        }
        if (*m_p == '/')
        {
            tag.empty = m_p + 1 < m_end && m_p[1] == '>';
            m_p += 2;
            return tag.empty;
        }
        // Attributes stand apart from the name and from each other.
        if (m_p == before || !attribute(tag))
            return false;
    }
}

bool UnitReader::attribute(Tag& tag)
{
    const char* begin = m_p;
    while (m_p < m_end && isNameChar(*m_p))
        ++m_p;
    const std::string_view name(begin, static_cast<std::size_t>(m_p - begin));
    skipSpace();
    if (m_p >= m_end || *m_p != '=')
        return false;
    ++m_p;
    skipSpace();
    // Each known once; any other (a dynamic attribute's definition, say) is left to the general reader.
    if (name == "name" && !tag.hasName)
        return tag.hasName = attributeValue(tag.memberName, m_decodedName);
    if (name == "type" && !tag.hasType)
        return tag.hasType = attributeValue(tag.type, m_decodedType);
    if (name == "local" && !tag.hasLocal)
    {
        std::string_view value;
        tag.hasLocal = tag.local = attributeValue(value, m_decodedText) && value == "1";
        return tag.local;
    }
    return false;
}

bool UnitReader::attributeValue(std::string_view& value, std::string& decoded)
{
    if (m_p >= m_end || (*m_p != '"' && *m_p != '\''))
        return false;
    const char quote = *m_p++;
    const char* begin = m_p;
    // The general parser turns white space other than spaces into spaces.
    const char* p = begin;
    bool escaped = false;
    for (;; ++p)
    {
        p = findAny(p, m_end, {quote, '&', '<', '\n'});
        if (p == m_end || *p != '&')
            break;
        escaped = true;
    }
    if (p == m_end || *p != quote || findAny(begin, p, {'\t', '\r', '\0', '\0'}) != p)
        return false;
    m_p = p;
    value = std::string_view(begin, static_cast<std::size_t>(m_p - begin));
    ++m_p;
    if (!escaped)
        return true;
    if (!unescape(value.data(), value.data() + value.size(), decoded))
        return false;
    value = decoded;
    return true;
}

bool UnitReader::endTag(std::string_view name)
{
    const char* p = m_p;
    if (!take(p, m_end, "</") || !take(p, m_end, name) || p == m_end)
        return false;
    if (*p != '>')
    {
        if (isNameChar(*p))
            return false;
        p = skipBlank(p, m_end);
        if (p == m_end || *p != '>')
            return false;
    }
    m_p = p + 1;
    return true;
}

template <class F> bool UnitReader::children(std::string_view name, F&& child)
{
    bool any = false;
    for (;;)
    {
        const char* before = m_p;
        skipSpace();
        if (m_end - m_p < 2 || *m_p != '<')
            return false; // text among elements
        // Space alone is text to the general parser, which refuses it here.
        if (m_p[1] == '/')
            return (any || m_p == before) && endTag(name);
        any = true;
        if (!child())
            return false;
    }
}

bool UnitReader::text(const char*& begin, const char*& end)
{
    const char* p = findAny(m_p, m_end, {'<', '&', '\r', '\0'});
    const bool escaped = p < m_end && *p == '&';
    if (escaped)
        p = findAny(p, m_end, {'<', '\r', '\0', '\0'});
    if (p == m_end || *p != '<' || (p != m_p && skipBlank(m_p, p) == p))
        return false; // text of spaces alone is kept or dropped by rules of the general parser's own
    begin = m_p;
    end = p;
    m_p = p;
    if (!escaped)
        return true;
    if (!unescape(begin, end, m_decodedText))
        return false;
    begin = m_decodedText.data();
    end = begin + m_decodedText.size();
    return true;
}

bool UnitReader::value(const Tag& tag, const char*& begin, const char*& end)
{
    if (tag.empty)
    {
        begin = end = m_p;
        return true;
    }
    return text(begin, end) && endTag(tag.name);
}

Node* UnitReader::node(int depth)
{
    Tag tag;
    if (!startTag(tag) || tag.name != "node" || !tag.hasType || tag.hasLocal || depth > s_maxDepth)
        return nullptr;
    NodeDef* def = m_builder.nodeDef(tag.type, false, m_why);
    if (!def)
        return nullptr;
    std::size_t listed = 0;
    std::unique_ptr<Node> built = m_builder.startNode(*def, tag.memberName, listed);
    if (!tag.empty && !members(*built, tag.name, depth))
        return nullptr;
    m_builder.finishNode(*built, listed);
    return built.release();
}

bool UnitReader::members(CompositeAttribute& composite, std::string_view name, int depth)
{
    unsigned int next = 0;
    const std::vector<SavedTag>& saved = savedTags(composite);
    return children(name, [&] { return member(composite, depth + 1, next, saved); });
}

const std::vector<UnitReader::SavedTag>& UnitReader::savedTags(const CompositeAttribute& composite)
{
    const AttributeDef* def = &composite.getDef();
    Recent& recent = m_recent[(reinterpret_cast<std::uintptr_t>(def) >> 4) % std::size(m_recent)];
    if (recent.def == def)
        return *recent.tags;
    std::vector<SavedTag>& tags = m_savedTags[def];
    recent = Recent{def, &tags};
    if (!tags.empty() || composite.getAttributeCount() == 0)
        return tags;
    for (unsigned int i = 0; i < composite.getAttributeCount(); ++i)
    {
        const Attribute& attribute = *composite.getAttribute(i);
        const char* typeName = detail::xmlNameOf(attribute.getAttributeType());
        const std::string name = toUtf8(attribute.getName());
        // Names the savers escape, and those the general parser reads apart, are left to the general way.
        const bool plain =
            typeName && !attribute.isDynamic() && attribute.getAttributeType() != NodeType && !name.empty() &&
            std::all_of(name.begin(), name.end(),
                        [](char c)
                        {
                            const auto u = static_cast<unsigned char>(c);
                            return u > ' ' && u < 0x7F && u != '&' && u != '<' && u != '>' && u != '"' && u != '\'';
                        });
        if (plain)
            tags.push_back(SavedTag{std::string("<") + typeName + " name=\"" + name + "\"", std::strlen(typeName)});
        else
            tags.emplace_back();
    }
    return tags;
}

bool UnitReader::member(CompositeAttribute& composite, int depth, unsigned int& next,
                        const std::vector<SavedTag>& saved)
{
    Tag tag;
    Attribute* attribute = nullptr;
    const char* start = m_p;
    if (next < saved.size() && !saved[next].text.empty() && take(m_p, m_end, saved[next].text))
    {
        // As the savers write it: the member comes next and is the one named.
        tag.name = std::string_view(saved[next].text).substr(1, saved[next].nameSize);
        attribute = composite.getAttribute(next++);
        tag.known = true;
        tag.offset = static_cast<std::size_t>(start + 1 - m_begin);
        tag.hasName = true;
        if (!attributes(tag))
            return false;
    }
    else
    {
        if (!startTag(tag) || !tag.hasName)
            return false;
        attribute = m_builder.member(composite, tag.memberName, next);
    }
    if (!attribute || attribute->isDynamic() || tag.hasType || depth > s_maxDepth)
        return false;
    return detail::withType(attribute->getAttributeType(),
                            [&](auto traits) { return typed(traits, *attribute, tag, depth); });
}

template <class Traits> bool UnitReader::typed(Traits, Attribute& attribute, const Tag& tag, int depth)
{
    constexpr detail::TypeShape shape = Traits::s_shape;
    if constexpr (shape == detail::TypeShape::Value || shape == detail::TypeShape::Array ||
                  shape == detail::TypeShape::Composite)
    {
        // Members are written under their own type's name.
        if ((!tag.known && tag.name != Traits::s_xmlName) || (tag.hasLocal && Traits::s_type != Pointer))
            return false;
    }
    if constexpr (shape == detail::TypeShape::Value)
        return single(Traits(), static_cast<typename Traits::Class&>(attribute), tag);
    else if constexpr (shape == detail::TypeShape::Array)
        return array(Traits(), static_cast<typename Traits::Class&>(attribute), tag);
    else if constexpr (Traits::s_type == NodeContainerType)
        return tag.empty || endTag(tag.name); // units hold no nodes below their own
    else if constexpr (Traits::s_type == AttributeArrayType)
        return attributeArray(static_cast<AttributeArray&>(attribute), tag, depth);
    else if constexpr (Traits::s_type == Compound)
        return tag.empty || members(static_cast<CompositeAttribute&>(attribute), tag.name, depth);
    else
        return false;
}

template <class Traits> bool UnitReader::single(Traits, typename Traits::Class& attribute, const Tag& tag)
{
    const char* begin;
    const char* end;
    if (!value(tag, begin, end))
        return false;
    if constexpr (std::is_same_v<typename Traits::Value, Attribute*>)
    {
        // A path is looked up once the unit is read: it must stay where it is, in the text.
        if (begin < m_begin || begin > m_end)
            return false;
        m_builder.pointer(attribute, -1, tag.local, begin, end, tag.offset);
        return true;
    }
    else
        return m_builder.setSingle(Traits(), attribute, begin, end, m_why);
}

template <class Traits> bool UnitReader::array(Traits, typename Traits::Class& attribute, const Tag& tag)
{
    using Element = typename Traits::Element;
    constexpr bool pointers = std::is_same_v<typename Element::Value, Attribute*>;
    if constexpr (Element::s_inElements)
    {
        // One <e> per value.
        typename Traits::Value values;
        const auto item = [&]
        {
            Tag element;
            if (!startTag(element) || element.name != "e" || element.hasName || element.hasType ||
                (element.hasLocal && !pointers))
                return false;
            const char* begin;
            const char* end;
            if (!value(element, begin, end))
                return false;
            values.emplace_back();
            if constexpr (pointers)
            {
                if (begin < m_begin || begin > m_end)
                    return false;
                m_builder.pointer(attribute, static_cast<int>(values.size() - 1), element.local, begin, end,
                                  element.offset);
                return true;
            }
            else
                return m_builder.parseValue(Element(), attribute.getDef(), begin, end, values.back(), m_why);
        };
        if (!tag.empty && !children(tag.name, item))
            return false;
        attribute.setValues(std::move(values));
        return true;
    }
    else
    {
        // Numbers apart, read where they lie up to the end tag.
        const char* begin = m_p;
        const char* end = m_p;
        if (!tag.empty)
        {
            end = static_cast<const char*>(std::memchr(m_p, '<', static_cast<std::size_t>(m_end - m_p)));
            if (!end)
                return false;
            m_p = end;
            if (!endTag(tag.name))
                return false;
        }
        return m_builder.setList(Traits(), attribute, begin, end, m_why);
    }
}

bool UnitReader::attributeArray(AttributeArray& array, const Tag& tag, int depth)
{
    return tag.empty ||
           children(tag.name,
                    [&]
                    {
                        Tag item;
                        if (!startTag(item) || item.name != "compound" || item.hasName || item.hasType || item.hasLocal)
                            return false;
                        CompositeAttribute* added = array.add();
                        return added && (item.empty || members(*added, item.name, depth + 1));
                    });
}

} // namespace db::files
