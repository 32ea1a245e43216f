#include "XmlSplitter.h"

#include "XmlReader.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace db::files
{

namespace
{

/// Deeper files are left to the whole-file reader, which knows the exact limits.
constexpr std::size_t s_maxNesting = 200;

// The character classes of pugixml's parser, so that both see the same names.
bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isNameStart(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || u == ':' || u >= 0x80;
}

bool isNameChar(char c)
{
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool allSpace(const char* begin, const char* end)
{
    for (; begin < end; ++begin)
        if (!isSpace(*begin))
            return false;
    return true;
}

/// The first '<' in [p, end) that can matter inside a candidate: one before
/// "n", "/n", '!' or '?', or any among the last bytes, where the caller looks
/// at what follows itself; or end. The members' tags, most of a file's, are
/// stepped over here sixteen bytes at a time rather than by a search each.
const char* nextNodeTag(const char* p, const char* end)
{
#if defined(__SSE2__)
    const __m128i lt = _mm_set1_epi8('<');
    // A '<' found here has at least eight bytes after it.
    for (; end - p >= 24; p += 16)
    {
        auto hits = static_cast<unsigned int>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), lt)));
        for (; hits != 0; hits &= hits - 1)
        {
            const char* at = p + __builtin_ctz(hits);
            const char next = at[1];
            if (next == 'n' || next == '!' || next == '?' || (next == '/' && at[2] == 'n'))
                return at;
        }
    }
#endif
    const void* found = std::memchr(p, '<', static_cast<std::size_t>(end - p));
    return found ? static_cast<const char*>(found) : end;
}

/// True when `literal` is at `pos` (entirely within the window).
bool isAt(const char* data, std::size_t size, std::size_t pos, const char* literal)
{
    const std::size_t length = std::strlen(literal);
    return pos + length <= size && std::memcmp(data + pos, literal, length) == 0;
}

/// A tag read from the window: where it ends and what it says.
struct Tag
{
    enum Outcome
    {
        Complete,
        Incomplete, ///< the window ends inside it
        Bad,
    } outcome = Bad;
    std::size_t end = 0;
    bool empty = false; ///< ends with "/>"
    std::string name;
};

/// Reads the name that starts at `p`.
std::size_t nameEnd(const char* data, std::size_t size, std::size_t p)
{
    while (p < size && isNameChar(data[p]))
        ++p;
    return p;
}

std::size_t skipSpace(const char* data, std::size_t size, std::size_t p)
{
    while (p < size && isSpace(data[p]))
        ++p;
    return p;
}

/// A start tag whose '<' is at `pos`: its name, then attributes in quotes.
Tag startTag(const char* data, std::size_t size, std::size_t pos)
{
    Tag tag;
    std::size_t p = nameEnd(data, size, pos + 1);
    tag.name.assign(data + pos + 1, p - pos - 1);
    for (;;)
    {
        if (p >= size)
            return tag.outcome = Tag::Incomplete, tag;
        const char c = data[p];
        if (c == '>')
        {
            tag.end = p + 1;
            break;
        }
        if (c == '/')
        {
            if (p + 1 >= size)
                return tag.outcome = Tag::Incomplete, tag;
            if (data[p + 1] != '>')
                return tag;
            tag.end = p + 2;
            tag.empty = true;
            break;
        }
        if (!isSpace(c))
            return tag; // attributes are set apart by spaces
        p = skipSpace(data, size, p);
        if (p >= size)
            return tag.outcome = Tag::Incomplete, tag;
        if (data[p] == '>' || data[p] == '/')
            continue;
        if (!isNameStart(data[p]))
            return tag;
        p = skipSpace(data, size, nameEnd(data, size, p));
        if (p >= size)
            return tag.outcome = Tag::Incomplete, tag;
        if (data[p] != '=')
            return tag;
        p = skipSpace(data, size, p + 1);
        if (p >= size)
            return tag.outcome = Tag::Incomplete, tag;
        const char quote = data[p];
        if (quote != '"' && quote != '\'')
            return tag;
        const void* close = std::memchr(data + p + 1, quote, size - p - 1);
        if (!close)
            return tag.outcome = Tag::Incomplete, tag;
        p = static_cast<std::size_t>(static_cast<const char*>(close) - data) + 1;
    }
    tag.outcome = Tag::Complete;
    return tag;
}

/// An end tag whose "</" is at `pos`.
Tag endTag(const char* data, std::size_t size, std::size_t pos)
{
    Tag tag;
    std::size_t p = nameEnd(data, size, pos + 2);
    tag.name.assign(data + pos + 2, p - pos - 2);
    p = skipSpace(data, size, p);
    if (p >= size)
        return tag.outcome = Tag::Incomplete, tag;
    if (data[p] != '>')
        return tag;
    tag.end = p + 1;
    tag.outcome = Tag::Complete;
    return tag;
}

bool equalsIgnoringCase(const std::string& text, const char* lower)
{
    if (text.size() != std::strlen(lower))
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != lower[i])
            return false;
    }
    return true;
}

} // namespace

XmlSplitter::State XmlSplitter::prolog(const char* data, std::size_t size, bool last)
{
    if (size < 6 && !last)
        return State::NeedMore;
    if (size == 0 || data[0] != '<')
        return State::GaveUp; // byte order marks and other encodings
    if (!isAt(data, size, 0, "<?xml") || size < 6 || !isSpace(data[5]))
    {
        m_prologDone = true;
        return State::Done;
    }
    const char* end = static_cast<const char*>(memmem(data, size, "?>", 2));
    if (!end)
        return last ? State::GaveUp : State::NeedMore;
    // pugixml takes another encoding from the declaration; only UTF-8 is split.
    const std::string declaration(data, static_cast<std::size_t>(end - data));
    const std::size_t encoding = declaration.find("encoding");
    if (encoding != std::string::npos)
    {
        std::size_t p = skipSpace(declaration.data(), declaration.size(), encoding + 8);
        if (p >= declaration.size() || declaration[p] != '=')
            return State::GaveUp;
        p = skipSpace(declaration.data(), declaration.size(), p + 1);
        if (p >= declaration.size() || (declaration[p] != '"' && declaration[p] != '\''))
            return State::GaveUp;
        const std::size_t close = declaration.find(declaration[p], p + 1);
        if (close == std::string::npos || !equalsIgnoringCase(declaration.substr(p + 1, close - p - 1), "utf-8"))
            return State::GaveUp;
    }
    m_pos = static_cast<std::size_t>(end - data) + 2;
    m_prologDone = true;
    return State::Done;
}

void XmlSplitter::emitSkeleton(const char* data, std::size_t upTo, std::string& skeleton)
{
    if (upTo > m_emitted)
        skeleton.append(data + m_emitted, upTo - m_emitted);
    m_emitted = std::max(m_emitted, upTo);
}

void XmlSplitter::closeRun(std::vector<Unit>& units, std::string& skeleton)
{
    m_runOpen = false;
    if (m_runEnd == m_runStart)
        return; // no node of the run was complete: what it had is skeleton
    skeleton += '<';
    skeleton += s_unitPlaceholder;
    skeleton += "/>";
    units.push_back(Unit{m_runStart, m_runEnd, static_cast<int>(m_stack.size())});
    m_emitted = m_runEnd;
}

void XmlSplitter::rebase()
{
    const std::size_t by = keepFrom();
    m_pos -= by;
    m_emitted -= by;
    m_runStart = m_runOpen ? m_runStart - by : 0;
    m_runEnd = m_runOpen ? m_runEnd - by : 0;
    m_candidateStart = m_inCandidate ? m_candidateStart - by : 0;
    m_demoted = m_demoted != std::string::npos && m_demoted >= by ? m_demoted - by : std::string::npos;
}

XmlSplitter::State XmlSplitter::scan(const char* data, std::size_t size, bool last, std::vector<Unit>& units,
                                     std::string& skeleton)
{
    if (!m_prologDone)
    {
        const State state = prolog(data, size, last);
        if (state != State::Done)
            return state;
    }
    for (;;)
    {
        const Step step = m_inCandidate ? scanCandidate(data, size, last, units, skeleton)
                                        : scanStructure(data, size, last, units, skeleton);
        if (step == Step::GiveUp)
            return State::GaveUp;
        if (step == Step::WindowEnd)
        {
            // The end of the window: everything before m_pos is settled.
            if (!m_runOpen)
                emitSkeleton(data, m_pos, skeleton);
            if (!last)
                return State::NeedMore;
            if (m_pos != size || m_inCandidate || m_runOpen || !m_stack.empty() || !m_rootSeen)
                return State::GaveUp;
            return State::Done;
        }
    }
}

XmlSplitter::Step XmlSplitter::scanStructure(const char* data, std::size_t size, bool last, std::vector<Unit>& units,
                                             std::string& skeleton)
{
    const char* lt = static_cast<const char*>(std::memchr(data + m_pos, '<', size - m_pos));
    const std::size_t pos = lt ? static_cast<std::size_t>(lt - data) : size;
    if (m_stack.empty() && !allSpace(data + m_pos, data + pos))
        return Step::GiveUp; // text outside the top element
    m_pos = pos;
    if (!lt || pos + 1 >= size)
        return last && lt ? Step::GiveUp : Step::WindowEnd;
    const char next = data[pos + 1];
    if (next == '/')
    {
        const Tag tag = endTag(data, size, pos);
        if (tag.outcome == Tag::Incomplete)
            return last ? Step::GiveUp : Step::WindowEnd;
        if (tag.outcome == Tag::Bad || m_stack.empty() || tag.name != m_stack.back().name)
            return Step::GiveUp;
        if (m_runOpen)
            closeRun(units, skeleton);
        m_stack.pop_back();
        m_pos = tag.end;
        return Step::Next;
    }
    if (!isNameStart(next))
        return Step::GiveUp; // comments, CDATA, instructions, stray '<'
    const Tag tag = startTag(data, size, pos);
    if (tag.outcome == Tag::Incomplete)
        return last ? Step::GiveUp : Step::WindowEnd;
    if (tag.outcome == Tag::Bad || tag.name == s_unitPlaceholder || (m_stack.empty() && m_rootSeen))
        return Step::GiveUp;
    const Kind kind = tag.name == "node" ? Kind::Node : tag.name == "container" ? Kind::Container : Kind::Other;
    const bool candidate =
        kind == Kind::Node && !m_stack.empty() && m_stack.back().kind == Kind::Container && pos != m_demoted;
    if (candidate)
    {
        if (!m_runOpen)
        {
            emitSkeleton(data, pos, skeleton);
            m_runOpen = true;
            m_runStart = m_runEnd = pos;
        }
        m_pos = tag.end;
        if (!tag.empty)
        {
            m_inCandidate = true;
            m_candidateStart = pos;
            return Step::Next;
        }
        m_runEnd = tag.end;
        if (m_runEnd - m_runStart >= m_unitSize)
            closeRun(units, skeleton);
        return Step::Next;
    }
    if (m_runOpen)
        closeRun(units, skeleton);
    m_rootSeen = true;
    if (!tag.empty)
    {
        m_stack.push_back(Element{tag.name, kind});
        if (m_stack.size() > s_maxNesting)
            return Step::GiveUp;
    }
    m_pos = tag.end;
    return Step::Next;
}

XmlSplitter::Step XmlSplitter::scanCandidate(const char* data, std::size_t size, bool last, std::vector<Unit>& units,
                                             std::string& skeleton)
{
    // Inside a candidate only <node> and </node> matter: the first </node>
    // ends it unless a <node> comes first, which makes it skeleton. A unit cut
    // wrongly (at a "</node>" inside a comment, say) fails to parse.
    for (;;)
    {
        const char* lt = nextNodeTag(data + m_pos, data + size);
        if (lt == data + size)
        {
            m_pos = size;
            return last ? Step::GiveUp : Step::WindowEnd;
        }
        const std::size_t pos = static_cast<std::size_t>(lt - data);
        if (pos + 7 > size && !last)
        {
            m_pos = pos;
            return Step::WindowEnd;
        }
        if (pos + 1 >= size || data[pos + 1] == '!' || data[pos + 1] == '?')
            return Step::GiveUp;
        if (isAt(data, size, pos + 1, "node") && pos + 5 < size &&
            (isSpace(data[pos + 5]) || data[pos + 5] == '>' || data[pos + 5] == '/'))
        {
            // It holds nodes: the nodes before it form a unit, and it is read again as skeleton.
            m_inCandidate = false;
            m_demoted = m_candidateStart;
            closeRun(units, skeleton);
            m_pos = m_demoted;
            return Step::Next;
        }
        if (isAt(data, size, pos + 1, "/node"))
        {
            const std::size_t p = skipSpace(data, size, pos + 6);
            if (p >= size)
            {
                if (last)
                    return Step::GiveUp;
                m_pos = pos;
                return Step::WindowEnd;
            }
            if (data[p] == '>')
            {
                m_inCandidate = false;
                m_runEnd = p + 1;
                m_pos = p + 1;
                if (m_runEnd - m_runStart >= m_unitSize)
                    closeRun(units, skeleton);
                return Step::Next;
            }
        }
        m_pos = pos + 1;
    }
}

} // namespace db::files
