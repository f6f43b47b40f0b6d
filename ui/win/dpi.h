#pragma once

#include <windows.h>

// The DPI a window is shown at: the system's per-window DPI where the system has it, else the
// DPI of the window's display context.
int DpiForWindow(HWND window);

// A system metric (SM_CXVSCROLL, SM_CXBORDER...) at that DPI, where the system can give it per
// DPI; else the metric of the process's DPI.
int SystemMetricForDpi(int index, int dpi);

// Widens a client rectangle to the window rectangle of a window of that style at that DPI.
void AdjustWindowRectForDpi(RECT& rect, DWORD style, bool hasMenu, DWORD exStyle, int dpi);
