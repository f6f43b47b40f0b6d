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
