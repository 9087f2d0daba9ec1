// The Welcome and Plug Tablet pages: Next scans the ports for the tablet.
#include "wizard/wizard_pages.h"

// Next on either page: a found tablet leads straight to the Finish page,
// otherwise the sheet moves on to the following page.
static INT_PTR ScanOnNext(HWND page)
{
    if (ScanForTablet())
        return JumpTo(page, PAGE_FINISH);
    return PageResult(page, 0);
}

INT_PTR CALLBACK WelcomePageProc(HWND page, UINT msg, WPARAM, LPARAM lParam)
{
    if (msg != WM_NOTIFY)
        return FALSE;
    const NMHDR *hdr = (const NMHDR *)lParam;
    if (HandleCommonNotify(page, hdr))
        return TRUE;
    switch (hdr->code) {
    case PSN_SETACTIVE:
        PostButtons(page, PSWIZB_NEXT);
        return PageResult(page, 0);
    case PSN_WIZNEXT:
        return ScanOnNext(page);
    case PSN_RESET:
        return PageResult(page, 0);
    }
    return FALSE;
}

INT_PTR CALLBACK PlugTabletPageProc(HWND page, UINT msg, WPARAM, LPARAM lParam)
{
    if (msg == WM_INITDIALOG) {
        FitPlugPictures(page);
        return FALSE;
    }
    if (msg == WM_DESTROY) {
        ReleasePlugPictures();
        return FALSE;
    }
    if (msg != WM_NOTIFY)
        return FALSE;
    const NMHDR *hdr = (const NMHDR *)lParam;
    if (HandleCommonNotify(page, hdr))
        return TRUE;
    switch (hdr->code) {
    case PSN_SETACTIVE:
        PostButtons(page, PSWIZB_BACK | PSWIZB_NEXT);
        return PageResult(page, 0);
    case PSN_WIZNEXT:
        return ScanOnNext(page);
    case PSN_WIZBACK:
    case PSN_RESET:
        return PageResult(page, 0);
    }
    return FALSE;
}
