#pragma once

#include <windows.h>

class CListCtrl;

// The standard Help command, which F1 produces in any dialog of the program.
inline constexpr UINT kHelpCommand = 0xE146;

// A dialog built from a template and run modally. Messages reach the derived class through
// OnMessage (a switch over the messages it handles) and OnCommand (a switch over command ids);
// commands 1 and 2 end the dialog unless the derived class takes them.
class CDialog {
public:
    explicit CDialog(UINT templateId, CDialog* parent = nullptr);
    virtual ~CDialog();

    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog until it ends; returns its result, or -1 when it cannot be created.
    INT_PTR DoModal();

    HWND GetSafeHwnd() const { return m_hWnd; }
    void EndDialog(INT_PTR result);

protected:
    // Runs data exchange; returns TRUE to let the dialog manager set the focus.
    virtual BOOL OnInitDialog();
    // Binds controls to members (saving is false) or reads them back (saving is true).
    virtual void DoDataExchange(bool saving);
    virtual void OnOK();
    virtual void OnCancel();
    // Places the dialog once it is initialised, before it shows: a template at 0,0 without a
    // placement style is centred over its owner (or the work area).
    virtual void PlaceWindow();

    // Returns true when the command was handled; the base handles 1 and 2.
    virtual bool OnCommand(UINT id);
    // Returns true when the message was handled, with the dialog procedure's result in result.
    // Unhandled messages get the dialog manager's default processing.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

    // While the dialog runs, the keys of this accelerator table give their commands, as its menu
    // would. Call it before the dialog runs or during its initialisation.
    void UseAccelerators(UINT tableId);

    // Attaches a control member to the control of that id.
    void BindControl(int id, CListCtrl& control);

    // Shows a message box owned by this dialog.
    int ShowMessage(const wchar_t* text, UINT type);

    HWND m_hWnd = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK MessageFilter(int code, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void RouteCommand(UINT id);
    void CentreIfTemplateAtOrigin();
    HWND OwnerForModalRun() const;

    UINT m_templateId;
    CDialog* m_parent;
    HACCEL m_accelerators = nullptr;
};
