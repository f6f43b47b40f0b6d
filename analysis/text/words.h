#pragma once

// The words of a map: runs of token bytes between separators. Token bytes are everything but the
// control bytes 0x00-0x1F, the space and DEL; bytes from 0x80 up belong to words, so that names in
// any single-byte or UTF-8 encoding stay whole. Every reader splits its input here: a block of a
// streamed map at once (FindWordBounds), a line word by word (ForEachWord, CLineWords,
// SplitWords). Both find a word's ends the same way, sixteen bytes at a time: where the kind of
// byte changes.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

inline bool IsTokenByte(unsigned char byte) {
    return byte > 0x20 && byte != 0x7F;
}

namespace words_detail {

#if defined(__SSE2__)
// Set in the bytes of x that are separators: at most 0x20 (unsigned) or equal to 0x7F.
inline __m128i SeparatorBytes(__m128i x) {
    const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(x, _mm_set1_epi8(0x20)), x);
    return _mm_or_si128(low, _mm_cmpeq_epi8(x, _mm_set1_epi8(0x7F)));
}
#endif

// One bit per byte of 16, byte i in bit i: set for a token byte.
inline std::uint32_t TokenBits16(const char* bytes) {
#if defined(__SSE2__)
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    return ~static_cast<std::uint32_t>(_mm_movemask_epi8(SeparatorBytes(x))) & 0xFFFFu;
#else
    std::uint32_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        bits |= static_cast<std::uint32_t>(IsTokenByte(static_cast<unsigned char>(bytes[i]))) << i;
    }
    return bits;
#endif
}

// The same for the separators of 16 bytes, with the line feeds among them.
inline void SeparatorAndLineFeedBits16(const char* bytes, std::uint32_t& separators,
                                       std::uint32_t& lineFeeds) {
#if defined(__SSE2__)
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    separators = static_cast<std::uint32_t>(_mm_movemask_epi8(SeparatorBytes(x)));
    lineFeeds =
        static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, _mm_set1_epi8('\n'))));
#else
    separators = 0;
    lineFeeds = 0;
    for (int i = 0; i < 16; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        separators |= static_cast<std::uint32_t>(!IsTokenByte(byte)) << i;
        lineFeeds |= static_cast<std::uint32_t>(byte == '\n') << i;
    }
#endif
}

// Where words start and end in a group of `width` bytes whose token bytes are `tokenBits` (no bit
// set above the group): the bits where the kind of byte differs from the byte before it, starts
// and ends in turn. `previous` is 1 when the byte before the group is a token byte, and is left
// so for the next group.
template <typename Bits>
inline Bits WordEdges(Bits tokenBits, Bits& previous, unsigned width) {
    const Bits edges = tokenBits ^ ((tokenBits << 1) | previous);
    previous = tokenBits >> (width - 1);
    return edges;
}

}  // namespace words_detail

#if defined(__GNUC__)
#define TALLYFOLD_ALWAYS_INLINE inline __attribute__((always_inline))
#else
#define TALLYFOLD_ALWAYS_INLINE inline
#endif

// Calls visit(start, end) with the offsets of each word of the line in turn while it returns
// true. No byte outside the line is read. Always inline: the line readers split every line, and
// the loop is fastest inside the reader's own.
template <typename Visit>
TALLYFOLD_ALWAYS_INLINE void ForEachWord(std::string_view line, Visit&& visit) {
    const char* const bytes = line.data();
    const std::size_t n = line.size();
    std::uint32_t previous = 0;
    std::size_t start = 0;
    bool inWord = false;
    for (std::size_t base = 0; base < n; base += 16) {
        std::uint32_t tokens = 0;
        if (n - base >= 16) {
            tokens = words_detail::TokenBits16(bytes + base);
        } else if (n >= 16) {
            // The line's last 16 bytes, moved down to the group's.
            tokens = words_detail::TokenBits16(bytes + n - 16) >> (16 - (n - base));
        } else {
            char tail[16] = {};  // zeros are separators
            std::memcpy(tail, bytes + base, n - base);
            tokens = words_detail::TokenBits16(tail);
        }
        std::uint32_t edges =
            words_detail::WordEdges<std::uint32_t>(tokens, previous, 16) & 0xFFFFu;
        while (edges != 0) {
            const std::size_t at = base + static_cast<std::size_t>(__builtin_ctz(edges));
            edges &= edges - 1;
            if (!inWord) {
                start = at;
                inWord = true;
            } else {
                inWord = false;
                if (!visit(start, at)) {
                    return;
                }
            }
        }
    }
    if (inWord) {
        visit(start, n);
    }
}

// A word of a line and where it starts.
struct MapWord {
    std::string_view text;
    std::size_t offset = 0;  // of its first byte in the line
};

// The words of a line. A line may hold millions of them, but readers need only the first few (key
// words, headings) and the last few (a record's fields and name): those are kept; any other is
// found by walking the line again, and ForEach walks them all.
class CLineWords {
public:
    static constexpr std::size_t kKept = 8;

    explicit CLineWords(std::string_view line) : m_line(line) {
        ForEachWord(line, [this](std::size_t start, std::size_t end) {
            const Bounds bounds{start, end};
            if (m_count < kKept) {
                m_first[m_count] = bounds;
            }
            m_last[m_count % kKept] = bounds;
            ++m_count;
            return true;
        });
    }

    std::size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    MapWord back() const { return (*this)[m_count - 1]; }
    std::string_view Line() const { return m_line; }

    // Word `index`, which must be below size().
    MapWord operator[](std::size_t index) const {
        if (index < kKept) {
            return Make(m_first[index]);
        }
        if (index + kKept >= m_count) {
            return Make(m_last[index % kKept]);
        }
        Bounds found{0, 0};
        ForEach([&](std::size_t i, MapWord word) {
            found = {word.offset, word.offset + word.text.size()};
            return i < index;
        });
        return Make(found);
    }

    // Calls visit(index, word) for each word in turn while it returns true.
    template <typename Visit>
    void ForEach(Visit&& visit) const {
        std::size_t index = 0;
        ForEachWord(m_line, [&](std::size_t start, std::size_t end) {
            return visit(index++, Make({start, end}));
        });
    }

private:
    struct Bounds {
        std::size_t start;
        std::size_t end;
    };

    MapWord Make(Bounds bounds) const {
        return {m_line.substr(bounds.start, bounds.end - bounds.start), bounds.start};
    }

    std::string_view m_line;
    std::size_t m_count = 0;
    Bounds m_first[kKept];  // words 0 to kKept - 1
    Bounds m_last[kKept];   // the last kKept words, word i at i % kKept
};

// Every word of the line, for readers of small parts of a map.
std::vector<MapWord> SplitWords(std::string_view line);

// Whether the words (of SplitWords or CLineWords) are exactly these, in this order.
template <typename Words>
bool WordsAre(const Words& words, std::initializer_list<std::string_view> expected) {
    if (words.size() != expected.size()) {
        return false;
    }
    std::size_t i = 0;
    for (std::string_view word : expected) {
        if (words[i++].text != word) {
            return false;
        }
    }
    return true;
}

// The text without the separators at its end, or at both ends.
std::string_view TrimRight(std::string_view text);
std::string_view Trim(std::string_view text);

// The boundaries of the words of a block found in one pass, 64 bytes at a time: `bounds` gets,
// for each word in turn, the offset of its first byte and the offset of the separator after it
// (a word that runs to the end of the block may be given the block's length as its end, or no
// end); `lineFeedBits` one bit per byte, set for 0x0A. The
// caller gives room for MaxWordBounds(length) bounds and (length + 63) / 64 words of bits.
struct WordBoundsFound {
    std::size_t bounds;     // how many were written
    std::size_t lineFeeds;  // how many line feeds the block holds
};
WordBoundsFound FindWordBounds(const char* block, std::size_t length, std::uint32_t* bounds,
                               std::uint64_t* lineFeedBits);

// The line feeds among bytes [from, to) of a block, from the bits FindWordBounds gave.
std::size_t CountLineFeeds(const std::uint64_t* lineFeedBits, std::size_t from, std::size_t to);

// Every byte and the end of the block can be a boundary; the writes may run up to 16 places past
// the last one.
constexpr std::size_t MaxWordBounds(std::size_t blockSize) {
    return blockSize + 1 + 16;
}
