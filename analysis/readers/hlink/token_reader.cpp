#include "readers/hlink/token_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "core/map_error.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::uint64_t kAllBits = ~std::uint64_t{0};

std::size_t WordCount(std::size_t bytes) {
    return (bytes + 63) / 64;
}

// Bit count: one instruction where the processor has it, else a few without a library call.
template <bool kHardwarePopcount>
inline std::size_t CountBits(std::uint64_t bits) {
    if (kHardwarePopcount) {
        return static_cast<std::size_t>(__builtin_popcountll(bits));
    }
    bits = bits - ((bits >> 1) & 0x5555555555555555ull);
    bits = (bits & 0x3333333333333333ull) + ((bits >> 2) & 0x3333333333333333ull);
    bits = (bits + (bits >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<std::size_t>((bits * 0x0101010101010101ull) >> 56);
}

// Marks the separators and line feeds of up to 64 bytes, one bit per byte, byte i in bit i.
void ClassifyGroupScalar(const char* bytes, std::size_t count, std::uint64_t& separators,
                         std::uint64_t& lineFeeds) {
    std::uint64_t sep = 0;
    std::uint64_t lf = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        sep |= static_cast<std::uint64_t>(!IsTokenByte(byte)) << i;
        lf |= static_cast<std::uint64_t>(byte == '\n') << i;
    }
    separators = sep;
    lineFeeds = lf;
}

#if defined(__GNUC__)
#define TALLYFOLD_ALWAYS_INLINE inline __attribute__((always_inline))
#else
#define TALLYFOLD_ALWAYS_INLINE inline
#endif

#if defined(__SSE2__)
// The same for exactly 64 bytes, sixteen at a time: a byte is a separator when it is at most
// 0x20 (unsigned) or equal to 0x7F.
TALLYFOLD_ALWAYS_INLINE void ClassifyGroup64(const char* bytes, std::uint64_t& separators,
                                             std::uint64_t& lineFeeds) {
    const __m128i space = _mm_set1_epi8(0x20);
    const __m128i del = _mm_set1_epi8(0x7F);
    const __m128i lineFeed = _mm_set1_epi8('\n');
    std::uint64_t sep = 0;
    std::uint64_t lf = 0;
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC unroll 4
#endif
    for (int part = 0; part < 4; ++part) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * part));
        const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(x, space), x);
        const __m128i isSeparator = _mm_or_si128(low, _mm_cmpeq_epi8(x, del));
        const auto sepMask = static_cast<unsigned>(_mm_movemask_epi8(isSeparator));
        const auto lfMask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, lineFeed)));
        sep |= static_cast<std::uint64_t>(sepMask) << (16 * part);
        lf |= static_cast<std::uint64_t>(lfMask) << (16 * part);
    }
    separators = sep;
    lineFeeds = lf;
}
#else
void ClassifyGroup64(const char* bytes, std::uint64_t& separators, std::uint64_t& lineFeeds) {
    ClassifyGroupScalar(bytes, 64, separators, lineFeeds);
}
#endif

}  // namespace

namespace {

// Every byte and the end of the block can be a boundary; the writes below may run up to 16
// places past the last one.
std::size_t MaxBounds(std::size_t blockSize) {
    return blockSize + 1 + 16;
}

// Appends base + the position of every set bit, lowest first, and returns the new end. Sixteen
// positions are written at a time whatever the count, so that the loop rarely branches: a group
// of 64 bytes seldom holds more than eight tokens, that is sixteen boundaries.
template <bool kHardwarePopcount>
inline std::uint32_t* AppendBitPositions(std::uint64_t bits, std::uint32_t base,
                                         std::uint32_t* out) {
    const std::size_t count = CountBits<kHardwarePopcount>(bits);
    std::uint32_t* const end = out + count;
    while (bits != 0) {
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC unroll 16
#endif
        for (int i = 0; i < 16; ++i) {
            // The top bit keeps the count of trailing zeros defined once the bits run out.
            out[i] = base + static_cast<std::uint32_t>(__builtin_ctzll(bits | (1ull << 63)));
            bits &= bits - 1;
        }
        out += 16;
    }
    return end;
}

}  // namespace

CMapStream::CMapStream(std::FILE* file, std::string name, std::size_t blockSize)
    : m_file(file),
      m_name(std::move(name)),
      m_blockSize(std::clamp<std::size_t>(blockSize, 1, UINT32_MAX / 2)),
      m_readSize(std::max(m_blockSize, kReadSize)),
      m_buffer(new char[m_readSize]),
      m_bounds(new std::uint32_t[MaxBounds(m_blockSize)]),
      m_lineFeeds(new std::uint64_t[WordCount(m_blockSize)]) {}

CMapStream::CMapStream(std::FILE* file, std::string name, std::string_view alreadyRead)
    : CMapStream(file, std::move(name)) {
    m_memory = alreadyRead.data();
    m_memoryEnd = alreadyRead.data() + alreadyRead.size();
}

CMapStream::CMapStream(std::string_view bytes, std::string name, std::size_t blockSize)
    : m_name(std::move(name)),
      m_blockSize(std::clamp<std::size_t>(std::min(blockSize, bytes.size()), 1, UINT32_MAX / 2)),
      m_memory(bytes.data()),
      m_memoryEnd(bytes.data() + bytes.size()),
      m_bounds(new std::uint32_t[MaxBounds(m_blockSize)]),
      m_lineFeeds(new std::uint64_t[WordCount(m_blockSize)]) {}

long CMapStream::Line() const {
    return m_tokenInBlock ? LineAt(m_bounds[2 * (m_index - 1)]) : m_tokenLine;
}

// 1 + the line feeds before the offset in this block and before it. Counted from whichever end
// of the block is nearer: a block is left just after its last token.
long CMapStream::LineAt(std::size_t offset) const {
    const std::size_t word = offset / 64;
    const std::uint64_t before = kAllBits >> (63 - offset % 64) >> 1;  // bits below the offset
    std::size_t lineFeeds = 0;
    if (offset < m_blockLength / 2) {
        for (std::size_t w = 0; w < word; ++w) {
            lineFeeds += CountBits<false>(m_lineFeeds[w]);
        }
        lineFeeds += CountBits<false>(m_lineFeeds[word] & before);
        return m_blockLine + static_cast<long>(lineFeeds);
    }
    const std::size_t words = WordCount(m_blockLength);
    for (std::size_t w = word + 1; w < words; ++w) {
        lineFeeds += CountBits<false>(m_lineFeeds[w]);
    }
    lineFeeds += CountBits<false>(m_lineFeeds[word] & ~before);
    return m_blockLine + m_blockLineFeeds - static_cast<long>(lineFeeds);
}

namespace {

struct SplitCounts {
    std::size_t bounds;
    std::size_t lineFeeds;
};

// Finds every token boundary of a block in one pass, 64 bytes at a time: a token starts at a
// token byte after a separator (or at the block's start) and ends at a separator after a token
// byte, so the boundaries are where the kind of byte changes, starts and ends in turn.
template <bool kHardwarePopcount>
inline SplitCounts SplitGroups(const char* block, std::size_t length, std::uint32_t* bounds,
                               std::uint64_t* lineFeedBits) {
    std::uint32_t* const firstBound = bounds;
    std::uint64_t previousIsToken = 0;  // the byte before the block counts as a separator
    std::size_t lineFeeds = 0;
    const std::size_t words = WordCount(length);
    for (std::size_t word = 0; word < words; ++word) {
        const std::size_t base = 64 * word;
        const std::size_t count = std::min<std::size_t>(64, length - base);
        std::uint64_t separators = 0;
        if (count == 64) {
            ClassifyGroup64(block + base, separators, lineFeedBits[word]);
        } else {
            ClassifyGroupScalar(block + base, count, separators, lineFeedBits[word]);
            separators |= kAllBits << count;  // nothing past the end belongs to a token
        }
        lineFeeds += CountBits<kHardwarePopcount>(lineFeedBits[word]);
        const std::uint64_t tokenBytes = ~separators;
        const std::uint64_t changes = tokenBytes ^ ((tokenBytes << 1) | previousIsToken);
        previousIsToken = tokenBytes >> 63;
        bounds = AppendBitPositions<kHardwarePopcount>(changes, static_cast<std::uint32_t>(base),
                                                       bounds);
    }
    return {static_cast<std::size_t>(bounds - firstBound), lineFeeds};
}

SplitCounts SplitPortable(const char* block, std::size_t length, std::uint32_t* bounds,
                          std::uint64_t* lineFeedBits) {
    return SplitGroups<false>(block, length, bounds, lineFeedBits);
}

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
// Most x86 processors count bits in one instruction, but the baseline instruction set lacks it.
__attribute__((target("popcnt"))) SplitCounts SplitWithPopcount(const char* block,
                                                                std::size_t length,
                                                                std::uint32_t* bounds,
                                                                std::uint64_t* lineFeedBits) {
    return SplitGroups<true>(block, length, bounds, lineFeedBits);
}

SplitCounts Split(const char* block, std::size_t length, std::uint32_t* bounds,
                  std::uint64_t* lineFeedBits) {
    static const bool hasPopcount = __builtin_cpu_supports("popcnt");
    return hasPopcount ? SplitWithPopcount(block, length, bounds, lineFeedBits)
                       : SplitPortable(block, length, bounds, lineFeedBits);
}
#else
SplitCounts Split(const char* block, std::size_t length, std::uint32_t* bounds,
                  std::uint64_t* lineFeedBits) {
    return SplitPortable(block, length, bounds, lineFeedBits);
}
#endif

}  // namespace

void CMapStream::SplitBlock() {
    const SplitCounts counts = Split(m_block, m_blockLength, m_bounds.get(), m_lineFeeds.get());
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
        errno = 0;
        const std::size_t count = std::fread(m_buffer.get(), 1, m_readSize, m_file);
        if (count == 0 && std::ferror(m_file)) {
            const int error = errno;
            throw MapError(m_name, 0,
                           std::string("read error: ") +
                               (error != 0 ? std::strerror(error) : "the file could not be read"));
        }
        m_memory = m_buffer.get();
        m_memoryEnd = m_memory + count;
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
