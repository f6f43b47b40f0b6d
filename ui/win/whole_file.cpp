#include "win/whole_file.h"

#include <algorithm>

std::wstring SystemErrorText(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (length != 0 && buffer != nullptr) {
        text.assign(buffer, length);
        LocalFree(buffer);
    }
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    return text.empty() ? L"Error " + std::to_wstring(error) + L"." : text;
}

std::wstring WriteWholeFile(const std::wstring& path, std::string_view bytes) {
    const std::wstring partial = path + L".partial-" + std::to_wstring(GetCurrentProcessId());
    HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return SystemErrorText(GetLastError());
    }
    DWORD error = ERROR_SUCCESS;
    for (std::string_view left = bytes; !left.empty() && error == ERROR_SUCCESS;) {
        const DWORD piece = static_cast<DWORD>(std::min<size_t>(left.size(), 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file, left.data(), piece, &written, nullptr) || written == 0) {
            error = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_WRITE_FAULT;
        }
        left.remove_prefix(written);
    }
    if (error == ERROR_SUCCESS && !FlushFileBuffers(file)) {
        error = GetLastError();
    }
    CloseHandle(file);
    if (error == ERROR_SUCCESS &&
        !MoveFileExW(partial.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = GetLastError();
    }
    if (error != ERROR_SUCCESS) {
        DeleteFileW(partial.c_str());
        return SystemErrorText(error);
    }
    return {};
}
