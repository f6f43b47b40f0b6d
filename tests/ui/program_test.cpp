#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "window_driver.h"

namespace {

// A top-level window of the process with that title, or nullptr when none shows in time.
HWND WaitForProcessWindow(DWORD processId, const std::wstring& title) {
    struct Search {
        DWORD processId;
        const std::wstring* title;
        HWND window;
    } search{processId, &title, nullptr};
    WaitFor([&] {
        EnumWindows(
            [](HWND window, LPARAM context) -> BOOL {
                auto* s = reinterpret_cast<Search*>(context);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                if (owner == s->processId && IsWindowVisible(window) &&
                    WindowText(window) == *s->title) {
                    s->window = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.window != nullptr;
    });
    return search.window;
}

// Starts tallyfold.exe with the arguments, waits for its window with that title, closes it as
// its close button does and expects the process to end with status 0.
void RunProgramUntilEsc(const std::wstring& arguments, const std::wstring& title) {
    std::wstring commandLine = L"\"" + WindowsPath(TALLYFOLD_EXE) + L"\"" + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process));
    HWND window = WaitForProcessWindow(process.dwProcessId, title);
    EXPECT_NE(window, nullptr);
    if (window != nullptr) {
        EXPECT_NE(FindWindowExW(window, nullptr, L"SysListView32", nullptr), nullptr);
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    const DWORD waited = WaitForSingleObject(process.hProcess, 15000);
    if (waited != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
    }
    EXPECT_EQ(waited, WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

// tallyfold.exe itself, started as a user starts it: one window titled "Tallyfold" that its
// close button closes, after which the process ends.
TEST(ProgramTest, ExeShowsItsWindowAndEndsWhenClosed) {
    RunProgramUntilEsc(L"", L"Tallyfold");
}

// Started with a map, as a double-click on a .map or an IDE's post-build step starts it.
TEST(ProgramTest, ExeOpensTheMapNamedOnItsCommandLine) {
    TempFolder folder(L"tallyfold program \x00e9t\x00e9");
    const std::wstring map = folder.Write(
        L"my build.map", ReadFileBytes(WindowsPath(TALLYFOLD_EXAMPLES_DIR "/blinky.map")));
    RunProgramUntilEsc(L" \"" + map + L"\"", L"Tallyfold [ " + map + L" ]");
}

}  // namespace
