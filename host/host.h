// Host window shared by both programs: an invisible window that carries the
// program's whole run inside its start command.
#ifndef QVX_HOST_H
#define QVX_HOST_H

#include <windows.h>

#define IDM_START 100
#define IDI_SETUP 300

// Held by whichever of the two programs is running: one run at a time, as
// both change the same files and the installer holds the COM ports.
#define RUN_MUTEX_NAME "QVXPR4417_Run"
#define SETUP_CLASS "QVXPR4417"
#define UNINSTALL_CLASS "QVXPR4417_Uninstall"

// The program's module instance, stored by the installer at entry; the
// wizard loads its page templates from it.
extern HINSTANCE g_instance;

// What the start command runs, with the host window as owner.
typedef int (*HostRunProc)(HWND owner);

// Registers the host class: style 0, system arrow, white background.
int RegisterHostClass(HINSTANCE instance, const char *className, HICON icon,
                      WNDPROC proc);

// Creates the zero-size popup host at the top-left corner of a 400 x 300
// area centred on the screen's client area.
HWND CreateHostWindow(HINSTANCE instance, const char *className,
                      const char *title);

// Handles the messages both host variants share (start command, destroy)
// and passes the rest to the default procedure.
LRESULT HostCommonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                       HostRunProc run);

// Standard message loop; returns the quit message's wParam.
int RunMessageLoop(void);

// The program's host: class, window, message loop; returns the exit code.
typedef int (*HostMainProc)(HINSTANCE instance);

// Runs host unless one of the two programs is running already: then brings
// that one's wizard or message box to the front and returns 0 at once.
int RunOneAtATime(HINSTANCE instance, HostMainProc host);

#endif
