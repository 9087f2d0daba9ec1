// The parts of the host window that the installer and the uninstaller share.
#include "host/host.h"

int RegisterHostClass(HINSTANCE instance, const char *className, HICON icon,
                      WNDPROC proc)
{
    WNDCLASSA wc;
    wc.style = 0;
    wc.lpfnWndProc = proc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszMenuName = NULL;
    wc.lpszClassName = className;
    return RegisterClassA(&wc) != 0;
}

HWND CreateHostWindow(HINSTANCE instance, const char *className,
                      const char *title)
{
    // C division truncates toward zero, which is the rounding wanted here
    // even on screens narrower than the 400 x 300 area.
    int x = (GetSystemMetrics(SM_CXFULLSCREEN) - 400) / 2;
    int y = (GetSystemMetrics(SM_CYFULLSCREEN) - 300) / 2;
    return CreateWindowExA(0, className, title, WS_POPUP, x, y, 0, 0,
                           NULL, NULL, instance, NULL);
}

LRESULT HostCommonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                       HostRunProc run)
{
    switch (msg) {
    case WM_CREATE:
        // Posted, not run here: the run must start inside the message loop,
        // after the window has been shown (and, for setup, made topmost).
        PostMessageA(hwnd, WM_COMMAND, IDM_START, 0);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDM_START)
            break;
        run(hwnd);
        PostMessageA(hwnd, WM_DESTROY, 0, 0);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

int RunMessageLoop(void)
{
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}

// What the running program shows: the window of its thread to bring to the
// front for a second start.
struct FrontSearch {
    DWORD thread;
    HWND host;
    HWND found;
};

static BOOL CALLBACK FindShownWindow(HWND hwnd, LPARAM lParam)
{
    FrontSearch *search = (FrontSearch *)lParam;
    if (hwnd == search->host ||
        GetWindowThreadProcessId(hwnd, NULL) != search->thread ||
        !IsWindowVisible(hwnd) || !IsWindowEnabled(hwnd))
        return TRUE;
    search->found = hwnd;
    return FALSE;
}

// Only calls that do not wait for the other program: it may be inside a
// port scan that dispatches no messages for seconds.
static void ShowRunningProgram(void)
{
    HWND host = FindWindowA(SETUP_CLASS, NULL);
    if (!host)
        host = FindWindowA(UNINSTALL_CLASS, NULL);
    if (!host)
        return;
    // The wizard or a message box it owns; else a window of the same thread
    // that has no owner, such as the restart question. Never the host
    // itself: it has no size, and activating it would only take the
    // keyboard away from what the user is answering.
    HWND front = GetLastActivePopup(host);
    if (!front || front == host || !IsWindowVisible(front)) {
        FrontSearch search;
        search.thread = GetWindowThreadProcessId(host, NULL);
        search.host = host;
        search.found = NULL;
        EnumWindows(FindShownWindow, (LPARAM)&search);
        front = search.found;
    }
    if (front)
        SetForegroundWindow(front);
}

int RunOneAtATime(HINSTANCE instance, HostMainProc host)
{
    // Before anything else: a second start must not show a banner, scan the
    // ports the first one holds, or install or remove a second time.
    HANDLE run = CreateMutexA(NULL, FALSE, RUN_MUTEX_NAME);
    if (run && GetLastError() == ERROR_ALREADY_EXISTS) {
        ShowRunningProgram();
        CloseHandle(run);
        return 0;
    }
    // A mutex that cannot be made at all leaves the program unguarded
    // rather than unable to run.
    int result = host(instance);
    if (run)
        CloseHandle(run);
    return result;
}
