// Helpers the page procedures share.
#include "wizard/wizard_pages.h"
#include "detect/detect.h"

// Set while the serial-mouse lookup waits for the detector; the sheet's
// messages keep being dispatched then, so pages must not act on input.
static int g_lookupBusy;

INT_PTR PageResult(HWND page, LONG_PTR result)
{
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
    return TRUE;
}

void PostButtons(HWND page, DWORD buttons)
{
    PostMessageA(GetParent(page), PSM_SETWIZBUTTONS, 0, (LPARAM)buttons);
}

INT_PTR JumpTo(HWND page, int index)
{
    SendMessageA(GetParent(page), PSM_SETCURSEL, (WPARAM)index, 0);
    return PageResult(page, -1);
}

int ScanForTablet(void)
{
    // The scan takes seconds and dispatches nothing meanwhile.
    HCURSOR previous = SetCursor(LoadCursorA(NULL, (LPCSTR)IDC_WAIT));
    g_selectedPort = ScanComPorts();
    g_probeFound = g_selectedPort > 0;
    SetCursor(previous);
    return g_probeFound;
}

int LookUpMouse(HWND page, int disable)
{
    HWND sheet = GetParent(page);
    g_lookupBusy = 1;
    EnableWindow(sheet, FALSE);
    int port = FindMousePort(disable);
    EnableWindow(sheet, TRUE);
    g_lookupBusy = 0;
    return port;
}

int HandleCommonNotify(HWND page, const NMHDR *hdr)
{
    switch (hdr->code) {
    case PSN_WIZNEXT:
    case PSN_WIZBACK:
        if (g_lookupBusy)
            return (int)PageResult(page, -1);
        return 0;
    case PSN_WIZFINISH:
    case PSN_QUERYCANCEL:
        // Nonzero keeps the sheet open.
        if (g_lookupBusy)
            return (int)PageResult(page, TRUE);
        return 0;
    case PSN_KILLACTIVE:
        return (int)PageResult(page, 0);
    }
    return 0;
}

int HandleRadioClick(HWND page, WPARAM wParam, int first, int last)
{
    if (HIWORD(wParam) != BN_CLICKED)
        return 0;
    int id = LOWORD(wParam);
    if (id < first || id > last)
        return 0;
    // The page may hold two radio groups; keep a single mark across both.
    CheckRadioButton(page, first, last, id);
    PostButtons(page, PSWIZB_BACK | PSWIZB_NEXT);
    return id;
}

int HandleChoicePage(HWND page, UINT msg, WPARAM wParam, LPARAM lParam,
                     int first, int last, int *choice)
{
    if (msg == WM_INITDIALOG) {
        CheckRadioButton(page, first, last, *choice);
        return TRUE;
    }
    if (msg == WM_COMMAND) {
        int id = HandleRadioClick(page, wParam, first, last);
        if (id)
            *choice = id;
        return TRUE;
    }
    if (msg != WM_NOTIFY)
        return FALSE;
    const NMHDR *hdr = (const NMHDR *)lParam;
    if (HandleCommonNotify(page, hdr))
        return TRUE;
    switch (hdr->code) {
    case PSN_SETACTIVE:
        if (*choice)
            CheckRadioButton(page, first, last, *choice);
        PostButtons(page, PSWIZB_BACK | PSWIZB_NEXT);
        return (int)PageResult(page, 0);
    case PSN_RESET:
        *choice = 0;
        return (int)PageResult(page, 0);
    }
    return FALSE;
}
