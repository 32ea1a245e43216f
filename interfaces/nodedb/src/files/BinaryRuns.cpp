#include "BinaryRuns.h"

#include <db/AttributeType.h>

#include "BinaryFormat.h"

#include <memory>

namespace db::files
{

namespace
{

/// Node records up to this size join runs; bigger ones are looked into.
constexpr std::size_t s_smallNode = std::size_t(64) << 10;
/// Runs, and batches of runs, close at this size.
constexpr std::size_t s_runSize = std::size_t(256) << 10;

/// Finds the runs of small sibling node records by their record headers
/// alone, at the depths the reader will read them at.
class RunFinder
{
public:
    explicit RunFinder(std::vector<RunPlace>& places) : m_places(places) {}

    /// The payload of a node record read at `depth`; false on anything malformed.
    bool node(ByteReader payload, int depth)
    {
        payload.u32();
        const std::uint32_t nameLength = payload.u32();
        return payload.skip(nameLength) && members(payload, depth);
    }

private:
    /// Member records that the reader reads with readMembers at `depth`.
    bool members(ByteReader records, int depth)
    {
        while (!records.atEnd())
        {
            std::uint8_t tag = 0;
            ByteReader payload(nullptr, 0);
            if (!records.record(tag, payload))
                return false;
            const int attributeDepth = depth + 1;
            bool ok = true;
            switch (tag)
            {
            case NodeContainerType:
                ok = payload.skip(4) && container(payload, attributeDepth);
                break;
            case Compound:
                ok = payload.skip(4) && members(payload, attributeDepth);
                break;
            case AttributeArrayType:
                ok = payload.skip(4);
                while (ok && !payload.atEnd())
                {
                    ByteReader item(nullptr, 0);
                    ok = payload.record(tag, item) && members(item, attributeDepth + 1);
                }
                break;
            default:
                break; // values, and dynamic attributes, which hold no nodes
            }
            if (!ok)
                return false;
        }
        return true;
    }

    /// The node records of a container read at `depth`.
    bool container(ByteReader records, int depth)
    {
        bool open = false;
        while (!records.atEnd())
        {
            const std::size_t at = records.offset();
            std::uint8_t tag = 0;
            ByteReader payload(nullptr, 0);
            if (!records.record(tag, payload) || tag != binary::s_tagNode)
                return false;
            const std::size_t bytes = records.offset() - at;
            if (bytes > s_smallNode)
            {
                open = false;
                if (!node(payload, depth + 1))
                    return false;
                continue;
            }
            if (!open || m_places.back().bytes >= s_runSize)
                m_places.push_back(RunPlace{at, 0, depth + 1});
            open = true;
            m_places.back().bytes += bytes;
        }
        return true;
    }

    std::vector<RunPlace>& m_places;
};

} // namespace

bool findRuns(ByteReader nodePayload, int depth, std::vector<RunPlace>& places)
{
    return RunFinder(places).node(nodePayload, depth);
}

ParallelRuns::ParallelRuns(const std::vector<RunPlace>& places, std::function<void(BinaryBatch&)> build)
    : m_builder(std::move(build), loadWorkerCount()), m_units(m_builder)
{
    std::unique_ptr<BinaryBatch> batch;
    for (std::size_t i = 0; i < places.size(); ++i)
    {
        if (!batch)
        {
            batch = std::make_unique<BinaryBatch>();
            batch->first = i;
        }
        batch->units.emplace_back();
        batch->bytes += places[i].bytes;
        if (batch->bytes >= s_runSize)
            m_builder.add(std::move(batch));
    }
    if (batch)
        m_builder.add(std::move(batch));
}

ParallelRuns::~ParallelRuns()
{
    m_builder.stop();
}

bool ParallelRuns::help(const std::function<bool(std::size_t)>& built)
{
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < m_builder.size(); ++i)
    {
        if (!m_builder.buildOne())
            break;
        bytes += s_runSize;
        if (built && !built(bytes))
            return false;
    }
    return true;
}

} // namespace db::files
