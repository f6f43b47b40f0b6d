#include "token_reader.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "map_error.h"
#include "wrapping.h"

namespace {

constexpr std::size_t kBlockSize = 64 * 1024;

}  // namespace

CMapStream::CMapStream(std::FILE* file, std::string name)
    : m_file(file), m_name(std::move(name)), m_buffer(new char[kBlockSize]) {}

CMapStream::CMapStream(std::string_view bytes, std::string name)
    : m_name(std::move(name)), m_pos(bytes.data()), m_end(bytes.data() + bytes.size()) {}

// Reads the next block; false at the end of input. A read error is not the end of the map.
bool CMapStream::Refill() {
    if (m_file == nullptr) {
        return false;
    }
    errno = 0;
    const std::size_t count = std::fread(m_buffer.get(), 1, kBlockSize, m_file);
    if (count == 0) {
        if (std::ferror(m_file)) {
            const int error = errno;
            throw MapError(m_name, 0,
                           std::string("read error: ") +
                               (error != 0 ? std::strerror(error) : "the file could not be read"));
        }
        return false;
    }
    m_pos = m_buffer.get();
    m_end = m_pos + count;
    return true;
}

std::string_view ReadToken(CMapStream& stream) {
    // Skip separators, counting lines on the way; tokens never hold a line feed.
    for (;;) {
        const char* pos = stream.m_pos;
        const char* const end = stream.m_end;
        while (pos != end && !IsTokenByte(static_cast<unsigned char>(*pos))) {
            stream.m_line += (*pos == '\n');
            ++pos;
        }
        stream.m_pos = pos;
        if (pos != end) {
            break;
        }
        if (!stream.Refill()) {
            return {};
        }
    }
    stream.m_tokenLine = stream.m_line;

    const char* const start = stream.m_pos;
    const char* pos = start;
    while (pos != stream.m_end && IsTokenByte(static_cast<unsigned char>(*pos))) {
        ++pos;
    }
    stream.m_pos = pos;
    if (pos != stream.m_end) {
        return std::string_view(start, static_cast<std::size_t>(pos - start));
    }

    // The token runs up to the end of the block: gather it across blocks, whatever its length.
    stream.m_spill.assign(start, pos);
    while (stream.Refill()) {
        const char* const blockStart = stream.m_pos;
        const char* p = blockStart;
        while (p != stream.m_end && IsTokenByte(static_cast<unsigned char>(*p))) {
            ++p;
        }
        stream.m_spill.append(blockStart, p);
        stream.m_pos = p;
        if (p != stream.m_end) {
            break;
        }
    }
    return stream.m_spill;
}

bool IsHexText(std::string_view text) {
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
            return false;
        }
    }
    return true;
}

std::int32_t HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - 0x30;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 0x37;
    }
    throw std::invalid_argument("not an upper-case hexadecimal digit");
}

// Horner's rule gives the same value modulo 2^32 as summing digit times power of 16.
std::int32_t HexToInt(std::string_view text) {
    std::uint32_t sum = 0;
    for (char c : text) {
        sum = sum * 16u + static_cast<std::uint32_t>(HexDigitValue(c));
    }
    return static_cast<std::int32_t>(sum);
}

std::int32_t IntPower(std::int32_t base, std::int32_t exponent) {
    std::int32_t result = 1;
    for (std::int32_t i = 0; i < exponent && result != 0; ++i) {
        result = WrappingMultiply(result, base);
    }
    return result;
}

std::int32_t DecimalToInt(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    }
    return static_cast<std::int32_t>(negative ? 0u - value : value);
}
