#include "text/words.h"

#include <algorithm>

std::vector<MapWord> SplitWords(std::string_view line) {
    std::vector<MapWord> words;
    ForEachWord(line, [&](std::size_t start, std::size_t end) {
        words.push_back({line.substr(start, end - start), start});
        return true;
    });
    return words;
}

std::string_view TrimRight(std::string_view text) {
    while (!text.empty() && !IsTokenByte(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && !IsTokenByte(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    return TrimRight(text);
}

namespace {

constexpr std::uint64_t kAllBits = ~std::uint64_t{0};

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

// The same for exactly 64 bytes, sixteen at a time.
TALLYFOLD_ALWAYS_INLINE void ClassifyGroup64(const char* bytes, std::uint64_t& separators,
                                             std::uint64_t& lineFeeds) {
    std::uint64_t sep = 0;
    std::uint64_t lf = 0;
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC unroll 4
#endif
    for (int part = 0; part < 4; ++part) {
        std::uint32_t sepMask = 0;
        std::uint32_t lfMask = 0;
        words_detail::SeparatorAndLineFeedBits16(bytes + 16 * part, sepMask, lfMask);
        sep |= static_cast<std::uint64_t>(sepMask) << (16 * part);
        lf |= static_cast<std::uint64_t>(lfMask) << (16 * part);
    }
    separators = sep;
    lineFeeds = lf;
}

// Appends base + the position of every set bit, lowest first, and returns the new end. Sixteen
// positions are written at a time whatever the count, so that the loop rarely branches: a group
// of 64 bytes seldom holds more than eight words, that is sixteen boundaries.
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

template <bool kHardwarePopcount>
inline WordBoundsFound SplitGroups(const char* block, std::size_t length, std::uint32_t* bounds,
                                   std::uint64_t* lineFeedBits) {
    std::uint32_t* const firstBound = bounds;
    std::uint64_t previousIsToken = 0;  // the byte before the block counts as a separator
    std::size_t lineFeeds = 0;
    const std::size_t words = (length + 63) / 64;
    for (std::size_t word = 0; word < words; ++word) {
        const std::size_t base = 64 * word;
        const std::size_t count = std::min<std::size_t>(64, length - base);
        std::uint64_t separators = 0;
        if (count == 64) {
            ClassifyGroup64(block + base, separators, lineFeedBits[word]);
        } else {
            ClassifyGroupScalar(block + base, count, separators, lineFeedBits[word]);
            separators |= kAllBits << count;  // nothing past the end belongs to a word
        }
        lineFeeds += CountBits<kHardwarePopcount>(lineFeedBits[word]);
        const std::uint64_t edges =
            words_detail::WordEdges<std::uint64_t>(~separators, previousIsToken, 64);
        bounds =
            AppendBitPositions<kHardwarePopcount>(edges, static_cast<std::uint32_t>(base), bounds);
    }
    return {static_cast<std::size_t>(bounds - firstBound), lineFeeds};
}

WordBoundsFound SplitPortable(const char* block, std::size_t length, std::uint32_t* bounds,
                              std::uint64_t* lineFeedBits) {
    return SplitGroups<false>(block, length, bounds, lineFeedBits);
}

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
// Most x86 processors count bits in one instruction, but the baseline instruction set lacks it.
__attribute__((target("popcnt"))) WordBoundsFound SplitWithPopcount(const char* block,
                                                                    std::size_t length,
                                                                    std::uint32_t* bounds,
                                                                    std::uint64_t* lineFeedBits) {
    return SplitGroups<true>(block, length, bounds, lineFeedBits);
}
#endif

}  // namespace

std::size_t CountLineFeeds(const std::uint64_t* lineFeedBits, std::size_t from, std::size_t to) {
    std::size_t count = 0;
    while (from < to) {
        const std::size_t word = from / 64;
        const std::size_t first = from % 64;
        const std::size_t last = std::min<std::size_t>(to - 64 * word, 64);  // after the bits
        std::uint64_t bits = lineFeedBits[word] >> first;
        if (last - first < 64) {
            bits &= (std::uint64_t{1} << (last - first)) - 1;
        }
        count += CountBits<false>(bits);
        from = 64 * word + last;
    }
    return count;
}

WordBoundsFound FindWordBounds(const char* block, std::size_t length, std::uint32_t* bounds,
                               std::uint64_t* lineFeedBits) {
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
    static const bool hasPopcount = __builtin_cpu_supports("popcnt");
    return hasPopcount ? SplitWithPopcount(block, length, bounds, lineFeedBits)
                       : SplitPortable(block, length, bounds, lineFeedBits);
#else
    return SplitPortable(block, length, bounds, lineFeedBits);
#endif
}
