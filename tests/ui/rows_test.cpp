#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resource.h"
#include "window_driver.h"
#include "window_expectations.h"

// The rows the user picks out: several selected and copied, one found by a part of its name.

namespace {

std::vector<int> SelectedRows(const ProgramDriver& program) {
    std::vector<int> rows;
    int row = -1;
    while ((row = static_cast<int>(SendMessageW(program.List(), LVM_GETNEXTITEM,
                                                static_cast<WPARAM>(row), LVNI_SELECTED))) >= 0) {
        rows.push_back(row);
    }
    return rows;
}

void Select(const ProgramDriver& program, int row, bool selected) {
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED;
    state.state = selected ? LVIS_SELECTED : 0;
    SendMessageW(program.List(), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&state));
}

void ClearClipboard() {
    ASSERT_TRUE(WaitFor([] { return OpenClipboard(nullptr) != FALSE; }, 2000));
    EmptyClipboard();
    CloseClipboard();
}

TEST(RowsTest, CtrlCCopiesTheSelectedRowsUnderTheHeaderAndCopyTableTheWholeTable) {
    ProgramDriver program(AppStartedWith(L"tallyfold.exe " + kWeatherStation));
    ASSERT_TRUE(
        WaitFor([&] { return program.Rows() == CoreRows(kWeatherStation, kDevice18F4680); }));
    const Rows shown = program.Rows();
    ASSERT_GT(shown.size(), 5u);
    // Shift+Down from a selected row selects the next one as well: the list takes several.
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(program.List(), LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&state));
    SendMessageW(program.List(), LVM_SETSELECTIONMARK, 0, 1);
    program.PressKey(VK_DOWN, {VK_SHIFT});
    ASSERT_TRUE(WaitFor([&] {
        return SelectedRows(program) == std::vector<int>{1, 2};
    })) << SelectedRows(program).size();
    Select(program, static_cast<int>(shown.size()) - 1, true);  // and the total row

    ClearClipboard();
    program.PressKey('C', {VK_CONTROL});
    const Rows chosen = {shown[1], shown[2], shown.back()};
    EXPECT_TRUE(WaitFor([&] {
        return ClipboardText() == TabSeparatedLines(program.Headers(), chosen);
    })) << ClipboardText().c_str();

    ClearClipboard();
    program.SendCommand(IDM_EDIT_COPY_TABLE);
    EXPECT_EQ(ClipboardText(), TabSeparatedLines(program.Headers(), shown));

    // Ctrl+Ins copies as Ctrl+C does.
    for (int row = 0; row < static_cast<int>(shown.size()); ++row) {
        Select(program, row, row == 3);
    }
    ClearClipboard();
    program.PressKey(VK_INSERT, {VK_CONTROL});
    EXPECT_TRUE(WaitFor([&] {
        return ClipboardText() == TabSeparatedLines(program.Headers(), Rows{shown[3]});
    })) << ClipboardText().c_str();
}

// The Find box over the window, once it shows.
HWND WaitForFind(const ProgramDriver& program) {
    return program.WaitForOwnedDialog(L"Find");
}

// Types the text into the Find box and presses Enter, which is Find Next.
void FindThrough(HWND find, const std::wstring& text) {
    SetDlgItemTextW(find, IDC_FIND_TEXT, text.c_str());
    PostMessageW(GetDlgItem(find, IDC_FIND_TEXT), WM_KEYDOWN, VK_RETURN, 0);
}

int FocusedRow(const ProgramDriver& program) {
    return static_cast<int>(
        SendMessageW(program.List(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

TEST(RowsTest, CtrlFFindsAPartOfANameInAnyCaseAndF3TheNextOne) {
    ProgramDriver program(AppStartedWith(L"tallyfold.exe " + kKilnController));
    ASSERT_TRUE(WaitFor([&] { return program.Title() != L"Tallyfold"; }));
    program.SendCommand(IDM_VIEW_SYMBOLS);
    const Rows rows = program.Rows();
    std::vector<int> holding;  // the rows whose names hold "initialize", in any case
    for (size_t row = 0; row < rows.size(); ++row) {
        std::string name = rows[row][0];
        for (char& c : name) {
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
        if (name.find("initialize") != std::string::npos) {
            holding.push_back(static_cast<int>(row));
        }
    }
    ASSERT_GE(holding.size(), 3u);
    EXPECT_NE(rows[static_cast<size_t>(holding[0])][0].rfind("initialize", 0), 0u)
        << "the type-ahead would find it";

    program.PressKey('F', {VK_CONTROL});
    HWND find = WaitForFind(program);
    ASSERT_NE(find, nullptr);
    FindThrough(find, L"INITIALIZE");
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(find); }));
    EXPECT_TRUE(WaitFor([&] { return SelectedRows(program) == std::vector<int>{holding[0]}; }));
    EXPECT_EQ(FocusedRow(program), holding[0]);

    program.PressKey(VK_F3);
    EXPECT_TRUE(WaitFor([&] { return SelectedRows(program) == std::vector<int>{holding[1]}; }));
    // Past the last one, round to the first.
    for (size_t next = 2; next <= holding.size(); ++next) {
        program.PressKey(VK_F3);
        const int expected = holding[next % holding.size()];
        EXPECT_TRUE(WaitFor([&] { return SelectedRows(program) == std::vector<int>{expected}; }));
    }

    // Ctrl+F again offers the text looked for last; a text no row has is said so.
    program.PressKey('F', {VK_CONTROL});
    find = WaitForFind(program);
    ASSERT_NE(find, nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(find, IDC_FIND_TEXT)), L"INITIALIZE");
    FindThrough(find, L"no such name");
    const MessageBoxView box = WaitForMessageBox(program);
    ASSERT_NE(box.box, nullptr);
    EXPECT_NE(box.text.find(L"Cannot find \"no such name\""), std::wstring::npos)
        << box.text.c_str();
    PostMessageW(box.box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box.box); }));
    EXPECT_EQ(SelectedRows(program), std::vector<int>{holding[0]});

    // Esc in the Find box cancels it and finds nothing.
    program.PostCommand(IDM_EDIT_FIND_NEXT);  // "no such name" again
    const MessageBoxView again = WaitForMessageBox(program);
    ASSERT_NE(again.box, nullptr);
    PostMessageW(again.box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(again.box); }));
    program.PostCommand(IDM_EDIT_FIND);
    find = WaitForFind(program);
    ASSERT_NE(find, nullptr);
    SetDlgItemTextW(find, IDC_FIND_TEXT, L"initialize");
    PostMessageW(GetDlgItem(find, IDC_FIND_TEXT), WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(find); }));
    program.SendCommand(IDM_DEVICE_18F4680);  // handled after the box closed
    EXPECT_EQ(SelectedRows(program), std::vector<int>{holding[0]});
}

}  // namespace
