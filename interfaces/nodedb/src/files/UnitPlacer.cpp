#include "UnitPlacer.h"

#include <db/Node.h>
#include <db/NodeContainer.h>
#include <db/NodeContainerDef.h>

#include "Editor.h"

namespace db::files
{

namespace
{

/// Nodes in a run: a few dozen runs for a large file, each a good while of
/// work for a worker, yet the last, told on the reading thread, takes little.
constexpr std::size_t s_runNodes = 2048;

} // namespace

bool UnitPlacer::place(NodeContainer& container, BuiltUnit& unit)
{
    const NodeContainerDef& def = container.getContainerDef();
    for (const NodeDef* type : unit.types)
        if (!type || !def.accepts(*type))
            return false;
    if (!m_open)
        m_open = std::make_unique<Run>();
    auto& children = detail::Editor::children(container);
    m_open->pieces.push_back(Run::Piece{&container, children.size(), unit.nodes.size()});
    for (Node* node : unit.nodes)
        children.push_back(node);
    m_open->nodes.insert(m_open->nodes.end(), unit.nodes.begin(), unit.nodes.end());
    unit.nodes.clear();
    unit.types.clear();
    if (m_open->nodes.size() >= s_runNodes)
        m_helpers.addTask([run = std::shared_ptr<Run>(std::move(m_open))] { tell(*run); });
    return true;
}

void UnitPlacer::settle() noexcept
{
    // The open run is told here rather than handed over: settling may come
    // while a failure unwinds, when nothing more should be allocated.
    if (m_open)
    {
        tell(*m_open);
        m_open.reset();
    }
    m_helpers.finishTasks();
}

void UnitPlacer::tell(Run& run)
{
    // The nodes lie all over the heap: each is fetched a few nodes ahead.
    constexpr std::size_t ahead = 8;
    std::size_t next = 0;
    for (const Run::Piece& piece : run.pieces)
        for (std::size_t k = 0; k < piece.count; ++k, ++next)
        {
            if (next + ahead < run.nodes.size())
                __builtin_prefetch(run.nodes[next + ahead], 1);
            detail::Editor::setParentRaw(*run.nodes[next], piece.container, static_cast<unsigned int>(piece.first + k));
        }
}

} // namespace db::files
