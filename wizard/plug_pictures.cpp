// The Plug Tablet page's pictures, each at the size of its place on the page.
#include "wizard/wizard_pages.h"

// The bitmaps are drawn at two pixels per dialog unit, the scale of a Large
// Fonts screen. On a default screen the page is a quarter smaller, and a
// picture shown at its own size would reach past the grey panel and the
// page's edge; so each is loaded at the size of its control, which follows
// the page's font and the screen's resolution as every other control does.
// The two pictures with pins are also drawn at one and a half pixels per
// dialog unit across, the default screen's scale, as shrinking merges their
// pins; a control takes the drawing nearer its own scale.
// The pictures in template order: the bitmap, its control's size and the
// smaller drawing, if any.
static const struct { WORD bitmap; short size[2]; WORD smaller; } kPictures[] = {
    {IDB_PANEL, {PICSIZE_PANEL}, 0},
    {IDB_LABEL1, {PICSIZE_LABEL}, 0},
    {IDB_PLUG9, {PICSIZE_PLUG9}, IDB_PLUG9_SMALL},
    {IDB_LABEL2, {PICSIZE_LABEL}, 0},
    {IDB_PLUG25, {PICSIZE_PLUG25}, IDB_PLUG25_SMALL},
    {IDB_LABELOR, {PICSIZE_LABEL}, 0},
};
enum { PICTURE_COUNT = sizeof kPictures / sizeof kPictures[0] };

// The picture controls whose bitmaps the page has replaced. A static control
// that was given a bitmap no longer deletes any: both the replaced bitmap
// and the one it shows are the page's to delete.
static HWND g_fitted[PICTURE_COUNT];

// The bitmap at cx x cy pixels. Windows 95's loader promises a requested
// size for icons and cursors only and may hand a bitmap back at its own
// size; such a one is stretched here, with GDI functions Windows 95 has.
// Takes the loaded bitmap; returns the one to show, or NULL (and nothing
// left to delete) when none could be made.
static HBITMAP SizedBitmap(HWND control, HBITMAP loaded, int cx, int cy)
{
    BITMAP bm;
    if (!GetObjectA(loaded, sizeof bm, &bm)) {
        DeleteObject(loaded);
        return NULL;
    }
    if (bm.bmWidth == cx && bm.bmHeight == cy)
        return loaded;
    HBITMAP sized = NULL;
    HDC screen = GetDC(control);
    if (screen) {
        HDC from = CreateCompatibleDC(screen);
        HDC to = CreateCompatibleDC(screen);
        if (from && to)
            sized = CreateCompatibleBitmap(screen, cx, cy);
        if (sized) {
            HGDIOBJ fromBefore = SelectObject(from, loaded);
            HGDIOBJ toBefore = SelectObject(to, sized);
            // Whole pixels of the drawing, never blended: the pictures are
            // drawn in the 16 standard colours, and Windows 95 knows no
            // HALFTONE.
            SetStretchBltMode(to, COLORONCOLOR);
            BOOL drawn = StretchBlt(to, 0, 0, cx, cy, from, 0, 0, bm.bmWidth,
                                    bm.bmHeight, SRCCOPY);
            SelectObject(from, fromBefore);
            SelectObject(to, toBefore);
            if (!drawn) {
                DeleteObject(sized);
                sized = NULL;
            }
        }
        if (from)
            DeleteDC(from);
        if (to)
            DeleteDC(to);
        ReleaseDC(control, screen);
    }
    DeleteObject(loaded);
    return sized;
}

void FitPlugPictures(HWND page)
{
    int n = 0;
    // Every control of the page is a static; the pictures come in the
    // template's order.
    for (HWND ctl = GetWindow(page, GW_CHILD); ctl && n < PICTURE_COUNT;
         ctl = GetWindow(ctl, GW_HWNDNEXT)) {
        if ((GetWindowLongA(ctl, GWL_STYLE) & SS_TYPEMASK) != SS_BITMAP)
            continue;
        RECT size = {0, 0, kPictures[n].size[0], kPictures[n].size[1]};
        MapDialogRect(page, &size);
        WORD bitmap = kPictures[n].bitmap;
        // Nearer 1.5 than 2 pixels per dialog unit across.
        if (kPictures[n].smaller && 4 * size.right < 7 * kPictures[n].size[0])
            bitmap = kPictures[n].smaller;
        // From the program's own instance: which instance the common
        // controls give a page window is not documented.
        HBITMAP fitted = (HBITMAP)LoadImageA(g_wizardInstance, MAKEINTRESOURCEA(bitmap),
                                             IMAGE_BITMAP, size.right, size.bottom,
                                             LR_DEFAULTCOLOR);
        if (fitted)
            fitted = SizedBitmap(ctl, fitted, size.right, size.bottom);
        if (fitted) {
            HBITMAP replaced = (HBITMAP)SendMessageA(ctl, STM_SETIMAGE, IMAGE_BITMAP,
                                                     (LPARAM)fitted);
            if (replaced)
                DeleteObject(replaced);
            g_fitted[n] = ctl;
        }
        n++;
    }
}

void ReleasePlugPictures(void)
{
    for (int n = 0; n < PICTURE_COUNT; n++) {
        if (!g_fitted[n])
            continue;
        HBITMAP fitted = (HBITMAP)SendMessageA(g_fitted[n], STM_SETIMAGE, IMAGE_BITMAP, 0);
        if (fitted)
            DeleteObject(fitted);
        g_fitted[n] = NULL;
    }
}
