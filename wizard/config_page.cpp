// The Tablet Configuration page: with the tablet alone, Windows may have
// taken it for a serial mouse, whose port is then the tablet's.
#include "wizard/wizard_pages.h"

INT_PTR CALLBACK ConfigPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_INITDIALOG) {
        CheckRadioButton(page, IDC_TABLETONLY, IDC_MOUSEANDTABLET, g_deviceSetChoice);
        return TRUE;
    }
    if (msg == WM_COMMAND) {
        int id = HandleRadioClick(page, wParam, IDC_TABLETONLY, IDC_MOUSEANDTABLET);
        if (id)
            g_deviceSetChoice = id;
        return TRUE;
    }
    if (msg != WM_NOTIFY)
        return FALSE;
    const NMHDR *hdr = (const NMHDR *)lParam;
    if (HandleCommonNotify(page, hdr))
        return TRUE;
    switch (hdr->code) {
    case PSN_SETACTIVE:
        if (g_deviceSetChoice)
            CheckRadioButton(page, IDC_TABLETONLY, IDC_MOUSEANDTABLET,
                             g_deviceSetChoice);
        PostButtons(page, PSWIZB_BACK | PSWIZB_NEXT);
        return PageResult(page, 0);
    case PSN_WIZNEXT:
        if (g_deviceSetChoice == IDC_TABLETONLY) {
            g_selectedPort = LookUpMouse(page);
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
    case PSN_RESET:
        g_deviceSetChoice = 0;
        return PageResult(page, 0);
    }
    return FALSE;
}
