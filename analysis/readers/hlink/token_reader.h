#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/map_file.h"

// The words of a link map as a stream of tokens (see text/words.h), read in blocks either from a
// map file (not owned) or from memory, with the line number of the last token handed out. A
// byte-order mark at the start of the map is no token.
class CMapStream {
public:
    // Files are read kReadSize bytes at a time and split into tokens kBlockSize bytes at a time:
    // few system calls, and a block and its token offsets stay in the first-level cache while
    // the scan takes them.
    static constexpr std::size_t kBlockSize = 16 * 1024;
    static constexpr std::size_t kReadSize = 128 * 1024;

    // The bytes already read from the file, if any (held by the caller while the stream is in
    // use), then the rest of the file. A block size other than the default is for tests that
    // move tokens across block boundaries.
    explicit CMapStream(CMapFile& file, std::string_view alreadyRead = {},
                        std::size_t blockSize = kBlockSize);
    explicit CMapStream(std::string_view bytes, std::string name = "<memory>",
                        std::size_t blockSize = kBlockSize);

    CMapStream(const CMapStream&) = delete;
    CMapStream& operator=(const CMapStream&) = delete;

    const std::string& Name() const { return m_name; }

    // The line of the last token handed out (the first line is 1), 0 before the first token.
    long Line() const;

private:
    friend std::string_view ReadToken(CMapStream& stream);
    friend class CTokenCursor;

    std::string_view NextToken();
    std::string_view NextTokenSlow();
    bool LoadBlock();
    void SplitBlock();
    long LineAt(std::size_t offset) const;

    CMapFile* m_file = nullptr;
    std::string m_name;
    std::size_t m_blockSize;
    std::size_t m_readSize = 0;
    std::unique_ptr<char[]> m_buffer;  // the last bytes read from a file
    const char* m_memory = nullptr;    // the bytes in memory or read not yet taken into a block
    const char* m_memoryEnd = nullptr;
    bool m_atStart = true;  // before the first block: a byte-order mark is still to be passed

    // The current block is split into tokens as soon as it is read: m_bounds holds, for each
    // token in turn, the offset of its first byte and the offset of the separator after it. A
    // token that runs to the end of the block has a start but no end. m_lineFeeds has one bit
    // per byte, set for 0x0A.
    const char* m_block = nullptr;
    std::size_t m_blockLength = 0;
    std::unique_ptr<std::uint32_t[]> m_bounds;
    std::unique_ptr<std::uint64_t[]> m_lineFeeds;
    std::size_t m_startCount = 0;
    std::size_t m_endCount = 0;
    std::size_t m_index = 0;  // the next token of the block to hand out
    long m_blockLine = 1;     // line number of the block's first byte
    long m_blockLineFeeds = 0;

    // The line of the last token is worked out only when asked for: from its start while it lies
    // in the current block (m_index - 1), else from m_tokenLine.
    bool m_tokenInBlock = false;
    long m_tokenLine = 0;

    std::string m_spill;  // a token that crosses a block boundary is assembled here
};

// Returns the next token of the stream, or an empty view at the end of input. The view stays
// valid until the next call. A failed read throws MapError.
inline std::string_view ReadToken(CMapStream& stream) {
    return stream.NextToken();
}

// The common case inline: the next token lies whole in the current block.
inline std::string_view CMapStream::NextToken() {
    if (m_index < m_endCount) {
        const std::uint32_t start = m_bounds[2 * m_index];
        const std::uint32_t end = m_bounds[2 * m_index + 1];
        ++m_index;
        m_tokenInBlock = true;
        return std::string_view(m_block + start, end - start);
    }
    return NextTokenSlow();
}

// Reads a stream's tokens exactly as ReadToken does, for loops that read many in a row: the
// position within the current block is kept in the cursor (in registers, once inlined) rather
// than in the stream. While a cursor is in use, read the stream only through it; Line() and the
// stream itself are up to date after Sync() and when the cursor is destroyed.
class CTokenCursor {
public:
    explicit CTokenCursor(CMapStream& stream) : m_stream(stream) { Load(); }
    ~CTokenCursor() { Sync(); }

    CTokenCursor(const CTokenCursor&) = delete;
    CTokenCursor& operator=(const CTokenCursor&) = delete;

    std::string_view Next() {
        if (m_index < m_endCount) {
            const std::uint32_t start = m_bounds[2 * m_index];
            const std::uint32_t end = m_bounds[2 * m_index + 1];
            ++m_index;
            m_handedOut = true;
            return std::string_view(m_block + start, end - start);
        }
        Sync();
        const std::string_view token = m_stream.NextTokenSlow();
        Load();
        return token;
    }

    // Passes over the next count tokens without looking at them; false when the input ends first.
    bool Skip(std::size_t count) {
        if (m_index + count <= m_endCount) {
            m_index += count;
            m_handedOut = m_handedOut || count != 0;
            return true;
        }
        for (std::size_t i = 0; i < count; ++i) {
            if (Next().empty()) {
                return false;
            }
        }
        return true;
    }

    // Whether the next `count` tokens lie whole in the current block: reading them leaves every
    // view handed out so far valid, which reading past the block need not.
    bool InBlock(std::size_t count) const { return m_index + count <= m_endCount; }

    void Sync() {
        m_stream.m_index = m_index;
        if (m_handedOut) {
            m_stream.m_tokenInBlock = true;
            m_handedOut = false;
        }
    }

private:
    void Load() {
        m_block = m_stream.m_block;
        m_bounds = m_stream.m_bounds.get();
        m_index = m_stream.m_index;
        m_endCount = m_stream.m_endCount;
    }

    CMapStream& m_stream;
    const char* m_block = nullptr;
    const std::uint32_t* m_bounds = nullptr;
    std::size_t m_index = 0;
    std::size_t m_endCount = 0;
    bool m_handedOut = false;
};
