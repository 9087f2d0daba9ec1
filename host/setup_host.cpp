// Entry and host window of the installer.
#include "host/host.h"
#include "install/install.h"

HINSTANCE g_instance;

// Set by the first WM_WINDOWPOSCHANGING; every later request is pinned.
static int g_firstPositionDone;

// The driver is a VxD and the script edits system.ini: on the Windows NT
// family neither is used, so installing there would change the system and
// ask for a restart after which the tablet still does not work.
static int IsWindowsNT(void)
{
    return (GetVersion() & 0x80000000) == 0;
}

static int StartInstall(HWND owner)
{
    if (IsWindowsNT()) {
        MessageBoxA(owner, "This driver works only on Windows 95 and Windows 98.",
                    "Error", MB_OK);
        return 0;
    }
    return RunInstall(owner, g_instance);
}

LRESULT CALLBACK HostWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_WINDOWPOSCHANGING) {
        // The first request (from showing the window) passes; after that the
        // window keeps its place and zero size, while z-order changes such
        // as becoming topmost still take effect.
        WINDOWPOS *pos = (WINDOWPOS *)lParam;
        if (!g_firstPositionDone)
            g_firstPositionDone = 1;
        else
            pos->flags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW |
                         SWP_NOOWNERZORDER;
        return 0;
    }
    return HostCommonProc(hwnd, msg, wParam, lParam, StartInstall);
}

static int RunHost(HINSTANCE instance)
{
    g_instance = instance;
    HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SETUP));
    if (!RegisterHostClass(instance, SETUP_CLASS, icon, HostWndProc))
        return 0;
    HWND hwnd = CreateHostWindow(instance, SETUP_CLASS, "Penrel Tablet Setup");
    if (!hwnd)
        return 0;
    ShowWindow(hwnd, SW_SHOW);
    SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    UpdateWindow(hwnd);
    return RunMessageLoop();
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return RunOneAtATime(instance, RunHost);
}
