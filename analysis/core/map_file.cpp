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

std::size_t CMapFile::ReadFile(char* buffer, std::size_t size) {
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
    const long start = std::ftell(m_file);
    if (start < 0 || std::fseek(m_file, 0, SEEK_END) != 0) {
        return PeekedLeft();
    }
    const long end = std::ftell(m_file);
    if (std::fseek(m_file, start, SEEK_SET) != 0) {
        // The position cannot be restored: the caller's next read would start elsewhere.
        throw MapError(m_name, 0, "read error: cannot seek back", MapError::Kind::kRead);
    }
    return PeekedLeft() + (end > start ? static_cast<std::size_t>(end - start) : 0);
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
    if (position < 0) {
        return false;
    }
    position -= static_cast<long>(PeekedLeft());
    return true;
}

void CMapFile::SeekTo(long position) {
    m_peeked.clear();
    m_peekedTaken = 0;
    if (std::fseek(m_file, position, SEEK_SET) != 0) {
        throw MapError(m_name, 0, "read error: cannot read the map again from its start",
                       MapError::Kind::kRead);
    }
}
