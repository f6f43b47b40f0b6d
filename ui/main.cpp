#include <windows.h>

#include "map_size_app.h"

namespace {

CMapSizeApp theApp;

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return CWinApp::Run();
}
