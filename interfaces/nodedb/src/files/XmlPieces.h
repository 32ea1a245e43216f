#pragma once

// The pieces of a big XML save that helper threads write while the saving
// thread writes the rest: each in a buffer of its own, handed to the saving
// thread in file order and the buffer then kept for the next piece.

#include <db/Node.h>

#include "OutputBuffer.h"
#include "Pool.h"
#include "SavePieces.h"
#include "UnitBuilder.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace db::files
{

/// What a helper thread wrote of one piece.
struct WrittenPiece
{
    SavePiece piece;
    OutputBuffer text;
    std::string error;
};

class XmlPieces
{
public:
    using Buffers = Pool<OutputBuffer>;
    /// Writes `piece` on a helper thread, into a buffer taken from `buffers`.
    using WritePiece = std::function<void(WrittenPiece& piece, Buffers& buffers)>;

    explicit XmlPieces(WritePiece write);

    /// Plans the pieces of a save of `root` (at depth 1), when it is big
    /// enough to share, and starts the helpers on them; `topNodes`: the save
    /// writes `standIns` in place of the database's own top nodes.
    void plan(const Node& root, const StandIns& standIns, bool topNodes);

    /// True when the next piece starts at child `index` of `composite`.
    bool startsAt(const CompositeAttribute* composite, unsigned int index) const
    {
        return m_next < m_pieces.size() && m_pieces[m_next].container == composite && m_pieces[m_next].first == index;
    }

    const SavePiece& next() const { return m_pieces[m_next]; }
    /// The next piece, once its helper has written it.
    WrittenPiece& takeNext() { return m_written.take(m_next++); }
    /// The buffer of a piece whose text is in the file.
    void done(WrittenPiece& piece);

private:
    std::vector<SavePiece> m_pieces;
    std::size_t m_next = 0;
    Buffers m_buffers;
    // Last: its helpers stop before what they use goes.
    UnitBuilder<WrittenPiece> m_written;
};

} // namespace db::files
