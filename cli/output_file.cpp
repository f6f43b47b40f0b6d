#include "output_file.h"

#include <cerrno>
#include <cstring>
#include <utility>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Tries this many names for the temporary file before giving up: another run writing beside
// the same file takes one at most.
constexpr int kTempNameTries = 100;

// Where the file's folder ends: the temporary file's name starts the same.
std::size_t FolderLength(const std::string& path) {
#ifdef _WIN32
    const std::size_t cut = path.find_last_of("/\\:");
#else
    const std::size_t cut = path.rfind('/');
#endif
    return cut == std::string::npos ? 0 : cut + 1;
}

// ".size.csv.tmp-4242-0" beside "size.csv": hidden where a leading dot hides, and named after the
// file, so that one left by a crash says what it was.
std::string TempName(const std::string& path, unsigned long process, int attempt) {
    const std::size_t folder = FolderLength(path);
    return path.substr(0, folder) + "." + path.substr(folder) + ".tmp-" + std::to_string(process) +
           "-" + std::to_string(attempt);
}

std::string CannotWrite(const std::string& path, const std::string& why) {
    return "cannot write '" + path + "': " + why;
}

#ifdef _WIN32

std::wstring Wide(const std::string& text) {
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) {
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                            length);
    }
    return wide;
}

// The system's text for the last error, without its line break.
std::string LastErrorText() {
    const DWORD error = GetLastError();
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length > 0 && text != nullptr ? std::string(text, length)
                                                        : "error " + std::to_string(error);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.')) {
        message.pop_back();
    }
    return message;
}

std::FILE* CreateTemp(const std::string& path, std::string& tempPath) {
    for (int attempt = 0; attempt < kTempNameTries; ++attempt) {
        tempPath = TempName(path, GetCurrentProcessId(), attempt);
        const HANDLE handle = CreateFileW(Wide(tempPath).c_str(), GENERIC_WRITE, 0, nullptr,
                                          CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) {
                continue;
            }
            throw OutputError(CannotWrite(path, LastErrorText()));
        }
        const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
        std::FILE* file = descriptor < 0 ? nullptr : _fdopen(descriptor, "wb");
        if (file == nullptr) {
            descriptor < 0 ? CloseHandle(handle) : _close(descriptor);
            DeleteFileW(Wide(tempPath).c_str());
            throw OutputError(CannotWrite(path, "cannot open a temporary file"));
        }
        return file;
    }
    throw OutputError(CannotWrite(path, "no free name for a temporary file beside it"));
}

// Puts the written bytes on the disk, then the temporary file in the file's place.
bool Replace(std::FILE* file, const std::string& tempPath, const std::string& path) {
    const bool written = _commit(_fileno(file)) == 0;
    return std::fclose(file) == 0 && written &&
           MoveFileExW(Wide(tempPath).c_str(), Wide(path).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

std::string ErrorText() {
    return LastErrorText();
}

void RemoveTemp(const std::string& tempPath) {
    DeleteFileW(Wide(tempPath).c_str());
}

#else

std::FILE* CreateTemp(const std::string& path, std::string& tempPath) {
    for (int attempt = 0; attempt < kTempNameTries; ++attempt) {
        tempPath = TempName(path, static_cast<unsigned long>(getpid()), attempt);
        // 0666 less the umask, as the shell's redirection would make it.
        const int descriptor =
            open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0) {
            if (errno == EEXIST) {
                continue;
            }
            throw OutputError(CannotWrite(path, std::strerror(errno)));
        }
        // A file that is replaced keeps its permissions.
        struct stat existing {};
        if (stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
            fchmod(descriptor, existing.st_mode & 07777);
        }
        std::FILE* file = fdopen(descriptor, "wb");
        if (file == nullptr) {
            const int error = errno;
            close(descriptor);
            unlink(tempPath.c_str());
            throw OutputError(CannotWrite(path, std::strerror(error)));
        }
        return file;
    }
    throw OutputError(CannotWrite(path, "no free name for a temporary file beside it"));
}

// Puts the written bytes on the disk, then the temporary file in the file's place.
bool Replace(std::FILE* file, const std::string& tempPath, const std::string& path) {
    const bool synced = fsync(fileno(file)) == 0;
    const int error = errno;
    if (std::fclose(file) != 0) {
        return false;
    }
    errno = error;
    return synced && std::rename(tempPath.c_str(), path.c_str()) == 0;
}

std::string ErrorText() {
    return std::strerror(errno);
}

void RemoveTemp(const std::string& tempPath) {
    unlink(tempPath.c_str());
}

#endif

}  // namespace

COutputFile::COutputFile(std::string path)
    : m_path(std::move(path)), m_file(CreateTemp(m_path, m_tempPath)) {}

COutputFile::~COutputFile() {
    if (!m_committed) {
        Discard();
    }
}

void COutputFile::Discard() {
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    RemoveTemp(m_tempPath);
}

void COutputFile::Commit() {
    if (std::fflush(m_file) != 0 || std::ferror(m_file)) {
        const std::string why = ErrorText();
        Discard();
        throw OutputError(CannotWrite(m_path, why));
    }
    std::FILE* file = std::exchange(m_file, nullptr);
    if (!Replace(file, m_tempPath, m_path)) {
        const std::string why = ErrorText();
        RemoveTemp(m_tempPath);
        throw OutputError(CannotWrite(m_path, why));
    }
    m_committed = true;
}
