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
    if (msg == WM_INITDIALOG) {
        CheckRadioButton(page, IDC_RETRY, IDC_ABORT, g_recoveryChoice);
        return TRUE;
    }
    if (msg == WM_COMMAND) {
        int id = HandleRadioClick(page, wParam, IDC_RETRY, IDC_ABORT);
        if (id)
            g_recoveryChoice = id;
        return TRUE;
    }
    if (msg != WM_NOTIFY)
        return FALSE;
    const NMHDR *hdr = (const NMHDR *)lParam;
    if (HandleCommonNotify(page, hdr))
        return TRUE;
    switch (hdr->code) {
    case PSN_SETACTIVE:
        if (g_recoveryChoice)
            CheckRadioButton(page, IDC_RETRY, IDC_ABORT, g_recoveryChoice);
        PostButtons(page, PSWIZB_BACK | PSWIZB_NEXT);
        return PageResult(page, 0);
    case PSN_WIZNEXT:
        return NextByRecoveryChoice(page);
    case PSN_WIZBACK:
        return PageResult(page, 0);
    case PSN_RESET:
        g_recoveryChoice = 0;
        return PageResult(page, 0);
    }
    return FALSE;
}
