#include <db/SaverBinary.h>

#include "../AttributeTypes.h"
#include "AllAttributes.h"
#include "BinaryFormat.h"
#include "ByteIO.h"
#include "LoadSupport.h"
#include "OutputBuffer.h"
#include "Pool.h"
#include "SavePaths.h"
#include "SavePieces.h"
#include "UnitBuilder.h"
#include "Utf8.h"

#include <zlib.h>

#include <cstring>
#include <memory>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace db
{

namespace
{

namespace binary = files::binary;

// Lists are copied as memory on little-endian hosts: their elements must be bare fields.
static_assert(sizeof(OrkP::Vector3) == 12 && sizeof(OrkP::Matrix34) == 48, "vectors and matrices must be packed");

/// The bytes of a file part, in blocks that never move once written: a file
/// of tens of megabytes is neither copied as it grows nor faulted in page by
/// page (each block comes mapped whole). Offsets count across blocks.
class BlockBuffer
{
public:
    char* room(std::size_t n)
    {
        if (m_blocks.empty() || m_adopted || m_blocks.back()->bytes.spare() < n)
            addBlock(n);
        return m_blocks.back()->bytes.room(n);
    }
    void setEnd(char* end) { m_blocks.back()->bytes.setEnd(end); }
    void put(char c)
    {
        *room(1) = c;
        setEnd(m_blocks.back()->bytes.data() + m_blocks.back()->bytes.size() + 1);
    }
    void append(const void* data, std::size_t n)
    {
        if (n == 0)
            return;
        char* p = room(n);
        std::memcpy(p, data, n);
        setEnd(p + n);
    }
    std::size_t size() const { return m_blocks.empty() ? 0 : m_blocks.back()->start + m_blocks.back()->bytes.size(); }

    /// Where the bytes at an offset already written lie (record lengths are
    /// filled in afterwards); a field asked `room` for at once is in one piece.
    char* at(std::size_t offset)
    {
        // Patched records are mostly recent: search from the last block.
        for (auto block = m_blocks.rbegin();; ++block)
            if ((*block)->start <= offset)
                return (*block)->bytes.data() + (offset - (*block)->start);
    }

    /// Takes `bytes` as they are for the next block; what follows goes into a block of its own.
    void adopt(files::OutputBuffer&& bytes)
    {
        if (bytes.size() == 0)
            return;
        auto block = std::make_unique<Block>();
        block->start = size();
        block->bytes = std::move(bytes);
        m_blocks.push_back(std::move(block));
        m_adopted = true;
        // What is written between adopted blocks is little: its blocks start small again.
        m_lastCapacity = s_gapBlock / 2;
    }

    template <typename Each> void forEachBlock(Each each) const
    {
        for (const auto& block : m_blocks)
            if (block->bytes.size() > 0)
                each(block->bytes.data(), block->bytes.size());
    }

private:
    static constexpr std::size_t s_firstBlock = std::size_t(64) << 10;
    static constexpr std::size_t s_largestBlock = std::size_t(8) << 20;
    static constexpr std::size_t s_gapBlock = std::size_t(4) << 10;

    struct Block
    {
        std::size_t start = 0;
        files::OutputBuffer bytes;
    };

    void addBlock(std::size_t n)
    {
        std::size_t capacity = m_blocks.empty() ? s_firstBlock : std::min(s_largestBlock, m_lastCapacity * 2);
        capacity = std::max(capacity, n);
        auto block = std::make_unique<Block>();
        block->start = size();
        block->bytes.room(capacity);
        m_blocks.push_back(std::move(block));
        m_lastCapacity = capacity;
        m_adopted = false;
    }

    std::vector<std::unique_ptr<Block>> m_blocks;
    std::size_t m_lastCapacity = 0;
    /// The last block was adopted: it is not to be written into.
    bool m_adopted = false;
};

/// A 32-bit field at `p`, in the file's byte order.
std::uint32_t getU32(const char* p)
{
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i)
        v |= std::uint32_t(static_cast<unsigned char>(p[i])) << (8 * i);
    return v;
}

template <typename T> void putLittle(char* p, T v)
{
    if constexpr (files::s_littleEndian)
        std::memcpy(p, &v, sizeof(T));
    else
        for (std::size_t i = 0; i < sizeof(T); ++i)
            p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

/// Little-endian records: values are copied whole, not a byte at a time, and
/// strings are encoded in place. The whole file goes into a `BlockBuffer`, a
/// piece of it into an `OutputBuffer`.
template <class Buffer> class RecordWriter
{
public:
    void u8(std::uint8_t v) { m_out.put(static_cast<char>(v)); }
    void u16(std::uint16_t v) { little(v); }
    void u32(std::uint32_t v) { little(v); }
    void u64(std::uint64_t v) { little(v); }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void f32(float v)
    {
        std::uint32_t bits;
        std::memcpy(&bits, &v, 4);
        u32(bits);
    }
    void f64(double v)
    {
        std::uint64_t bits;
        std::memcpy(&bits, &v, 8);
        u64(bits);
    }
    void raw(const void* data, std::size_t size) { m_out.append(data, size); }

    /// A length-prefixed UTF-8 string.
    void string(const std::wstring& text)
    {
        std::size_t at = m_out.size();
        u32(0);
        // Encoded a piece at a time, so a huge string does not ask for four times its size.
        constexpr std::size_t piece = 1 << 14;
        for (std::size_t i = 0; i < text.size();)
        {
            const std::size_t pieceEnd = std::min(text.size(), i + piece);
            char* p = m_out.room((pieceEnd - i + 1) * files::s_maxUtf8PerChar);
            while (i < pieceEnd)
            {
                const auto c = static_cast<unsigned long>(text[i]);
                if (c - 1 < 0x7F)
                {
                    *p++ = static_cast<char>(c);
                    ++i;
                }
                else
                    p = files::putUtf8(p, files::nextCodePoint(text.data(), text.size(), i));
            }
            m_out.setEnd(p);
        }
        patch(at, static_cast<std::uint32_t>(m_out.size() - at - 4));
    }
    void string(const std::string& utf8)
    {
        u32(static_cast<std::uint32_t>(utf8.size()));
        raw(utf8.data(), utf8.size());
    }

    /// Starts a record: its tag and a length patched by `endRecord`.
    std::size_t beginRecord(std::uint8_t tag)
    {
        u8(tag);
        std::size_t at = m_out.size();
        u32(0);
        return at;
    }
    void endRecord(std::size_t at) { patch(at, static_cast<std::uint32_t>(m_out.size() - at - 4)); }

    std::size_t size() const { return m_out.size(); }
    const Buffer& bytes() const { return m_out; }
    Buffer& bytes() { return m_out; }

    /// The elements of a float, int, double, vector or matrix list, each as its
    /// little-endian 32- or 64-bit fields. On little-endian hosts that is their
    /// memory as it is, copied in one piece.
    template <typename T> void values(const std::vector<T>& list)
    {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        static_assert(sizeof(T) % 4 == 0 && std::is_trivially_copyable<T>::value, "packed fields only");
        m_out.append(list.data(), list.size() * sizeof(T));
#else
        for (const T& value : list)
            each(value);
#endif
    }

private:
    template <typename T> void little(T v)
    {
        char* p = m_out.room(sizeof(T));
        putLittle(p, v);
        m_out.setEnd(p + sizeof(T));
    }

    void each(std::int32_t v)
    {
        i32(v);
    }
    void each(float v)
    {
        f32(v);
    }
    void each(double v)
    {
        f64(v);
    }
    void each(const OrkP::Vector3& v)
    {
        f32(v.x);
        f32(v.y);
        f32(v.z);
    }
    void each(const OrkP::Matrix34& m)
    {
        for (int row = 0; row < 4; ++row)
            each(m[row]);
    }

    void patch(std::size_t at, std::uint32_t length)
    {
        putLittle(m_out.at(at), length);
    }

    Buffer m_out;
};

using FileWriter = RecordWriter<BlockBuffer>;

using files::SharedPaths;

/// What a helper thread wrote of one piece. Its name indices count from 0 in
/// the order its names first appear; the saving thread, which alone knows
/// the names written before the piece, numbers them for the file.
struct WrittenPiece
{
    files::SavePiece piece;
    files::OutputBuffer bytes;
    /// The piece's names by the index it wrote: what they were looked up by, and their text.
    std::vector<std::pair<const void*, const std::wstring*>> names;
    /// Where in `bytes` the name indices lie.
    std::vector<std::uint32_t> nameAt;
    std::string error;
};

using PieceBuilder = files::UnitBuilder<WrittenPiece>;

/// A stretch of the body whose checksum a thread works out on its own.
struct ChecksumPart
{
    std::vector<std::pair<const char*, std::size_t>> spans;
    std::size_t length = 0;
    uLong crc = 0;
};

/// `crc` carried on over `bytes`, in as many parts as there are threads to work them out.
uLong checksum(uLong crc, const BlockBuffer& bytes, unsigned int workers)
{
    files::UnitBuilder<ChecksumPart> parts(
        [](ChecksumPart& part)
        {
            part.crc = crc32(0L, Z_NULL, 0);
            for (const auto& [data, size] : part.spans)
                part.crc = crc32_z(part.crc, reinterpret_cast<const Bytef*>(data), size);
        },
        workers);
    const std::size_t partLength = bytes.size() / (workers + 1) + 1;
    auto part = std::make_unique<ChecksumPart>();
    bytes.forEachBlock(
        [&](const char* data, std::size_t size)
        {
            while (size > 0)
            {
                const std::size_t length = std::min(size, partLength - part->length);
                part->spans.emplace_back(data, length);
                part->length += length;
                data += length;
                size -= length;
                if (part->length == partLength)
                {
                    parts.add(std::move(part));
                    part = std::make_unique<ChecksumPart>();
                }
            }
        });
    parts.add(std::move(part));
    for (std::size_t i = 0; i < parts.size(); ++i)
    {
        const ChecksumPart& done = parts.take(i);
        crc = crc32_combine(crc, done.crc, static_cast<z_off_t>(done.length));
    }
    return crc;
}

/// Pieces of about this many nodes (some hundred KB) are written by helper
/// threads; smaller saves are written by one.
constexpr std::size_t s_pieceNodes = 250;
constexpr std::size_t s_pieceBytes = std::size_t(128) << 10;

/// Writes the file (into a `BlockBuffer`) or, on a helper thread, one piece of it (into an `OutputBuffer`).
template <class Buffer> class BinaryWriter
{
public:
    BinaryWriter(SharedPaths& paths, files::SaveProgress& progress) : m_paths(paths), m_progress(progress) {}

    /// The pieces other writers write, and where to wait for them.
    void setPieces(const std::vector<files::SavePiece>* pieces, PieceBuilder* written)
    {
        m_pieces = pieces;
        m_written = written;
    }

    /// Writes the nodes of `into.piece` into it.
    void writePiece(WrittenPiece& into)
    {
        m_error.clear(); // a writer is kept for the next pieces
        m_pieceNames.clear();
        // Most pieces fit, and the pages are faulted in on this thread, not the saving one.
        m_body.bytes().room(s_pieceBytes);
        m_piece = &into;
        const files::SavePiece& piece = into.piece;
        for (unsigned int i = piece.first; i < piece.first + piece.count; ++i)
            if (!writeAttribute(*piece.container->getAttribute(i), piece.depth))
                break;
        into.error = m_error;
        into.bytes = std::move(m_body.bytes());
    }

    bool writeNode(const Node& node, int depth)
    {
        if (depth > files::s_maxDepth)
            return fail("the tree is nested too deeply to save");
        if (!m_progress.node())
            return fail("cancelled");
        std::size_t at = m_body.beginRecord(binary::s_tagNode);
        name(&node.getNodeDef(), node.getClassID());
        m_body.string(node.getName());
        if (!writeMembers(node, depth))
            return false;
        m_body.endRecord(at);
        return true;
    }

    /// The names record, which goes before the node records in the file's body.
    void names(FileWriter& out) const
    {
        std::size_t at = out.beginRecord(binary::s_tagNames);
        out.u32(static_cast<std::uint32_t>(m_names.size()));
        for (const std::wstring& name : m_names)
            out.string(name);
        out.endRecord(at);
    }
    const RecordWriter<Buffer>& body() const { return m_body; }
    const std::string& error() const { return m_error; }

    ///@{
    /// The fields of a value, for the attribute types' descriptions.
    void u8(std::uint8_t v) { m_body.u8(v); }
    void i32(std::int32_t v) { m_body.i32(v); }
    void f32(float v) { m_body.f32(v); }
    void f64(double v) { m_body.f64(v); }
    void string(const std::wstring& text) { m_body.string(text); }
    void pointer(const Attribute* target)
    {
        const KnownPath& path = pathOf(target);
        if (!path.set)
        {
            m_body.u8(binary::s_pointerNull);
            return;
        }
        m_body.u8(path.local ? binary::s_pointerLocal : binary::s_pointerAbsolute);
        m_body.string(path.text);
    }
    ///@}

private:
    /// This writer writes the file, and takes the pieces helpers wrote.
    static constexpr bool s_wholeFile = std::is_same<Buffer, BlockBuffer>::value;

    bool fail(const std::string& what)
    {
        m_error = what;
        return false;
    }

    struct KnownPath
    {
        std::string text;
        bool set = false;
        bool local = false;
    };

    /// Paths asked for before, for the next pointers to the same targets: a
    /// file's pointers share a few targets, and the paths shared by the
    /// threads take a lock that the writers queued for. Bounded, for files
    /// whose pointers all differ.
    const KnownPath& pathOf(const Attribute* target)
    {
        if (m_knownPaths.size() >= s_knownPathLimit)
            m_knownPaths.clear();
        auto [known, added] = m_knownPaths.try_emplace(target);
        if (added)
            known->second.set = m_paths.get(target, known->second.text, known->second.local);
        return known->second;
    }

    /// A name's index: in the file's names, or in a piece's own.
    void name(const void* key, const std::wstring& text)
    {
        if (!m_piece)
        {
            m_body.u32(nameIndex(key, text));
            return;
        }
        auto [found, added] = m_pieceNames.try_emplace(key, static_cast<std::uint32_t>(m_piece->names.size()));
        if (added)
            m_piece->names.emplace_back(key, &text);
        m_piece->nameAt.push_back(static_cast<std::uint32_t>(m_body.size()));
        m_body.u32(found->second);
    }

    std::uint32_t nameIndex(const void* key, const std::wstring& name)
    {
        auto found = m_byKey.find(key);
        if (found != m_byKey.end())
            return found->second;
        auto byName = m_byName.find(name);
        std::uint32_t index;
        if (byName != m_byName.end())
            index = byName->second;
        else
        {
            index = static_cast<std::uint32_t>(m_names.size());
            m_names.push_back(name);
            m_byName.emplace(name, index);
        }
        m_byKey.emplace(key, index);
        return index;
    }

    bool writeMembers(const CompositeAttribute& composite, int depth)
    {
        for (unsigned int i = 0; i < composite.getAttributeCount(); ++i)
        {
            if constexpr (s_wholeFile)
                if (pieceStartsAt(&composite, i))
                {
                    i += (*m_pieces)[m_nextPiece].count - 1;
                    if (!writeWrittenPiece())
                        return false;
                    continue;
                }
            if (!writeAttribute(*composite.getAttribute(i), depth + 1))
                return false;
        }
        return true;
    }

    /// True when the next piece starts at member `index` of `composite`.
    bool pieceStartsAt(const CompositeAttribute* composite, unsigned int index) const
    {
        return m_pieces && m_nextPiece < m_pieces->size() && (*m_pieces)[m_nextPiece].container == composite &&
               (*m_pieces)[m_nextPiece].first == index;
    }

    /// Puts the next piece, as its helper wrote it, where it belongs, with its
    /// names numbered as if this thread had written it.
    bool writeWrittenPiece()
    {
        WrittenPiece& written = m_written->take(m_nextPiece++);
        if (!written.error.empty())
            return fail(written.error);
        m_numbers.clear();
        for (const auto& [key, text] : written.names)
            m_numbers.push_back(nameIndex(key, *text));
        char* bytes = written.bytes.data();
        for (std::uint32_t at : written.nameAt)
            putLittle(bytes + at, m_numbers[getU32(bytes + at)]);
        m_body.bytes().adopt(std::move(written.bytes));
        if (!m_progress.nodes(written.piece.nodes))
            return fail("cancelled");
        return true;
    }

    bool writeAttribute(const Attribute& constAttribute, int depth)
    {
        if (depth > files::s_maxDepth)
            return fail("the tree is nested too deeply to save");
        // Typed views are not const; nothing here changes the attribute.
        auto& attribute = const_cast<Attribute&>(constAttribute);
        return detail::withType(attribute.getAttributeType(),
                                [&](auto traits) { return writeTyped(traits, attribute, depth); });
    }

    template <class Traits> bool writeTyped(Traits, Attribute& attribute, int depth)
    {
        constexpr detail::TypeShape shape = Traits::s_shape;
        if constexpr (shape == detail::TypeShape::None)
            return fail("attribute of unknown type");
        else if constexpr (shape == detail::TypeShape::Node)
            return writeNode(static_cast<Node&>(attribute), depth);
        else
        {
            auto tag = static_cast<std::uint8_t>(Traits::s_type);
            if (attribute.isDynamic())
                tag |= binary::s_dynamicBit;
            std::size_t at = m_body.beginRecord(tag);
            if (!attribute.getParentAttribute() || !attribute.getParentAttribute()->isAttributeArray())
                name(&attribute.getDef(), attribute.getName());
            if constexpr (shape == detail::TypeShape::Composite)
            {
                if (attribute.isDynamic())
                    return fail(std::string("dynamic ") + Traits::s_xmlName + " attributes cannot be saved");
                if (!writeMembers(static_cast<CompositeAttribute&>(attribute), depth))
                    return false;
            }
            else
            {
                if (attribute.isDynamic())
                    definition(Traits(), attribute.getDef());
                const auto& typed = static_cast<const typename Traits::Class&>(attribute);
                if constexpr (shape == detail::TypeShape::Value)
                    Traits::writeBinary(*this, typed.getValue());
                else
                    values(typename Traits::Element(), typed.getValues());
            }
            m_body.endRecord(at);
            return true;
        }
    }

    template <class Element, class Values> void values(Element, const Values& list)
    {
        m_body.u32(static_cast<std::uint32_t>(list.size()));
        if constexpr (Element::s_packed)
            m_body.values(list);
        else
            for (const auto& value : list)
                Element::writeBinary(*this, value);
    }

    template <class Traits> void definition(Traits, const AttributeDef& def)
    {
        m_body.i32(def.getUnits());
        m_body.u8(def.hasLimits() ? 1 : 0);
        m_body.f64(def.getMinimum());
        m_body.f64(def.getMaximum());
        using Element = typename detail::ElementOf<Traits>::type;
        if constexpr (Element::s_savedDefault)
            Element::Default::writeBinary(*this, Element::defaultOf(def));
        const EnumAttributeDef* enumDef = def.asEnumAttributeDef();
        m_body.u32(enumDef ? enumDef->getStringCount() : 0);
        if (enumDef)
            for (unsigned int i = 0; i < enumDef->getStringCount(); ++i)
            {
                m_body.i32(enumDef->getStringValue(i));
                m_body.string(enumDef->getString(i));
            }
    }

    SharedPaths& m_paths;
    files::SaveProgress& m_progress;
    std::unordered_map<const Attribute*, KnownPath> m_knownPaths;
    static constexpr std::size_t s_knownPathLimit = 1 << 14;
    RecordWriter<Buffer> m_body;
    std::vector<std::wstring> m_names;
    std::unordered_map<const void*, std::uint32_t> m_byKey;
    std::unordered_map<std::wstring, std::uint32_t> m_byName;
    std::string m_error;
    const std::vector<files::SavePiece>* m_pieces = nullptr;
    PieceBuilder* m_written = nullptr;
    std::size_t m_nextPiece = 0;
    /// The file's indices of the names of the piece being put in.
    std::vector<std::uint32_t> m_numbers;
    /// The piece being written, by a helper; its names' indices by what they are looked up by.
    WrittenPiece* m_piece = nullptr;
    std::unordered_map<const void*, std::uint32_t> m_pieceNames;
};

using HelperWriter = BinaryWriter<files::OutputBuffer>;

} // namespace

SaverBinary::SaverBinary(FileOutputStream& stream, int flags) : m_stream(stream), m_flags(flags)
{
}

bool SaverBinary::save(const Attribute* root)
{
    if (!files::canSave(root, m_stream, m_error))
        return false;
    // Building the file in memory is half the work, writing it the other half.
    files::SaveProgress progress(m_progress, *root, 2);
    SharedPaths paths(root);
    BinaryWriter<BlockBuffer> writer(paths, progress);

    // Big saves: helpers write runs of nodes while this thread writes the
    // rest and puts each piece in its place. The database is read from
    // several threads: nobody else may use it meanwhile (see s_oneThread).
    const Progress noProgress;
    files::SaveProgress helperProgress(noProgress, *root, 2);
    files::Pool<std::unique_ptr<HelperWriter>> writers;
    const unsigned int workers = (m_flags & s_oneThread) ? 0 : files::loadWorkerCount();
    PieceBuilder helpers(
        [&](WrittenPiece& piece)
        {
            piece.error = "out of memory"; // unless the helper gets through
            std::unique_ptr<HelperWriter> helper = writers.take();
            if (!helper)
                helper = std::make_unique<HelperWriter>(paths, helperProgress);
            helper->writePiece(piece);
            writers.give(std::move(helper));
        },
        workers);
    std::vector<files::SavePiece> pieces;
    if (workers > 0 && files::nodesToSave(*root) > 4 * s_pieceNodes)
        pieces = files::planSavePieces(*root->asNode(), 1, s_pieceNodes,
                                       [&](const files::SavePiece& piece)
                                       {
                                           auto unit = std::make_unique<WrittenPiece>();
                                           unit->piece = piece;
                                           helpers.add(std::move(unit));
                                       });
    // Helpers stay a few pieces ahead of this thread (letting them run
    // further ahead measured slower).
    helpers.limitAhead(4 * (workers + 1));
    writer.setPieces(&pieces, &helpers);
    if (!writer.writeNode(*root->asNode(), 1))
    {
        m_error = writer.error();
        return false;
    }
    FileWriter names;
    writer.names(names);
    const FileWriter& nodes = writer.body();

    uLong crc = crc32(0L, Z_NULL, 0);
    crc = checksum(crc, names.bytes(), 0);
    crc = checksum(crc, nodes.bytes(), workers);

    FileWriter header;
    header.raw(binary::s_magic, sizeof binary::s_magic);
    header.u16(binary::s_version);
    header.u16(const_cast<Attribute*>(root)->asDatabase() ? binary::s_kindDatabase : binary::s_kindSubtree);
    header.u32(static_cast<std::uint32_t>(crc));
    header.u64(names.size() + nodes.size());

    bool written = true;
    const std::size_t fileSize = header.size() + names.size() + nodes.size();
    std::size_t writtenBytes = 0;
    // Handed over in pieces of a size the kernel copies fastest; whole blocks
    // measured markedly slower.
    auto write = [&](const char* data, std::size_t size)
    {
        constexpr std::size_t piece = std::size_t(256) << 10;
        for (std::size_t done = 0; written && done < size; done += piece)
        {
            const std::size_t length = std::min(piece, size - done);
            written = m_stream.write(data + done, length);
            writtenBytes += length;
            const std::size_t half = progress.total() / 2;
            if (written && !progress.at(half + static_cast<std::size_t>(double(half) * writtenBytes / fileSize)))
            {
                m_error = "cancelled";
                return;
            }
        }
    };
    header.bytes().forEachBlock(write);
    names.bytes().forEachBlock(write);
    nodes.bytes().forEachBlock(write);
    if (!m_error.empty())
        return false;
    if (!written || !m_stream.commit())
    {
        m_error = m_stream.getError();
        return false;
    }
    return true;
}

} // namespace db
