#pragma once

#include <cstdint>
#include <string>

#include "size_table.h"
#include "win/dialog.h"
#include "win/list_ctrl.h"

// The main window: the report of the last map opened, for the chosen device.
class CMapSizeDlg : public CDialog {
public:
    explicit CMapSizeDlg(CDialog* parent = nullptr);
    ~CMapSizeDlg() override;

protected:
    void DoDataExchange(bool saving) override;
    BOOL OnInitDialog() override;
    bool OnCommand(UINT id) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    bool OnFileOpen();
    bool OnFileExit();
    bool OnDevice18F4680();
    bool OnDevice18F458();
    bool OnHelpAbout();

    bool OnSysCommand(WPARAM command);
    bool OnPaint();
    void OnSize(int cx, int cy);
    void OnInitMenuPopup(HMENU popup);
    void OnColumnClick(int column);

    void AddAboutEntryToSystemMenu();
    void ShowAboutBox();
    bool ReadMap(const std::wstring& path, SizeTable& table);
    void ClearEntries();
    void FillReport();

    CListCtrl m_list;
    std::int32_t m_bDevice18F458 = 0;
    std::int32_t m_bDevice18F4680 = 0;
    HICON m_hIcon;
    SizeTable m_entries;
};
