// The uninstaller's run: reverses what the installer placed.
#ifndef QVX_UNINSTALL_H
#define QVX_UNINSTALL_H

#include <windows.h>

// The uninstaller's whole run, with the host window as owner of its message
// boxes and of the Setup API's dialogs. Returns 1 when the run reached its
// end (success or the failure message), 0 when it stopped early.
int RunUninstall(HWND owner);

#endif
