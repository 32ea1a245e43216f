#pragma once

// Cuts the text of a node database file, as it arrives, into units and a
// skeleton. A unit is a run of sibling <node> elements of a container, none of
// which holds nodes itself; the skeleton is everything else, with a
// placeholder element where each unit was. Units can then be parsed and built
// apart from each other, on several threads, and the skeleton last, taking
// the units' nodes in file order.
//
// The splitter knows only what the savers write: a declaration, elements,
// attributes in quotes and text. Anything else (comments, CDATA, processing
// instructions, a document type, another encoding, tags that do not match)
// makes it give up; the loader then reads the file whole, the way it reads
// every file whose fast reading fails, so that a file loads, or fails with
// the same message, either way.

#include <cstddef>
#include <string>
#include <vector>

namespace db::files
{

class XmlSplitter
{
public:
    /// A unit of the current window: [begin, end), its nodes at reader depth `depth`.
    struct Unit
    {
        std::size_t begin;
        std::size_t end;
        int depth;
    };

    enum class State
    {
        NeedMore, ///< scan the next window
        Done,     ///< the whole file was split
        GaveUp,   ///< read the file whole instead
    };

    /// Units close once they hold at least this many bytes.
    explicit XmlSplitter(std::size_t unitSize) : m_unitSize(unitSize) {}

    /// Scans the window [data, data + size), which starts with the bytes kept
    /// from the last one; `last` when the file ends with it. Units go to
    /// `units`, skeleton text to `skeleton`.
    State scan(const char* data, std::size_t size, bool last, std::vector<Unit>& units, std::string& skeleton);

    /// The bytes of the window from here on are still needed: start the next window with them.
    std::size_t keepFrom() const { return m_runOpen ? m_runStart : m_emitted; }
    /// The next window starts at `keepFrom()` of this one.
    void rebase();

private:
    enum class Kind : unsigned char
    {
        Node,
        Container,
        Other,
    };
    struct Element
    {
        std::string name;
        Kind kind;
    };

    /// What one step of scanning found.
    enum class Step
    {
        Next,      ///< go on
        WindowEnd, ///< the window ends here (at m_pos)
        GiveUp,
    };
    Step scanStructure(const char* data, std::size_t size, bool last, std::vector<Unit>& units, std::string& skeleton);
    Step scanCandidate(const char* data, std::size_t size, bool last, std::vector<Unit>& units, std::string& skeleton);
    State prolog(const char* data, std::size_t size, bool last);
    void emitSkeleton(const char* data, std::size_t upTo, std::string& skeleton);
    void closeRun(std::vector<Unit>& units, std::string& skeleton);

    std::size_t m_unitSize;
    std::size_t m_pos = 0;
    std::size_t m_emitted = 0;
    std::vector<Element> m_stack;
    bool m_prologDone = false;
    bool m_rootSeen = false;
    bool m_runOpen = false;
    std::size_t m_runStart = 0;
    std::size_t m_runEnd = 0;
    bool m_inCandidate = false;
    std::size_t m_candidateStart = 0;
    /// A candidate found to hold nodes, scanned again as skeleton; npos when none.
    std::size_t m_demoted = std::string::npos;
};

} // namespace db::files
