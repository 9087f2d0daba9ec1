// The Finish page: shows the port and carries out what the user agreed to.
#include "wizard/wizard_pages.h"

static void ShowPortText(HWND page)
{
    char text[16];
    if (!GetDlgItem(page, IDC_PORTTEXT))
        return;
    wsprintfA(text, "COM%d", g_selectedPort);
    SetDlgItemTextA(page, IDC_PORTTEXT, text);
}

static INT_PTR Back(HWND page)
{
    if (g_probeFound)
        return JumpTo(page, PAGE_WELCOME);
    if (g_deviceSetChoice == IDC_TABLETONLY)
        return JumpTo(page, PAGE_CONFIG);
    return JumpTo(page, PAGE_MANUAL);
}

static INT_PTR Finish(HWND page)
{
    // Disable the serial mouse only where the user agreed to it for the
    // port being installed, never for a port agreed earlier and left since.
    if (!g_probeFound && g_disableMouse && g_agreedMousePort == g_selectedPort)
        LookUpMouse(page, 1);
    WriteProfileStringA("Windows", "SkipMouseRedetect", "0");
    return PageResult(page, 0);
}

INT_PTR CALLBACK FinishPageProc(HWND page, UINT msg, WPARAM, LPARAM lParam)
{
    if (msg == WM_INITDIALOG) {
        ShowPortText(page);
        return TRUE;
    }
    if (msg != WM_NOTIFY)
        return FALSE;
    const NMHDR *hdr = (const NMHDR *)lParam;
    if (HandleCommonNotify(page, hdr))
        return TRUE;
    switch (hdr->code) {
    case PSN_SETACTIVE:
        ShowPortText(page);
        PostButtons(page, PSWIZB_BACK | PSWIZB_FINISH);
        return PageResult(page, 0);
    case PSN_WIZBACK:
        return Back(page);
    case PSN_WIZFINISH:
        return Finish(page);
    case PSN_RESET:
        return PageResult(page, 0);
    }
    return FALSE;
}
