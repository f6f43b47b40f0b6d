#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

// Token bytes are everything but the control bytes 0x00-0x1F, the space and DEL; bytes from
// 0x80 up belong to tokens, so names in any single-byte or UTF-8 encoding stay whole.
inline bool IsTokenByte(unsigned char byte) {
    return byte > 0x20 && byte != 0x7F;
}

// The bytes of a link map, read in blocks either from an open file (not owned, left open) or from
// memory, with the line number of the last token handed out.
class CMapStream {
public:
    CMapStream(std::FILE* file, std::string name);
    explicit CMapStream(std::string_view bytes, std::string name = "<memory>");

    CMapStream(const CMapStream&) = delete;
    CMapStream& operator=(const CMapStream&) = delete;

    const std::string& Name() const { return m_name; }
    long Line() const { return m_tokenLine; }

private:
    friend std::string_view ReadToken(CMapStream& stream);
    bool Refill();

    std::FILE* m_file = nullptr;
    std::string m_name;
    std::unique_ptr<char[]> m_buffer;
    const char* m_pos = nullptr;
    const char* m_end = nullptr;
    std::string m_spill;  // a token that crosses a block boundary is assembled here
    long m_line = 1;
    long m_tokenLine = 0;
};

// Returns the next token of the stream, or an empty view at the end of input. The view stays
// valid until the next call. A failed read throws MapError.
std::string_view ReadToken(CMapStream& stream);

// True when every character is one of 0-9 and A-F (upper case only); the empty text is true.
bool IsHexText(std::string_view text);

// The value of upper-case hexadecimal text modulo 2^32, as a signed 32-bit number. Throws
// std::invalid_argument at the first character that is not a hexadecimal digit.
std::int32_t HexToInt(std::string_view text);

// 0-15 for 0-9 and A-F; throws std::invalid_argument for anything else, lower case included.
std::int32_t HexDigitValue(char c);

// base raised to exponent in wrapping 32-bit arithmetic; exponents below 1 give 1.
std::int32_t IntPower(std::int32_t base, std::int32_t exponent);

// Converts a space-number token as atoi does (optional sign, then decimal digits up to the
// first other character; anything else gives 0), wrapping modulo 2^32 instead of overflowing.
std::int32_t DecimalToInt(std::string_view text);
