#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>

// A file that cannot be written; the text is one line for standard error, naming the file.
class OutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file written whole or not at all. Its text goes to a new temporary file in the same folder
// (so that the rename cannot cross file systems), which takes the file's place only when Commit
// succeeds: until then a file of that name stays as it was, and a file never committed leaves
// nothing behind. The path is UTF-8 (on Windows it is opened through the wide-character
// interface). A file that exists keeps its permissions.
class COutputFile {
public:
    // Makes the temporary file. Throws OutputError when it cannot be made (no such folder, no
    // permission).
    explicit COutputFile(std::string path);
    // Removes the temporary file unless it was committed.
    ~COutputFile();
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    // Where the text goes.
    std::FILE* Stream() const { return m_file; }

    // Writes out what was written, puts it on the disk and puts it in the file's place. Throws
    // OutputError when any of that fails (a full disk, a folder of that name), with the
    // temporary file removed and the file as it was.
    void Commit();

private:
    void Discard();

    std::string m_path;
    std::string m_tempPath;
    std::FILE* m_file = nullptr;
    bool m_committed = false;
};
