#include "XmlPieces.h"

#include "SavePaths.h"

#include <memory>
#include <utility>

namespace db::files
{

namespace
{

/// Pieces of about this many nodes are written by helper threads; smaller saves are written by one.
/// A piece this small (a few hundred KB of text) is still in the cache when
/// the saving thread copies it into the file; pieces of a megabyte had left
/// it, and the copy cost twice as much.
constexpr std::size_t s_pieceNodes = 250;

} // namespace

XmlPieces::XmlPieces(WritePiece write)
    : m_written(
          [this, write = std::move(write)](WrittenPiece& piece)
          {
              piece.error = "out of memory"; // unless the helper gets through
              write(piece, m_buffers);
          },
          loadWorkerCount())
{
}

void XmlPieces::plan(const Node& root, const StandIns& standIns, bool topNodes)
{
    // Top nodes from elsewhere are not counted first: planning costs less,
    // and helpers only start for more than one piece.
    if (loadWorkerCount() > 0 && (topNodes || nodesToSave(root) > 4 * s_pieceNodes))
        m_pieces = planSavePieces(
            root, 1, s_pieceNodes,
            [&](const SavePiece& piece)
            {
                auto unit = std::make_unique<WrittenPiece>();
                unit->piece = piece;
                m_written.add(std::move(unit));
            },
            standIns);
    // Once planned, helpers stay a few pieces ahead of the file, so that what
    // waits in memory stays small; while this thread plans, the file waits
    // for it, and the helpers write what it has planned.
    m_written.limitAhead(4 * (loadWorkerCount() + 1));
}

void XmlPieces::done(WrittenPiece& piece)
{
    piece.text.clear();
    m_buffers.give(std::move(piece.text));
}

} // namespace db::files
