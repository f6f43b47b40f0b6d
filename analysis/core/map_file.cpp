#include "core/map_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/map_error.h"

namespace {

#ifdef _WIN32
// UTF-8 to UTF-16, for the wide-character open. A byte that is not part of a well-formed
// sequence becomes U+FFFD, which names no file, so that such a path fails to open rather than
// opening another file.
std::wstring WidenUtf8(const std::string& text) {
    std::wstring wide;
    std::size_t i = 0;
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    while (i < text.size()) {
        const unsigned char lead = byte(i);
        std::uint32_t code = 0xFFFD;
        std::size_t length = 1;
        if (lead < 0x80) {
            code = lead;
        } else {
            const std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
            if (need != 0 && i + need <= text.size()) {
                std::uint32_t value = lead & (0x7Fu >> need);
                bool wellFormed = true;
                for (std::size_t k = 1; k < need; ++k) {
                    wellFormed = wellFormed && (byte(i + k) & 0xC0) == 0x80;
                    value = (value << 6) | (byte(i + k) & 0x3Fu);
                }
                const std::uint32_t lowest = need == 2 ? 0x80 : need == 3 ? 0x800 : 0x10000;
                if (wellFormed && value >= lowest && value <= 0x10FFFF &&
                    (value < 0xD800 || value > 0xDFFF)) {
                    code = value;
                    length = need;
                }
            }
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            wide += static_cast<wchar_t>(0xD800 + (code >> 10));
            wide += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
        } else {
            wide += static_cast<wchar_t>(code);
        }
        i += length;
    }
    return wide;
}

int LastSystemError() {
    return static_cast<int>(_doserrno);
}
#else
int LastSystemError() {
    return errno;
}
#endif

std::string Reason(int error) {
    return error != 0 ? std::strerror(error) : "the file could not be read";
}

}  // namespace

CMapFile::CMapFile(const std::string& path) : m_name(path), m_owned(true) {
    errno = 0;
#ifdef _WIN32
    _doserrno = 0;
    m_file = _wfopen(WidenUtf8(path).c_str(), L"rb");
#else
    m_file = std::fopen(path.c_str(), "rb");
#endif
    if (m_file == nullptr) {
        const int error = errno;
        throw MapError(path, 0, "cannot open: " + Reason(error), MapError::Kind::kOpen,
                       LastSystemError());
    }
}

CMapFile::CMapFile(std::FILE* file, std::string name) : m_file(file), m_name(std::move(name)) {}

CMapFile::~CMapFile() {
    if (m_owned && m_file != nullptr) {
        std::fclose(m_file);
    }
}

std::size_t CMapFile::Read(char* buffer, std::size_t size) {
    errno = 0;
    const std::size_t count = std::fread(buffer, 1, size, m_file);
    if (count < size && std::ferror(m_file)) {
        const int error = errno;
        throw MapError(m_name, 0, "read error: " + Reason(error), MapError::Kind::kRead,
                       LastSystemError());
    }
    return count;
}

std::size_t CMapFile::SizeLeft() {
    const long start = std::ftell(m_file);
    if (start < 0 || std::fseek(m_file, 0, SEEK_END) != 0) {
        return 0;
    }
    const long end = std::ftell(m_file);
    if (std::fseek(m_file, start, SEEK_SET) != 0) {
        // The position cannot be restored: the caller's next read would start elsewhere.
        throw MapError(m_name, 0, "read error: cannot seek back", MapError::Kind::kRead);
    }
    return end > start ? static_cast<std::size_t>(end - start) : 0;
}

std::string CMapFile::ReadAll() {
    std::string bytes;
    bytes.reserve(SizeLeft() + 1);
    constexpr std::size_t kLeast = 64 * 1024;
    for (;;) {
        const std::size_t used = bytes.size();
        const std::size_t room = std::max(kLeast, bytes.capacity() - used);
        bytes.resize(used + room);
        const std::size_t count = Read(&bytes[used], room);
        bytes.resize(used + count);
        if (count == 0) {
            break;
        }
    }
    return bytes;
}

bool CMapFile::Tell(long& position) {
    position = std::ftell(m_file);
    return position >= 0;
}

void CMapFile::SeekTo(long position) {
    if (std::fseek(m_file, position, SEEK_SET) != 0) {
        throw MapError(m_name, 0, "read error: cannot read the map again from its start",
                       MapError::Kind::kRead);
    }
}
