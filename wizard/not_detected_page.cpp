// The Tablet not detected page: retry the scan, name the port by hand, or
// give up.
#include "wizard/wizard_pages.h"

static INT_PTR NextByRecoveryChoice(HWND page)
{
    switch (g_recoveryChoice) {
    case IDC_RETRY:
        if (ScanForTablet())
            return JumpTo(page, PAGE_FINISH);
        MessageBoxA(page,
                    "Setup cannot detect which port you have plugged the tablet into.",
                    "Setup", MB_OK | MB_ICONINFORMATION);
        return PageResult(page, -1);
    case IDC_ABORT:
        MessageBoxA(page,
                    "The port which the tablet has been plugged into may be currently "
                    "used by another device driver.\nPlease disable that device "
                    "driver after Setup exits.\nThen reboot your system and run "
                    "Setup again.",
                    "Setup", MB_OK | MB_ICONINFORMATION);
        // Ends the sheet's loop as a cancel would: nothing is installed.
        PostQuitMessage(0);
        return PageResult(page, 0);
    }
    return PageResult(page, 0);
}

INT_PTR CALLBACK NotDetectedPageProc(HWND page, UINT msg, WPARAM wParam,
                                     LPARAM lParam)
{
    if (HandleChoicePage(page, msg, wParam, lParam, IDC_RETRY, IDC_ABORT,
                         &g_recoveryChoice))
        return TRUE;
    if (msg != WM_NOTIFY)
        return FALSE;
    switch (((const NMHDR *)lParam)->code) {
    case PSN_WIZNEXT:
        return NextByRecoveryChoice(page);
    case PSN_WIZBACK:
        return PageResult(page, 0);
    }
    return FALSE;
}
