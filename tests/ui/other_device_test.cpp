#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/device_profile.h"
#include "resource.h"
#include "window_driver.h"
#include "window_expectations.h"

// Device > Other Device...: any PIC18 part, found by typing a part of its name.

namespace {

// The parts the box lists, in its order.
std::vector<std::string> ListedParts(HWND box) {
    HWND list = GetDlgItem(box, IDC_PART_LIST);
    std::vector<std::string> parts;
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int item = 0; item < count; ++item) {
        char text[64] = {};
        LVITEMA request{};
        request.pszText = text;
        request.cchTextMax = 64;
        SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(item),
                     reinterpret_cast<LPARAM>(&request));
        parts.emplace_back(text);
    }
    return parts;
}

std::string SelectedPart(HWND box) {
    HWND list = GetDlgItem(box, IDC_PART_LIST);
    const int item = static_cast<int>(
        SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    const std::vector<std::string> parts = ListedParts(box);
    return item >= 0 && static_cast<size_t>(item) < parts.size() ? parts[static_cast<size_t>(item)]
                                                                 : "(none)";
}

HWND OpenOtherDevice(const ProgramDriver& program) {
    program.PostCommand(IDM_DEVICE_OTHER);
    return program.WaitForOwnedDialog(L"Other Device");
}

// Keys typed into the box's field, as the keyboard types them.
void Type(HWND box, const std::wstring& text) {
    HWND field = GetDlgItem(box, IDC_PART_FILTER);
    for (wchar_t c : text) {
        PostMessageW(field, WM_CHAR, c, 0);
    }
}

const DeviceSelection k18F46K22 = *DeviceSelectionNamed("18F46K22");

TEST(OtherDeviceTest, TypingFiltersThePartsAndEnterMakesTheOneSelectedTheDevice) {
    ProgramDriver program(AppStartedWith(L"tallyfold.exe " + kWeatherStation));
    ASSERT_TRUE(
        WaitFor([&] { return program.Rows() == CoreRows(kWeatherStation, kDevice18F4680); }));
    EXPECT_EQ(program.ItemText(IDM_DEVICE_OTHER), L"&Other Device\x2026");
    EXPECT_FALSE(program.IsChecked(IDM_DEVICE_OTHER));

    HWND box = OpenOtherDevice(program);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ListedParts(box).size(), AllPic18Parts().size());
    EXPECT_EQ(SelectedPart(box), "18F4680");  // the device shown
    Type(box, L"pic18f46k2");
    ASSERT_TRUE(WaitFor([&] {
        return WindowText(GetDlgItem(box, IDC_PART_FILTER)) == L"pic18f46k2" &&
               ListedParts(box).size() < 10;
    }));
    for (const std::string& part : ListedParts(box)) {
        EXPECT_NE(part.find("46K2"), std::string::npos) << part;
    }
    // The arrow keys in the field move through the list; Enter takes the part selected.
    const std::vector<std::string> listed = ListedParts(box);
    ASSERT_GE(listed.size(), 2u);
    EXPECT_EQ(SelectedPart(box), listed[0]);
    const auto k46K22 = std::find(listed.begin(), listed.end(), "18F46K22");
    ASSERT_NE(k46K22, listed.end());
    for (auto at = listed.begin(); at != k46K22; ++at) {
        PostMessageW(GetDlgItem(box, IDC_PART_FILTER), WM_KEYDOWN, VK_DOWN, 0);
    }
    ASSERT_TRUE(WaitFor([&] { return SelectedPart(box) == "18F46K22"; })) << SelectedPart(box);
    PostMessageW(GetDlgItem(box, IDC_PART_FILTER), WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }));

    const Rows rows = CoreRows(kWeatherStation, k18F46K22);
    EXPECT_TRUE(WaitFor([&] { return program.Rows() == rows; }));
    EXPECT_NE(rows, CoreRows(kWeatherStation, kDevice18F4680));
    EXPECT_EQ(program.StatusParts().at(1), "18F46K22 (ROM 65536, RAM 3896 bytes)");
    EXPECT_TRUE(program.IsChecked(IDM_DEVICE_OTHER));
    EXPECT_EQ(program.ItemText(IDM_DEVICE_OTHER), L"&Other Device (18F46K22)\x2026");
    for (const UINT item :
         {UINT{IDM_DEVICE_18F4680}, UINT{IDM_DEVICE_18F458}, UINT{IDM_DEVICE_FROM_MAP}}) {
        EXPECT_FALSE(program.IsChecked(item)) << item;
    }

    // The next map is shown for it too.
    PostMessageW(program.Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf(kBlinky)), 0);
    EXPECT_TRUE(WaitFor([&] { return program.Rows() == CoreRows(kBlinky, k18F46K22); }));

    // A menu item takes the device back, and the item's text is its own again.
    program.SendCommand(IDM_DEVICE_18F458);
    EXPECT_EQ(program.Rows(), CoreRows(kBlinky, kDevice18F458));
    EXPECT_FALSE(program.IsChecked(IDM_DEVICE_OTHER));
    EXPECT_EQ(program.ItemText(IDM_DEVICE_OTHER), L"&Other Device\x2026");
}

TEST(OtherDeviceTest, EscChangesNothingAndANameNoPartHasKeepsTheBoxOpen) {
    ProgramDriver program(AppStartedWith(L"tallyfold.exe " + kBlinky));
    ASSERT_TRUE(WaitFor([&] { return program.Rows() == CoreRows(kBlinky, kDevice18F4680); }));
    HWND box = OpenOtherDevice(program);
    ASSERT_NE(box, nullptr);
    Type(box, L"18F9999");
    ASSERT_TRUE(WaitFor([&] {
        return WindowText(GetDlgItem(box, IDC_PART_FILTER)) == L"18F9999" &&
               ListedParts(box).empty();
    }));
    PostMessageW(GetDlgItem(box, IDC_PART_FILTER), WM_KEYDOWN, VK_RETURN, 0);
    program.PostCommand(IDM_DEVICE_18F458);  // reaches the window only once the box is gone
    EXPECT_FALSE(WaitFor([&] { return !IsWindow(box); }, 500));
    PostMessageW(GetDlgItem(box, IDC_PART_FILTER), WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }));
    EXPECT_TRUE(WaitFor([&] { return program.IsChecked(IDM_DEVICE_18F458); }));
    EXPECT_FALSE(program.IsChecked(IDM_DEVICE_OTHER));

    // A part chosen in the box that is a menu item checks that item.
    box = OpenOtherDevice(program);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(SelectedPart(box), "18F458");
    Type(box, L"18f4680");
    ASSERT_TRUE(WaitFor([&] {
        return WindowText(GetDlgItem(box, IDC_PART_FILTER)) == L"18f4680" &&
               SelectedPart(box) == "18F4680";
    }));
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }));
    EXPECT_TRUE(WaitFor([&] { return program.IsChecked(IDM_DEVICE_18F4680); }));
    EXPECT_FALSE(program.IsChecked(IDM_DEVICE_OTHER));
    EXPECT_EQ(program.Rows(), CoreRows(kBlinky, kDevice18F4680));
}

}  // namespace
