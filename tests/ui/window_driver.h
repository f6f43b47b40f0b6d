#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "map_size_app.h"

// Runs the program's start-up operation on a thread of its own, as the program's main thread
// would, and drives its windows from the test's thread: within one process every window message,
// pointer and menu handle can be passed as the program itself would receive them.
// The key the window under test keeps its settings in, apart from the user's own.
inline constexpr const wchar_t* kTestSettingsKey = L"Software\\Tallyfold Window Tests";

// Whether a program starts as at the first start of all, or as the last one under test left it.
enum class Settings { kForget, kKeep };

class ProgramDriver {
public:
    // Runs the start-up operation of app, or of a plain CMapSizeApp, with the settings kept
    // under kTestSettingsKey.
    explicit ProgramDriver(std::unique_ptr<CMapSizeApp> app = std::make_unique<CMapSizeApp>(),
                           Settings settings = Settings::kForget);
    ~ProgramDriver();

    ProgramDriver(const ProgramDriver&) = delete;
    ProgramDriver& operator=(const ProgramDriver&) = delete;

    HWND Window() const { return m_window; }
    HWND List() const;

    // Whether the start-up operation returned (the program ended) within the timeout.
    bool WaitForExit(DWORD timeoutMs = 10000);
    int StartupResult() const { return m_startupResult; }

    std::wstring Title() const;
    std::vector<std::string> Headers() const;
    std::vector<int> ColumnWidths() const;
    // The cells of every row, one per column.
    std::vector<std::vector<std::string>> Rows() const;
    // The status bar's whole line, as its tooltip shows it.
    std::string Status() const;
    // The texts of the status bar's parts.
    std::vector<std::string> StatusParts() const;
    // Whether a part of the status bar shows an icon.
    bool StatusPartHasIcon(int part) const;
    // The tooltip control over the status bar.
    HWND StatusTip() const;

    // A command as the menu sends it; Send waits for the handler, Post does not.
    void SendCommand(UINT id) const;
    void PostCommand(UINT id) const;

    // Posts a left click on the header of a column of the list, as the mouse would.
    void ClickHeader(int column) const;
    // The same on the column with that heading.
    void ClickHeader(const std::string& heading) const;

    // Whether an item of the menu bar's drop-downs is greyed after WM_INITMENUPOPUP.
    bool IsGrayed(UINT id) const;

    // The check mark of an item of the menu bar's drop-downs after WM_INITMENUPOPUP.
    bool IsChecked(UINT id) const;

    // The text of an item of the menu bar's drop-downs after WM_INITMENUPOPUP.
    std::wstring ItemText(UINT id) const;

    // A visible dialog of the program's thread, owned by the main window, with that caption.
    HWND WaitForOwnedDialog(const std::wstring& caption, DWORD timeoutMs = 15000) const;

    // Presses a key with modifiers (VK_CONTROL, VK_MENU...) held, through the system's input
    // queue, as the keyboard would, with the main window in front.
    void PressKey(WORD key, std::initializer_list<WORD> modifiers = {}) const;

    // Visible pop-up menus of the program's thread.
    std::vector<HWND> OpenMenus() const;

    // File > Open through the real file dialog: types the path into its file-name field and
    // presses OK. Returns false when the dialog did not appear or did not close.
    bool OpenThroughFileDialog(const std::wstring& path) const;

    // The command's file dialog (with that caption) given the path and the file type at that
    // place of its list, then OK; a question whether to replace a file is answered yes.
    // Returns false when the dialog did not appear or did not close.
    bool ChooseInFileDialog(UINT command, const std::wstring& caption, const std::wstring& path,
                            int fileType = 0) const;

    DWORD ThreadId() const { return m_threadId; }

private:
    void CloseEverything();

    std::unique_ptr<CMapSizeApp> m_app;
    std::thread m_thread;
    volatile DWORD m_threadId = 0;
    volatile LONG m_finished = 0;
    int m_startupResult = -1;
    HWND m_window = nullptr;
};

// The program's application object, recording the commands that reach it: those no window took.
class CommandRecordingApp : public CMapSizeApp {
public:
    bool OnCmdMsg(UINT id) override;
    std::vector<UINT> Commands() const;

private:
    mutable std::mutex m_lock;
    std::vector<UINT> m_commands;
};

// Polls the condition every 10 ms until it holds or the timeout passes.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 15000);

// Visible, enabled top-level windows of the thread with the dialog class.
std::vector<HWND> ThreadDialogs(DWORD threadId);

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);

// The texts of a dialog's child controls of one class, in creation order.
std::vector<std::wstring> ChildTexts(HWND dialog, const std::wstring& className);

// The Windows form of a path on the build machine (Wine maps drive Z: to the root).
std::wstring WindowsPath(const std::string& unixPath);

// A fresh empty folder under the temporary folder, removed with its files at the end.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& name);
    ~TempFolder();
    const std::wstring& Path() const { return m_path; }
    std::wstring Write(const std::wstring& fileName, const std::string& bytes) const;

private:
    std::wstring m_path;
    mutable std::vector<std::wstring> m_files;
};

std::string ReadFileBytes(const std::wstring& path);

// The Unicode text on the clipboard, or "(none)" when it holds none.
std::wstring ClipboardText();

// The rows (ASCII cells) as tab-separated lines under the header line, each ended by CR LF.
std::wstring TabSeparatedLines(const std::vector<std::string>& headers,
                               const std::vector<std::vector<std::string>>& rows);

// The command items of a menu resource and of its drop-downs, in menu order: (text, command).
std::vector<std::pair<std::wstring, UINT>> MenuCommands(UINT menuId);

// A program driver whose application has that command line, as if started with it.
std::unique_ptr<CMapSizeApp> AppStartedWith(const std::wstring& commandLine);
