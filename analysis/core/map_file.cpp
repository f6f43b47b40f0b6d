#include "core/map_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/map_error.h"
#include "text/utf8.h"

namespace {

#ifdef _WIN32
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
    const std::u16string wide = Utf16FromUtf8(path);
    m_file = _wfopen(std::wstring(wide.begin(), wide.end()).c_str(), L"rb");
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
    const std::size_t peeked = std::min(size, PeekedLeft());
    if (peeked != 0) {
        std::memcpy(buffer, m_peeked.data() + m_peekedTaken, peeked);
        m_peekedTaken += peeked;
        if (PeekedLeft() == 0) {
            m_peeked.clear();
            m_peekedTaken = 0;
        }
        return peeked;
    }
    return ReadFile(buffer, size);
}

// The bytes the reader takes next, before any it has peeked at: first those read to learn the
// file's form (or its text in UTF-8), then the rest of the file.
std::size_t CMapFile::ReadFile(char* buffer, std::size_t size) {
    if (!m_formKnown) {
        LearnTheForm();
    }
    const std::size_t start = std::min(size, StartLeft());
    if (start != 0) {
        std::memcpy(buffer, m_start.data() + m_startTaken, start);
        m_startTaken += start;
    }
    if (m_transcoded || start == size) {
        return start;
    }
    return start + ReadBytes(buffer + start, size - start);
}

void CMapFile::LearnTheForm() {
    m_formKnown = true;
    m_start.resize(kTextFormHeadBytes);
    std::size_t count = 0;
    for (std::size_t read = 1; count < m_start.size() && read != 0; count += read) {
        read = ReadBytes(&m_start[count], m_start.size() - count);
    }
    m_start.resize(count);
    const TextForm form = TextFormOf(m_start);
    if (form.encoding == TextEncoding::kBytes) {
        return;
    }
    constexpr std::size_t kBlock = 64 * 1024;
    for (std::size_t read = 1; read != 0; count += read) {
        m_start.resize(count + kBlock);
        read = ReadBytes(&m_start[count], kBlock);
    }
    m_start.resize(count);
    m_start = Utf8FromUtf16Bytes(std::string_view(m_start).substr(form.markBytes),
                                 form.encoding == TextEncoding::kUtf16Be);
    m_transcoded = true;
}

std::size_t CMapFile::ReadBytes(char* buffer, std::size_t size) {
    errno = 0;
    const std::size_t count = std::fread(buffer, 1, size, m_file);
    if (count < size && std::ferror(m_file)) {
        const int error = errno;
        throw MapError(m_name, 0, "read error: " + Reason(error), MapError::Kind::kRead,
                       LastSystemError());
    }
    return count;
}

std::string_view CMapFile::Peek(std::size_t size) {
    if (PeekedLeft() < size) {
        m_peeked.erase(0, m_peekedTaken);
        m_peekedTaken = 0;
        const std::size_t have = m_peeked.size();
        m_peeked.resize(size);
        std::size_t count = have;
        for (std::size_t read = 1; count < size && read != 0; count += read) {
            read = ReadFile(&m_peeked[count], size - count);
        }
        m_peeked.resize(count);
    }
    return std::string_view(m_peeked).substr(m_peekedTaken, size);
}

std::size_t CMapFile::SizeLeft() {
    if (!m_formKnown) {
        LearnTheForm();
    }
    if (m_transcoded) {
        return PeekedLeft() + StartLeft();
    }
    const long start = std::ftell(m_file);
    if (start < 0 || std::fseek(m_file, 0, SEEK_END) != 0) {
        return PeekedLeft() + StartLeft();
    }
    const long end = std::ftell(m_file);
    if (std::fseek(m_file, start, SEEK_SET) != 0) {
        // The position cannot be restored: the caller's next read would start elsewhere.
        throw MapError(m_name, 0, "read error: cannot seek back", MapError::Kind::kRead);
    }
    return PeekedLeft() + StartLeft() + (end > start ? static_cast<std::size_t>(end - start) : 0);
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
    if (!m_formKnown) {
        LearnTheForm();
    }
    // Text in UTF-8 is where its position is counted; it is held whole, so it can be read again.
    position = m_transcoded ? static_cast<long>(m_startTaken) : std::ftell(m_file);
    if (position < 0) {
        return false;
    }
    position -= static_cast<long>(PeekedLeft() + (m_transcoded ? 0 : StartLeft()));
    return true;
}

void CMapFile::SeekTo(long position) {
    m_peeked.clear();
    m_peekedTaken = 0;
    if (m_transcoded) {
        m_startTaken = std::min(static_cast<std::size_t>(position), m_start.size());
        return;
    }
    m_startTaken = m_start.size();
    if (std::fseek(m_file, position, SEEK_SET) != 0) {
        throw MapError(m_name, 0, "read error: cannot read the map again from its start",
                       MapError::Kind::kRead);
    }
}
