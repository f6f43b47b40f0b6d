#pragma once

#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "core/device_profile.h"
#include "core/pic18_parts.h"
#include "win/dialog.h"
#include "win/list_ctrl.h"

// Other Device: every PIC18 part of the table in a list that the text typed above it filters;
// Enter (or OK, or a double-click) chooses the part selected, Esc chooses none.
class COtherDeviceDlg : public CDialog {
public:
    // Opens with `current` selected when it is a part of the list.
    explicit COtherDeviceDlg(const DeviceSelection& current);
    ~COtherDeviceDlg() override;

    // The part chosen, once the box ended with OK.
    const DeviceSelection& Chosen() const { return m_chosen; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(bool saving) override;
    void OnOK() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void ShowPartsMatching(bool keepCurrent);
    void OnGetDispInfo(LVITEMW& item) const;
    int SelectedPart() const;
    void SelectPart(int place);
    static LRESULT CALLBACK FilterKeys(HWND field, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR data);

    CListCtrl m_list;
    std::vector<const Pic18Part*> m_parts;  // shown, in the list's order
    DeviceSelection m_chosen;
};
