#include "readers/hlink/token_reader.h"

#include <algorithm>

#include "core/map_error.h"
#include "text/lines.h"
#include "text/words.h"

namespace {

std::size_t WordCount(std::size_t bytes) {
    return (bytes + 63) / 64;
}

}  // namespace

CMapStream::CMapStream(CMapFile& file, std::string_view alreadyRead, std::size_t blockSize)
    : m_file(&file),
      m_name(file.Name()),
      m_blockSize(std::clamp<std::size_t>(blockSize, 1, UINT32_MAX / 2)),
      m_readSize(std::max(m_blockSize, kReadSize)),
      m_buffer(new char[m_readSize]),
      m_memory(alreadyRead.data()),
      m_memoryEnd(alreadyRead.data() + alreadyRead.size()),
      m_bounds(new std::uint32_t[MaxWordBounds(m_blockSize)]),
      m_lineFeeds(new std::uint64_t[WordCount(m_blockSize)]) {}

CMapStream::CMapStream(std::string_view bytes, std::string name, std::size_t blockSize)
    : m_name(std::move(name)),
      m_blockSize(std::clamp<std::size_t>(std::min(blockSize, bytes.size()), 1, UINT32_MAX / 2)),
      m_memory(bytes.data()),
      m_memoryEnd(bytes.data() + bytes.size()),
      m_bounds(new std::uint32_t[MaxWordBounds(m_blockSize)]),
      m_lineFeeds(new std::uint64_t[WordCount(m_blockSize)]) {}

long CMapStream::Line() const {
    return m_tokenInBlock ? LineAt(m_bounds[2 * (m_index - 1)]) : m_tokenLine;
}

// 1 + the line feeds before the offset in this block and before it. Counted from whichever end
// of the block is nearer: a block is left just after its last token.
long CMapStream::LineAt(std::size_t offset) const {
    if (offset < m_blockLength / 2) {
        return m_blockLine + static_cast<long>(CountLineFeeds(m_lineFeeds.get(), 0, offset));
    }
    return m_blockLine + m_blockLineFeeds -
           static_cast<long>(CountLineFeeds(m_lineFeeds.get(), offset, m_blockLength));
}

void CMapStream::SplitBlock() {
    const WordBoundsFound counts =
        FindWordBounds(m_block, m_blockLength, m_bounds.get(), m_lineFeeds.get());
    std::size_t bounds = counts.bounds;
    // A boundary at the block's length is the padding after a token that runs to the end.
    if (bounds > 0 && m_bounds[bounds - 1] >= m_blockLength) {
        --bounds;
    }
    m_startCount = (bounds + 1) / 2;
    m_endCount = bounds / 2;
    m_blockLineFeeds = static_cast<long>(counts.lineFeeds);
}

// Moves to the next block; false at the end of input. A read error is not the end of the map.
bool CMapStream::LoadBlock() {
    if (m_tokenInBlock) {
        m_tokenLine = Line();
        m_tokenInBlock = false;
    }
    if (m_memory == m_memoryEnd && m_file != nullptr) {
        const std::size_t count = m_file->Read(m_buffer.get(), m_readSize);
        m_memory = m_buffer.get();
        m_memoryEnd = m_memory + count;
    }
    if (m_atStart) {
        m_atStart = false;
        const std::string_view first(m_memory, static_cast<std::size_t>(m_memoryEnd - m_memory));
        m_memory += first.size() - WithoutByteOrderMark(first).size();
    }
    const std::size_t count =
        std::min(m_blockSize, static_cast<std::size_t>(m_memoryEnd - m_memory));
    m_block = m_memory;
    m_memory += count;
    m_blockLine += m_blockLineFeeds;
    m_blockLineFeeds = 0;
    m_blockLength = count;
    m_index = 0;
    m_startCount = 0;
    m_endCount = 0;
    if (count == 0) {
        return false;
    }
    SplitBlock();
    return true;
}

// Everything the inline path leaves: new blocks, the end of input, and tokens that cross a
// block boundary.
std::string_view CMapStream::NextTokenSlow() {
    while (m_index == m_startCount) {
        if (!LoadBlock()) {
            return {};
        }
        if (m_index < m_endCount) {
            return NextToken();
        }
    }

    // The token runs up to the end of the block: gather it across blocks, whatever its length.
    const std::size_t start = m_bounds[2 * m_index];
    ++m_index;
    m_tokenLine = LineAt(start);
    m_tokenInBlock = false;
    m_spill.assign(m_block + start, m_blockLength - start);
    while (LoadBlock()) {
        if (m_startCount == 0 || m_bounds[0] != 0) {
            break;  // the block starts with a separator
        }
        m_index = 1;
        if (m_endCount > 0) {
            m_spill.append(m_block, m_bounds[1]);
            break;
        }
        m_spill.append(m_block, m_blockLength);
    }
    return m_spill;
}
