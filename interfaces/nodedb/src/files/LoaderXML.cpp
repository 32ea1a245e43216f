#include <db/LoaderXML.h>

#include <db/Node.h>
#include <db/ReferenceResolver.h>

#include "LoadSupport.h"
#include "Pool.h"
#include "UnitBuilder.h"
#include "UnitPlacer.h"
#include "UnitReader.h"
#include "XmlReader.h"
#include "XmlSplitter.h"

#include <pugixml.hpp>

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace db
{

namespace
{

using files::BuiltUnit;
using files::DetachedTree;

/// How much of the file is split at a time.
constexpr std::size_t s_windowSize = std::size_t(8) << 20;
/// How much of it is read at a time.
constexpr std::size_t s_readPiece = std::size_t(1) << 20;
/// The first window is short: the other threads get units to build sooner.
constexpr std::size_t s_firstWindowSize = s_readPiece;
/// Units close at this size: small enough to spread over the threads and to
/// keep little text in memory, big enough to cost little each.
constexpr std::size_t s_unitSize = std::size_t(256) << 10;
/// Units read and not yet built before the loading thread stops reading to build.
constexpr std::size_t s_maxWaiting = 48;
/// Few nodes, and few pointers, take less text: the lists of what was built
/// are reserved from the size of the file, instead of growing all the way
/// while the units are put in place.
constexpr std::size_t s_nodeBytes = 256;

/// Windows whose units are built, kept for the next ones: fresh memory for
/// every window costs a page fault for every page read into it, which takes
/// longer than reading the file. Windows go back from any thread.
class WindowPool
{
public:
    WindowPool() { m_free.reserve(s_keptWindows); }
    WindowPool(const WindowPool&) = delete;
    WindowPool& operator=(const WindowPool&) = delete;

    /// A window of at least `size` bytes, back in the pool once its last user lets it go.
    std::shared_ptr<char[]> take(std::size_t size)
    {
        Window window;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_free.empty() && m_free.back().size >= size)
            {
                window = std::move(m_free.back());
                m_free.pop_back();
            }
        }
        if (!window.bytes)
        {
            // Room for a larger carry than this one's, so that the window serves again.
            const std::size_t room = size + s_unitSize;
            window = Window{std::unique_ptr<char[]>(new char[room]), room};
        }
        const std::size_t capacity = window.size;
        return std::shared_ptr<char[]>(
            window.bytes.release(),
            [this, capacity](char* bytes)
            {
                std::unique_ptr<char[]> owned(bytes);
                std::lock_guard<std::mutex> lock(m_mutex);
                if (!m_closed && m_free.size() < s_keptWindows) // room reserved: a deleter must not allocate
                    m_free.push_back(Window{std::move(owned), capacity});
            });
    }

    /// Gives the kept windows back to the system, and those let go later too.
    void close()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_free.clear();
        m_closed = true;
    }

private:
    /// About as many as the builder holds at most, waiting units being limited.
    static constexpr std::size_t s_keptWindows = 8;

    struct Window
    {
        std::unique_ptr<char[]> bytes;
        std::size_t size = 0;
    };
    std::mutex m_mutex;
    std::vector<Window> m_free;
    bool m_closed = false;
};

/// See LoaderXML::setPieceHook.
std::function<void(bool)> s_pieceHook;

/// A unit's place in the window it was read into, and what it became.
struct XmlUnit : BuiltUnit
{
    std::size_t begin = 0;
    std::size_t end = 0;
    int depth = 0;
};

/// Units of one window built together: one parse tree and reader serve them all.
struct XmlBatch
{
    std::shared_ptr<char[]> window;
    /// Made at their number, and freed with one call: they stay where they are built.
    std::vector<XmlUnit> units;
};

/// The fast way through a file: read piece by piece, cut into units and a
/// skeleton (see XmlSplitter), units parsed and built in parallel, the
/// skeleton last. Gives up on anything unusual and on every error: the whole
/// file is then read the exact way, which finds the same result or says
/// precisely what is wrong.
class SplitRead
{
public:
    enum class Outcome
    {
        Read,
        Cancelled,
        GaveUp,
    };

    SplitRead(FileInputStream& stream, TypeRegistry& registry, const Progress& progress)
        : m_stream(stream), m_registry(registry), m_progress(progress),
          m_builder([this](XmlBatch& batch) { build(batch); }, files::loadWorkerCount()), m_units(m_builder)
    {
    }

    ~SplitRead() { m_builder.stop(); }

    Outcome run(DetachedTree& tree)
    {
        const Outcome outcome = split();
        if (outcome != Outcome::Read)
            return outcome;
        // The skeleton takes the units in order, the loading thread building
        // those still waiting meanwhile: the workers go on with the last
        // units while the first are put in place.
        m_windows.close();
        pugi::xml_document document;
        if (!document.load_buffer_inplace(m_skeleton.data(), m_skeleton.size(), files::s_xmlParseOptions,
                                          pugi::encoding_utf8))
            return Outcome::GaveUp;
        LoadError error;
        files::XmlReader reader(nullptr, m_registry, error);
        tree.built.paths = m_paths;
        tree.built.nodes.reserve(m_stream.size() / s_nodeBytes);
        tree.built.pointers.reserve(m_stream.size() / s_nodeBytes);
        files::UnitPlacer placer(m_builder);
        reader.setUnits(&m_units, &placer);
        const bool read = reader.read(document, tree);
        placer.settle();
        if (!read || m_units.nextUnit() != nullptr)
            return Outcome::GaveUp; // a unit without its place
        return Outcome::Read;
    }

private:
    Outcome split()
    {
        files::XmlSplitter splitter(s_unitSize);
        std::shared_ptr<char[]> window;
        std::size_t length = 0;
        std::size_t read = 0;
        std::vector<files::XmlSplitter::Unit> units;
        std::size_t fill = s_firstWindowSize;
        for (;;)
        {
            // Each window starts with what the last one left unsettled.
            const std::size_t keep = splitter.keepFrom();
            const std::size_t carried = length - keep;
            std::shared_ptr<char[]> next = m_windows.take(carried + s_windowSize);
            if (carried > 0)
                std::memcpy(next.get(), window.get() + keep, carried);
            splitter.rebase();
            // Read in pieces, so that progress is told often even from a slow disk.
            std::size_t got = 0;
            while (got < fill)
            {
                const std::size_t piece = m_stream.readSome(next.get() + carried + got, s_readPiece);
                if (!m_stream.isOpen())
                    return Outcome::GaveUp; // the whole read meets the error again and reports it
                got += piece;
                read += piece;
                if (m_progress && !m_progress(read, m_stream.size()))
                    return Outcome::Cancelled;
                if (piece < s_readPiece)
                    break;
            }
            window = std::move(next);
            length = carried + got;
            const bool last = got < fill;
            fill = s_windowSize;

            units.clear();
            const auto state = splitter.scan(window.get(), length, last, units, m_skeleton);
            batch(window, units);
            while (m_builder.waiting() > s_maxWaiting)
                m_builder.buildOne();
            if (state == files::XmlSplitter::State::GaveUp)
                return Outcome::GaveUp;
            if (state == files::XmlSplitter::State::Done)
                return Outcome::Read;
        }
    }

    /// Hands the units of a window to the builder in batches of about a unit's size.
    void batch(const std::shared_ptr<char[]>& window, const std::vector<files::XmlSplitter::Unit>& units)
    {
        for (std::size_t first = 0; first < units.size();)
        {
            std::size_t end = first;
            for (std::size_t bytes = 0; end < units.size() && bytes < s_unitSize; ++end)
                bytes += units[end].end - units[end].begin;
            auto batch = std::make_unique<XmlBatch>();
            batch->window = window;
            batch->units = std::vector<XmlUnit>(end - first);
            for (std::size_t i = first; i < end; ++i)
            {
                XmlUnit& unit = batch->units[i - first];
                unit.begin = units[i].begin;
                unit.end = units[i].end;
                unit.depth = units[i].depth;
            }
            m_builder.add(std::move(batch));
            first = end;
        }
    }

    void build(XmlBatch& batch)
    {
        // Units of one window are parsed in place side by side: each writes only within its own bytes.
        // Most are built straight from their text; the few the direct reader gives up go the general way.
        // Readers that built batches before know the types and tags of the file already.
        std::unique_ptr<files::UnitReader> direct = m_directReaders.take();
        if (!direct)
            direct = std::make_unique<files::UnitReader>(m_registry);
        pugi::xml_document fragment;
        LoadError error;
        files::XmlReader reader(nullptr, m_registry, error);
        for (XmlUnit& unit : batch.units)
        {
            unit.built.paths = m_paths;
            const char* text = batch.window.get() + unit.begin;
            const bool built = direct->read(text, text + (unit.end - unit.begin), unit.depth, unit);
            if (s_pieceHook)
                s_pieceHook(built);
            if (built)
                continue;
            if (!fragment.load_buffer_inplace(batch.window.get() + unit.begin, unit.end - unit.begin,
                                              files::s_unitParseOptions, pugi::encoding_utf8) ||
                !reader.readUnit(fragment, unit.depth, unit))
                break; // the skeleton meets the unit that failed and gives up
        }
        batch.window.reset();
        m_directReaders.give(std::move(direct));
    }

    FileInputStream& m_stream;
    TypeRegistry& m_registry;
    const Progress& m_progress;
    std::string m_skeleton;
    WindowPool m_windows; // outlives the builder, whose batches hold windows
    std::shared_ptr<files::PathTable> m_paths = std::make_shared<files::PathTable>();
    files::Pool<std::unique_ptr<files::UnitReader>> m_directReaders; // outlives the builder, which gives them back
    files::UnitBuilder<XmlBatch> m_builder;
    files::BatchedUnits<XmlBatch> m_units;
};

} // namespace

void LoaderXML::setPieceHook(std::function<void(bool direct)> hook)
{
    s_pieceHook = std::move(hook);
}

LoaderXML::LoaderXML(FileInputStream& stream, int flags, ReferenceResolver* resolver)
    : m_stream(stream), m_flags(flags), m_resolver(resolver)
{
}

bool LoaderXML::load(Attribute* target)
{
    m_error = LoadError();
    m_subtree = false;
    m_error.fileName = m_stream.getFileName();
    if (!m_stream.isOpen())
    {
        m_error.what = m_stream.getError().empty() ? "cannot read the file" : m_stream.getError();
        return false;
    }
    if (!target)
    {
        m_error.what = "nothing to load into";
        return false;
    }

    bool beforeAttachDone = false;
    {
        DetachedTree tree;
        SplitRead split(m_stream, files::registryFor(target, m_registry), m_progress);
        switch (split.run(tree))
        {
        case SplitRead::Outcome::Cancelled:
            m_error.what = "cancelled";
            m_error.cancelled = true;
            return false;
        case SplitRead::Outcome::Read:
            m_subtree = tree.kind == files::FileKind::Subtree;
            if (m_beforeAttach)
                m_beforeAttach();
            beforeAttachDone = true;
            if (files::attachLoaded(tree, target, m_resolver, m_error))
                return attached();
            // Its positions are those of the pieces: read whole for the exact ones.
            break;
        case SplitRead::Outcome::GaveUp:
            break;
        }
    }
    m_error = LoadError();
    m_error.fileName = m_stream.getFileName();
    return loadWhole(target, beforeAttachDone);
}

bool LoaderXML::attached()
{
    if (m_afterAttach)
        m_afterAttach();
    return true;
}

bool LoaderXML::loadWhole(Attribute* target, bool beforeAttachDone)
{
    m_subtree = false;
    if (!m_stream.readWhole(m_progress))
    {
        m_error.cancelled = m_stream.isOpen();
        m_error.what = m_error.cancelled ? "cancelled" : m_stream.getError();
        return false;
    }

    // The text is parsed where it lies: a copy of a large file costs as much as
    // reading it. The stream is spent afterwards.
    files::LineIndex lines(m_stream.data(), m_stream.size());
    pugi::xml_document document;
    char empty[1] = {0};
    pugi::xml_parse_result parsed =
        m_stream.size() > 0 ? document.load_buffer_inplace(m_stream.buffer(), m_stream.size(), files::s_xmlParseOptions,
                                                           pugi::encoding_auto)
                            : document.load_buffer_inplace(empty, 0, files::s_xmlParseOptions, pugi::encoding_auto);
    if (!parsed)
    {
        m_error.offset = static_cast<std::size_t>(parsed.offset);
        m_error.line = lines.lineOf(m_error.offset);
        m_error.what = std::string("malformed XML: ") + parsed.description();
        return false;
    }

    DetachedTree tree;
    files::XmlReader reader(&lines, files::registryFor(target, m_registry), m_error);
    reader.setProgress(&m_progress, m_stream.size());
    if (!reader.read(document, tree))
    {
        if (reader.wasCancelled())
        {
            m_error = LoadError();
            m_error.fileName = m_stream.getFileName();
            m_error.what = "cancelled";
            m_error.cancelled = true;
        }
        return false;
    }
    m_subtree = tree.kind == files::FileKind::Subtree;
    if (m_beforeAttach && !beforeAttachDone)
        m_beforeAttach();
    if (files::attachLoaded(tree, target, m_resolver, m_error))
        return attached();
    if (m_error.offset > 0 && m_error.line == 0)
        m_error.line = lines.lineOf(m_error.offset);
    return false;
}

} // namespace db
