#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "about_dlg.h"
#include "resource.h"
#include "window_driver.h"

namespace {

HICON ApplicationIcon() {
    return LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(128));
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus != nullptr ? info.hwndFocus : window;
}

TEST(AboutBoxTest, ShowsIconVersionTextAndOkCentredOverTheMainWindow) {
    ProgramDriver program;
    program.PostCommand(IDM_HELP_ABOUT);
    HWND about = program.WaitForOwnedDialog(L"About tallyfold");
    ASSERT_NE(about, nullptr);
    EXPECT_FALSE(IsWindowEnabled(program.Window()));

    EXPECT_EQ(ChildTexts(about, L"Button"), std::vector<std::wstring>{L"OK"});
    const std::vector<std::wstring> statics = ChildTexts(about, L"Static");
    ASSERT_EQ(statics.size(), 2u);
    EXPECT_EQ(statics[1], L"tallyfold Version 1.0");
    HWND icon = GetWindow(about, GW_CHILD);
    EXPECT_NE(reinterpret_cast<HICON>(SendMessageW(icon, STM_GETICON, 0, 0)), nullptr);

    RECT main{};
    RECT box{};
    GetWindowRect(program.Window(), &main);
    GetWindowRect(about, &box);
    EXPECT_LE(std::abs((main.left + main.right) - (box.left + box.right)), 2);
    EXPECT_LE(std::abs((main.top + main.bottom) - (box.top + box.bottom)), 2);
}

TEST(AboutBoxTest, OkEnterEscAndCloseEachEndTheBoxAndTheWindowCarriesOn) {
    ProgramDriver program;
    program.SendCommand(IDM_DEVICE_18F458);
    const auto rows = program.Rows();
    const struct {
        const char* name;
        UINT message;
        WPARAM wParam;
        bool toFocus;
    } endings[] = {
        {"OK", WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), false},
        {"Enter", WM_KEYDOWN, VK_RETURN, true},
        {"Esc", WM_KEYDOWN, VK_ESCAPE, true},
        {"close button", WM_SYSCOMMAND, SC_CLOSE, false},
    };
    for (const auto& ending : endings) {
        SCOPED_TRACE(ending.name);
        // The system-menu entry: any command from 16 to 31 opens the box.
        PostMessageW(program.Window(), WM_SYSCOMMAND, 0x001F, 0);
        HWND about = program.WaitForOwnedDialog(L"About tallyfold");
        ASSERT_NE(about, nullptr);
        PostMessageW(ending.toFocus ? FocusOf(about) : about, ending.message, ending.wParam, 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(about); }));
        EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(program.Window()) != FALSE; }));
        EXPECT_EQ(program.Rows(), rows);
    }
    EXPECT_FALSE(program.WaitForExit(0));
}

TEST(AboutBoxTest, SystemCommandsOutsideTheAboutRangeGetTheSystemsHandling) {
    ProgramDriver program;
    // 0x0020 is not the About entry; SC_CLOSE then closes the window as the system does. Had the
    // first opened the About box, its modal run would keep the program from ending.
    PostMessageW(program.Window(), WM_SYSCOMMAND, 0x0020, 0);
    PostMessageW(program.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(program.WaitForExit());
}

TEST(AboutBoxTest, F1InTheWindowAndInTheAboutBoxReachesTheApplicationsHelpCommand) {
    auto owned = std::make_unique<CommandRecordingApp>();
    CommandRecordingApp* app = owned.get();
    ProgramDriver program(std::move(owned));
    PostMessageW(program.List(), WM_KEYDOWN, VK_F1, 0);
    EXPECT_TRUE(WaitFor([&] { return app->Commands() == std::vector<UINT>{IDM_HELP}; }));

    program.PostCommand(IDM_HELP_ABOUT);
    HWND about = program.WaitForOwnedDialog(L"About tallyfold");
    ASSERT_NE(about, nullptr);
    PostMessageW(FocusOf(about), WM_KEYDOWN, VK_F1, 0);
    EXPECT_TRUE(WaitFor([&] { return app->Commands() == std::vector<UINT>{IDM_HELP, IDM_HELP}; }));
    EXPECT_TRUE(IsWindow(about));  // neither window reacts to F1 itself
}

TEST(AboutBoxTest, DragIconIsTheApplicationIcon) {
    ProgramDriver program;
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(program.Window(), WM_QUERYDRAGICON, 0, 0)),
              ApplicationIcon());
}

TEST(AboutBoxTest, MainWindowCarriesTheApplicationIcon) {
    ProgramDriver program;
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(program.Window(), WM_GETICON, ICON_BIG, 0)),
              ApplicationIcon());
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(program.Window(), WM_GETICON, ICON_SMALL, 0)),
              ApplicationIcon());
}

TEST(AboutBoxTest, ModalRunEndsWithOneForEnterAndTwoForEsc) {
    const struct {
        WPARAM key;
        INT_PTR result;
    } cases[] = {{VK_RETURN, IDOK}, {VK_ESCAPE, IDCANCEL}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        INT_PTR result = 0;
        volatile DWORD threadId = 0;
        std::thread run([&] {
            threadId = GetCurrentThreadId();
            CAboutDlg dlg;
            result = dlg.DoModal();
        });
        HWND about = nullptr;
        ASSERT_TRUE(WaitFor([&] {
            const auto dialogs = threadId != 0 ? ThreadDialogs(threadId) : std::vector<HWND>{};
            about = dialogs.empty() ? nullptr : dialogs.front();
            return about != nullptr;
        }));
        PostMessageW(FocusOf(about), WM_KEYDOWN, c.key, 0);
        run.join();
        EXPECT_EQ(result, c.result);
    }
}

}  // namespace
