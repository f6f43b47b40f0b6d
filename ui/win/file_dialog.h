#pragma once

#include <windows.h>

#include <string>

// The common file dialog, to open a file or to save one, in wide characters so that any path the
// system can hold comes back whole.
class CFileDialog {
public:
    // filter: pairs of description and pattern separated by '|', ending in "||".
    CFileDialog(const wchar_t* defaultExtension, const wchar_t* fileName, DWORD flags,
                const wchar_t* filter);

    // The dialog's title instead of the system's ("Open"), and the folder it starts in; empty for
    // the system's choice.
    void SetTitle(std::wstring title) { m_title = std::move(title); }
    void SetInitialFolder(std::wstring folder) { m_folder = std::move(folder); }

    // A Save dialog instead of an Open dialog.
    void AskToSave() { m_save = true; }
    // The filter shown first, counted from 1, and once the dialog ended the one chosen.
    void SetFilterIndex(DWORD index) { m_filterIndex = index; }
    DWORD GetFilterIndex() const { return m_filterIndex; }

    // IDOK when a file was chosen; IDCANCEL when the dialog was cancelled or failed.
    INT_PTR DoModal();

    const std::wstring& GetPathName() const { return m_path; }

private:
    std::wstring m_defaultExtension;
    std::wstring m_fileName;
    std::wstring m_filter;
    DWORD m_flags;
    std::wstring m_title;
    std::wstring m_folder;
    bool m_save = false;
    DWORD m_filterIndex = 1;
    std::wstring m_path;
};
