// The Manual page: the user names the tablet's port, COM1 to COM8.
#include "wizard/wizard_pages.h"

// Shows exactly one mark, the selected port's. A port left outside 1..8 by
// a failed scan or lookup becomes COM1, so no such port is ever installed.
static void ShowSelectedPort(HWND page)
{
    if (g_selectedPort < 1 || g_selectedPort > 8)
        g_selectedPort = 1;
    CheckRadioButton(page, IDC_COM1, IDC_COM8, IDC_COM1 + g_selectedPort - 1);
}

static INT_PTR ConfirmMousePort(HWND page)
{
    if (LookUpMouse(page, 0) != g_selectedPort)
        return PageResult(page, 0);
    int answer = MessageBoxA(page,
                             "Setup has detected a mouse driver installed at the "
                             "selected port.\nSetup will attempt to disable the "
                             "mouse driver.",
                             "Setup", MB_OKCANCEL | MB_ICONINFORMATION);
    if (answer != IDOK)
        return PageResult(page, -1);
    g_disableMouse = 1;
    g_agreedMousePort = g_selectedPort;
    return PageResult(page, 0);
}

INT_PTR CALLBACK ManualPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_INITDIALOG) {
        g_selectedPort = 1;
        ShowSelectedPort(page);
        return TRUE;
    }
    if (msg == WM_COMMAND) {
        int id = HandleRadioClick(page, wParam, IDC_COM1, IDC_COM8);
        if (id)
            g_selectedPort = id - (IDC_COM1 - 1);
        return TRUE;
    }
    if (msg != WM_NOTIFY)
        return FALSE;
    const NMHDR *hdr = (const NMHDR *)lParam;
    if (HandleCommonNotify(page, hdr))
        return TRUE;
    switch (hdr->code) {
    case PSN_SETACTIVE:
        ShowSelectedPort(page);
        PostButtons(page, PSWIZB_BACK | PSWIZB_NEXT);
        return PageResult(page, 0);
    case PSN_WIZNEXT:
        return ConfirmMousePort(page);
    case PSN_WIZBACK:
        return PageResult(page, 0);
    case PSN_RESET:
        g_selectedPort = 0;
        return PageResult(page, 0);
    }
    return FALSE;
}
