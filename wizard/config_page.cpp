// The Tablet Configuration page: with the tablet alone, Windows may have
// taken it for a serial mouse, whose port is then the tablet's.
#include "wizard/wizard_pages.h"

INT_PTR CALLBACK ConfigPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (HandleChoicePage(page, msg, wParam, lParam, IDC_TABLETONLY,
                         IDC_MOUSEANDTABLET, &g_deviceSetChoice))
        return TRUE;
    if (msg != WM_NOTIFY)
        return FALSE;
    switch (((const NMHDR *)lParam)->code) {
    case PSN_WIZNEXT:
        if (g_deviceSetChoice == IDC_TABLETONLY) {
            g_selectedPort = LookUpMouse(page, 0);
            if (g_selectedPort > 0) {
                g_disableMouse = 1;
                g_agreedMousePort = g_selectedPort;
                return JumpTo(page, PAGE_FINISH);
            }
        }
        return PageResult(page, 0);
    case PSN_WIZBACK:
        if (g_probeFound)
            return JumpTo(page, PAGE_WELCOME);
        return PageResult(page, 0);
    }
    return FALSE;
}
