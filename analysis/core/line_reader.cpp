#include "core/line_reader.h"

#include <algorithm>

CLineReader::CLineReader(std::string_view bytes)
    : m_next(bytes.data()), m_end(bytes.data() + bytes.size()) {
    SkipByteOrderMark();
}

CLineReader::CLineReader(CMapFile& file, std::string* kept)
    : m_file(&file), m_kept(kept), m_buffer(kept == nullptr ? new char[kReadSize] : nullptr) {
    if (kept != nullptr) {
        kept->clear();
        m_next = m_end = kept->data();
    }
}

void CLineReader::SkipByteOrderMark() {
    m_atStart = false;
    const std::string_view first(m_next, static_cast<std::size_t>(m_end - m_next));
    m_next += first.size() - WithoutByteOrderMark(first).size();
}

// Once the gathered line is longer than a block, room for the rest of the file at once rather than
// growing step by step, which would hold the old and the new copy, twice the text.
void CLineReader::Gather(std::size_t count) {
    count = std::min(count, m_longest - std::min(m_longest, m_spill.size()));
    if (m_spill.size() + count > m_spill.capacity() && m_spill.size() >= kReadSize) {
        m_spill.reserve(std::max(2 * m_spill.size(), m_spill.size() + count + m_file->SizeLeft()));
    }
    m_spill.append(m_next, count);
}

// Keeps the start of the line that the block ends in and reads the next block; false at the end
// of the file.
bool CLineReader::ReadBlock() {
    const auto rest = static_cast<std::size_t>(m_end - m_next);
    if (rest > 0) {
        Gather(rest);
    }
    const std::size_t count = m_file->Read(m_buffer.get(), kReadSize);
    m_next = m_buffer.get();
    m_end = m_next + count;
    m_atEnd = count == 0;
    if (m_atStart) {
        SkipByteOrderMark();
    }
    return !m_atEnd;
}

// Reads the next block onto the end of the kept bytes, where the start of the line is.
bool CLineReader::ReadKept() {
    std::string& kept = *m_kept;
    const auto next = static_cast<std::size_t>(m_next - kept.data());
    const std::size_t size = kept.size();
    if (size + kReadSize > kept.capacity() && size >= kReadSize) {
        kept.reserve(std::max(2 * size, size + kReadSize + m_file->SizeLeft()));
    }
    kept.resize(size + kReadSize);
    const std::size_t count = m_file->Read(&kept[size], kReadSize);
    kept.resize(size + count);
    m_next = kept.data() + next;
    m_end = kept.data() + kept.size();
    m_atEnd = count == 0;
    if (m_atStart) {
        SkipByteOrderMark();
    }
    return !m_atEnd;
}
