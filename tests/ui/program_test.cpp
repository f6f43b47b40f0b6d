#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "window_driver.h"

namespace {

// tallyfold.exe itself, started as a user starts it: one window titled "Tallyfold" that Esc
// closes, after which the process ends.
TEST(ProgramTest, ExeShowsItsWindowAndEndsOnEsc) {
    std::wstring commandLine = L"\"" + WindowsPath(TALLYFOLD_EXE) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process));
    struct Search {
        DWORD processId;
        HWND window;
    } search{process.dwProcessId, nullptr};
    const bool shown = WaitFor([&] {
        EnumWindows(
            [](HWND window, LPARAM context) -> BOOL {
                auto* s = reinterpret_cast<Search*>(context);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                if (owner == s->processId && IsWindowVisible(window) &&
                    WindowText(window) == L"Tallyfold") {
                    s->window = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.window != nullptr;
    });
    EXPECT_TRUE(shown);
    if (shown) {
        HWND list = FindWindowExW(search.window, nullptr, L"SysListView32", nullptr);
        EXPECT_NE(list, nullptr);
        PostMessageW(list != nullptr ? list : search.window, WM_KEYDOWN, VK_ESCAPE, 0);
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

}  // namespace
