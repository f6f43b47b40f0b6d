#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

// A map file opened for reading, in binary mode so that every platform sees the same bytes (a
// text-mode read on Windows would stop at a 0x1A byte). Both front ends open maps through it.
class CMapFile {
public:
    // Opens `path`, given in UTF-8; on Windows through the wide-character interface, so that a
    // folder in any script opens. Throws MapError (kind kOpen) with the system's reason.
    explicit CMapFile(const std::string& path);
    // A stream the caller owns, such as standard input, under the name errors give it.
    CMapFile(std::FILE* file, std::string name);
    ~CMapFile();

    CMapFile(const CMapFile&) = delete;
    CMapFile& operator=(const CMapFile&) = delete;

    const std::string& Name() const { return m_name; }

    // Reads up to `size` bytes into `buffer`: how many it read, 0 at the end of the file. Throws
    // MapError (kind kRead) naming the file.
    std::size_t Read(char* buffer, std::size_t size);

    // The next `size` bytes (fewer where the file ends first), without taking them: the next reads
    // return them first. A pipe can be looked at this way too. Throws as Read does.
    std::string_view Peek(std::size_t size);

    // The bytes from the current position to the end, where the file can tell (a regular file),
    // else 0.
    std::size_t SizeLeft();

    // The rest of the file, read whole (sized once where the file tells its size). Throws
    // MapError (kind kRead) naming the file.
    std::string ReadAll();

    // Whether the file can be read again from where it is now (a regular file; not a pipe), and
    // going back there.
    bool Tell(long& position);
    void SeekTo(long position);

private:
    std::size_t ReadFile(char* buffer, std::size_t size);
    std::size_t PeekedLeft() const { return m_peeked.size() - m_peekedTaken; }

    std::FILE* m_file = nullptr;
    std::string m_name;
    bool m_owned = false;
    std::string m_peeked;  // bytes read from the file ahead of the reader; the first taken are gone
    std::size_t m_peekedTaken = 0;
};
