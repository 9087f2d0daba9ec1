// Entry and host window of the uninstaller. The window is never shown and
// never made topmost; the uninstaller has no pages of its own to keep in
// front, so position requests go to the default procedure.
#include "host/host.h"
#include "uninstall/uninstall.h"

LRESULT CALLBACK HostWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return HostCommonProc(hwnd, msg, wParam, lParam, RunUninstall);
}

static int RunHost(HINSTANCE instance)
{
    if (!RegisterHostClass(instance, UNINSTALL_CLASS, NULL, HostWndProc))
        return 0;
    HWND hwnd = CreateHostWindow(instance, UNINSTALL_CLASS,
                                 "Quorvix PR-4417 Uninstall");
    if (!hwnd)
        return 0;
    UpdateWindow(hwnd);
    return RunMessageLoop();
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return RunOneAtATime(instance, RunHost);
}
