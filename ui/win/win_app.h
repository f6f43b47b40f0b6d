#pragma once

#include <windows.h>

#include <string>

class CDialog;

// The application object: the program's one instance is a static object of a derived class,
// whose start-up operation runs the main window.
class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();

    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Start-up: a non-zero result runs a message loop afterwards, 0 ends the program at once.
    virtual BOOL InitInstance() { return FALSE; }
    virtual int ExitInstance() { return 0; }

    // Commands no window handled end up here; returns whether one was handled.
    virtual bool OnCmdMsg(UINT id);

    // Opens a document as the shell opens it when it is double-clicked (a page in the default
    // browser). Returns an empty string, or why it could not.
    virtual std::wstring OpenInShell(const std::wstring& path);

    // Runs the current application object: start-up, message loop if asked for, end.
    static int Run();

    CDialog* m_pMainWnd = nullptr;
    // The command line the process was started with, program name first (Run sets it); empty
    // when the start-up operation is run without one.
    std::wstring m_commandLine;
};

// The application object of this process, or nullptr before it is constructed.
CWinApp* CurrentApp();

// The module that holds the templates, menus, icons and strings.
HINSTANCE ResourceInstance();

// The main window's handle, or nullptr when there is none: owner of message boxes and of
// dialogs opened without a parent.
HWND MainWindowHandle();
