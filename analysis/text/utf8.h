#pragma once

// UTF-8, decoded by one rule: a well-formed sequence is one of the shortest form of a code point
// up to U+10FFFF that is no surrogate; anything else is a byte of no character.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The length of the well-formed UTF-8 sequence that starts at bytes[i] (1 for ASCII), with its code
// point in `code`; 0 when none starts there (a stray continuation byte, an overlong form, a
// surrogate, a value above U+10FFFF, a cut-off sequence).
std::size_t DecodeUtf8(std::string_view bytes, std::size_t i, std::uint32_t& code);

// The bytes as valid UTF-8: well-formed sequences are kept as they are, and every byte of an
// ill-formed sequence becomes the character of the same value (read as Latin-1), so that a folder
// name written in a single-byte code page still reads sensibly.
std::string ToValidUtf8(std::string_view bytes);

// UTF-8 to UTF-16, for the system's wide-character calls. A byte that is not part of a
// well-formed sequence becomes U+FFFD, which names no file, so that such a path fails to open
// rather than opening another file.
std::u16string Utf16FromUtf8(std::string_view text);

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf8FromUtf16(std::u16string_view text);

// How a file's text is encoded, as its first bytes tell.
enum class TextEncoding : std::uint8_t {
    kBytes,    // UTF-8, ASCII or a single-byte code page: the bytes are read as they are
    kUtf16Le,  // UTF-16, little-endian
    kUtf16Be,  // UTF-16, big-endian
};

struct TextForm {
    TextEncoding encoding = TextEncoding::kBytes;
    std::size_t markBytes = 0;  // of a UTF-16 byte-order mark at the start
};

// How many first bytes TextFormOf looks at.
inline constexpr std::size_t kTextFormHeadBytes = 256;

// The form of a text that starts with `head` (its first kTextFormHeadBytes bytes, or all of a
// shorter one): UTF-16 by its byte-order mark (FF FE, FE FF), or without one where it is plainly
// UTF-16: at least 16 bytes, a zero in every other byte for at least half the characters and in
// none of the others. Text in any other form has no zero bytes, so none is taken for UTF-16.
TextForm TextFormOf(std::string_view head);

// The UTF-16 bytes of that order (after any byte-order mark) as UTF-8. A lone surrogate, and an
// odd byte at the end, become U+FFFD.
std::string Utf8FromUtf16Bytes(std::string_view bytes, bool bigEndian);
