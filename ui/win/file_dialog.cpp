#include "file_dialog.h"

#include <commdlg.h>

#include <vector>

#include "win_app.h"

namespace {

// Room for the longest path the system accepts.
constexpr DWORD kPathCapacity = 32768;

}  // namespace

CFileDialog::CFileDialog(const wchar_t* defaultExtension, const wchar_t* fileName, DWORD flags,
                         const wchar_t* filter)
    : m_defaultExtension(defaultExtension), m_fileName(fileName), m_filter(filter), m_flags(flags) {
    // The dialog wants the pairs separated, and ended, by NUL characters.
    for (wchar_t& c : m_filter) {
        if (c == L'|') {
            c = L'\0';
        }
    }
}

INT_PTR CFileDialog::DoModal() {
    std::vector<wchar_t> path(kPathCapacity, L'\0');
    m_fileName.copy(path.data(), kPathCapacity - 1);

    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = MainWindowHandle();
    request.lpstrFilter = m_filter.c_str();
    request.nFilterIndex = m_filterIndex;
    request.lpstrFile = path.data();
    request.nMaxFile = kPathCapacity;
    request.lpstrDefExt = m_defaultExtension.c_str();
    request.Flags = m_flags | OFN_EXPLORER;
    request.lpstrTitle = m_title.empty() ? nullptr : m_title.c_str();
    request.lpstrInitialDir = m_folder.empty() ? nullptr : m_folder.c_str();
    if (!(m_save ? GetSaveFileNameW(&request) : GetOpenFileNameW(&request))) {
        return IDCANCEL;
    }
    m_path = path.data();
    m_filterIndex = request.nFilterIndex;
    return IDOK;
}
