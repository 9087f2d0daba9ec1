// Host window shared by both programs: an invisible window that carries the
// program's whole run inside its start command.
#ifndef QVX_HOST_H
#define QVX_HOST_H

#include <windows.h>

#define IDM_START 100
#define IDI_SETUP 300

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

#endif
