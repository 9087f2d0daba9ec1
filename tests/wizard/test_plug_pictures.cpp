// The Plug Tablet page's pictures as the page procedure shows them: the
// page template and bitmaps of the shipped setup.exe, each picture at its
// control's size in the page's font on this screen, and every bitmap
// deleted once, by the page, when it goes.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wizard/resource_ids.h"
#include "wizard/wizard_pages.h"

#ifndef QVX_SETUP_EXE
#error "QVX_SETUP_EXE must name the setup.exe under test"
#endif

namespace {

HMODULE SetupModule() {
    static HMODULE module = LoadLibraryExA(QVX_SETUP_EXE, NULL, LOAD_LIBRARY_AS_DATAFILE);
    return module;
}

// The picture controls in template order: bitmap, the drawing for the
// default screen (0: none), and the control's size in dialog units.
struct Picture { int bitmap, smaller, cx, cy; };
const Picture kPictures[] = {
    {IDB_PANEL, 0, 245, 100}, {IDB_LABEL1, 0, 25, 25}, {IDB_PLUG9, IDB_PLUG9_SMALL, 72, 45},
    {IDB_LABEL2, 0, 25, 25}, {IDB_PLUG25, IDB_PLUG25_SMALL, 100, 62}, {IDB_LABELOR, 0, 25, 25},
};

std::vector<HWND> PictureControls(HWND page) {
    std::vector<HWND> out;
    for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if ((GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP)
            out.push_back(c);
    return out;
}

HBITMAP Shown(HWND control) {
    return (HBITMAP)SendMessageA(control, STM_GETIMAGE, IMAGE_BITMAP, 0);
}

// A bitmap's pixels as 32-bit colours; empty for a handle that is no bitmap.
std::vector<DWORD> Pixels(HBITMAP bitmap) {
    BITMAP bm;
    if (!GetObjectA(bitmap, sizeof bm, &bm))
        return std::vector<DWORD>();
    BITMAPINFO bi;
    ZeroMemory(&bi, sizeof bi);
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = bm.bmWidth;
    bi.bmiHeader.biHeight = bm.bmHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    std::vector<DWORD> pixels(bm.bmWidth * bm.bmHeight);
    HDC dc = GetDC(NULL);
    GetDIBits(dc, bitmap, 0, bm.bmHeight, pixels.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(NULL, dc);
    return pixels;
}

bool IsBitmap(HBITMAP bitmap) {
    BITMAP bm;
    return bitmap && GetObjectA(bitmap, sizeof bm, &bm) != 0;
}

// What each picture control showed before and after the page procedure's
// creation step.
std::vector<HBITMAP> g_before, g_after;

INT_PTR CALLBACK WatchedPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG)
        for (HWND c : PictureControls(page))
            g_before.push_back(Shown(c));
    INT_PTR result = PlugTabletPageProc(page, msg, wParam, lParam);
    if (msg == WM_INITDIALOG)
        for (HWND c : PictureControls(page))
            g_after.push_back(Shown(c));
    return result;
}

HWND CreatePlugPage() {
    g_before.clear();
    g_after.clear();
    return CreateDialogParamA(SetupModule(), MAKEINTRESOURCEA(IDD_PLUGTABLET), NULL,
                              WatchedPageProc, 0);
}

#define REQUIRE_SETUP() \
    ASSERT_TRUE(SetupModule() != NULL) << "cannot load " << QVX_SETUP_EXE << ", error " << GetLastError()

TEST(PlugPictures, EachPictureIsItsBitmapAtItsControlsSize) {
    REQUIRE_SETUP();
    HWND page = CreatePlugPage();
    ASSERT_TRUE(page != NULL) << "error " << GetLastError();
    std::vector<HWND> controls = PictureControls(page);
    ASSERT_EQ(6u, controls.size());
    for (size_t i = 0; i < controls.size(); i++) {
        const Picture &p = kPictures[i];
        SCOPED_TRACE("picture control #" + std::to_string(i) + ", bitmap " + std::to_string(p.bitmap));
        RECT want = {0, 0, p.cx, p.cy}, got;
        MapDialogRect(page, &want);
        GetWindowRect(controls[i], &got);
        EXPECT_EQ(want.right, got.right - got.left);
        EXPECT_EQ(want.bottom, got.bottom - got.top);
        // The drawing nearer the control's scale, loaded at its size: the
        // one for the default screen below 1.75 pixels per dialog unit.
        int bitmap = p.smaller && want.right * 4 < p.cx * 7 ? p.smaller : p.bitmap;
        HBITMAP expected = (HBITMAP)LoadImageA(SetupModule(), MAKEINTRESOURCEA(bitmap), IMAGE_BITMAP,
                                               want.right, want.bottom, LR_DEFAULTCOLOR);
        ASSERT_TRUE(expected != NULL);
        std::vector<DWORD> shown = Pixels(Shown(controls[i]));
        EXPECT_EQ(Pixels(expected), shown) << "not bitmap " << bitmap << " at "
                                           << want.right << " x " << want.bottom;
        DeleteObject(expected);
    }
    DestroyWindow(page);
}

// The test prefix's screen is Windows 98's default one: 96 dpi, the pages'
// font MS Sans Serif, a bitmap font (Windows 2000 and later, and Wine
// unless told otherwise, take TrueType Tahoma), base units 6 x 13.
TEST(PlugPictures, DefaultScreenShowsTheDrawingsForIt) {
    REQUIRE_SETUP();
    HWND page = CreatePlugPage();
    ASSERT_TRUE(page != NULL);
    HDC dc = GetDC(page);
    HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageA(page, WM_GETFONT, 0, 0));
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(page, dc);
    EXPECT_FALSE(tm.tmPitchAndFamily & TMPF_TRUETYPE) << "the pages' font is a TrueType font";
    RECT unit = {0, 0, 4, 8};
    MapDialogRect(page, &unit);
    EXPECT_EQ(6, unit.right);
    EXPECT_EQ(13, unit.bottom);
    std::vector<HWND> controls = PictureControls(page);
    ASSERT_EQ(6u, controls.size());
    std::string sizes;
    for (HWND c : controls) {
        BITMAP bm;
        ASSERT_TRUE(GetObjectA(Shown(c), sizeof bm, &bm));
        sizes += std::to_string(bm.bmWidth) + "x" + std::to_string(bm.bmHeight) + " ";
    }
    // The two pictures with pins exactly the size of their drawings for
    // this screen, so shown pixel for pixel.
    EXPECT_EQ("368x163 38x41 108x73 38x41 150x101 38x41 ", sizes);
    DestroyWindow(page);
}

// A static control that is given a bitmap deletes neither it nor the one
// it loaded itself: the page deletes the replaced ones at once and its
// own when it goes, each once; a second page does the same again.
TEST(PlugPictures, PageDeletesEveryBitmapOnce) {
    REQUIRE_SETUP();
    for (int round = 0; round < 2; round++) {
        SCOPED_TRACE("page #" + std::to_string(round + 1));
        HWND page = CreatePlugPage();
        ASSERT_TRUE(page != NULL);
        ASSERT_EQ(6u, g_before.size());
        ASSERT_EQ(6u, g_after.size());
        for (size_t i = 0; i < g_before.size(); i++) {
            EXPECT_FALSE(IsBitmap(g_before[i])) << "bitmap the control loaded, #" << i;
            EXPECT_TRUE(IsBitmap(g_after[i])) << "bitmap shown, #" << i;
        }
        DestroyWindow(page);
        for (size_t i = 0; i < g_after.size(); i++)
            EXPECT_FALSE(IsBitmap(g_after[i])) << "bitmap shown, #" << i << ", after the page";
    }
}

}  // namespace
