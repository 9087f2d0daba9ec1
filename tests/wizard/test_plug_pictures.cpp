// The Plug Tablet page's pictures as the page procedure shows them: the
// page template and bitmaps of the shipped setup.exe, each picture at its
// control's size in the page's font on this screen, and every bitmap
// deleted once, by the page, when it goes.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "wizard/resource_ids.h"
#include "wizard/wizard_pages.h"
#include "tests/fake_import.h"

#ifndef QVX_SETUP_EXE
#error "QVX_SETUP_EXE must name the setup.exe under test"
#endif

// The loader as Windows 95 may be: a bitmap comes back at its own size
// whatever size was asked (documented for icons and cursors only). And a
// count of every bitmap the page code makes and deletes.
static bool g_loaderIgnoresSize;
static int g_loads;
static std::vector<HGDIOBJ> g_made;
static std::map<HGDIOBJ, int> g_deleted;

static FARPROC RealGdi(const char *dll, const char *name) {
    return GetProcAddress(GetModuleHandleA(dll), name);
}

static HANDLE WINAPI FakeLoadImage(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy,
                                   UINT flags) {
    typedef HANDLE(WINAPI * Fn)(HINSTANCE, LPCSTR, UINT, int, int, UINT);
    if (g_loaderIgnoresSize && type == IMAGE_BITMAP)
        cx = cy = 0;
    HANDLE image = ((Fn)(void *)RealGdi("user32.dll", "LoadImageA"))(instance, name, type, cx, cy,
                                                                      flags);
    if (image) {
        g_loads++;
        g_made.push_back(image);
    }
    return image;
}

static HBITMAP WINAPI FakeCreateCompatibleBitmap(HDC dc, int cx, int cy) {
    typedef HBITMAP(WINAPI * Fn)(HDC, int, int);
    HBITMAP bitmap = ((Fn)(void *)RealGdi("gdi32.dll", "CreateCompatibleBitmap"))(dc, cx, cy);
    if (bitmap)
        g_made.push_back(bitmap);
    return bitmap;
}

static BOOL WINAPI FakeDeleteObject(HGDIOBJ object) {
    typedef BOOL(WINAPI * Fn)(HGDIOBJ);
    if (GetObjectType(object) == OBJ_BITMAP)
        g_deleted[object]++;
    return ((Fn)(void *)RealGdi("gdi32.dll", "DeleteObject"))(object);
}

QVX_FAKE_IMPORT(LoadImageA, 24, FakeLoadImage);
QVX_FAKE_IMPORT(CreateCompatibleBitmap, 12, FakeCreateCompatibleBitmap);
QVX_FAKE_IMPORT(DeleteObject, 4, FakeDeleteObject);

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
    if (msg == WM_INITDIALOG) {
        for (HWND c : PictureControls(page))
            g_before.push_back(Shown(c));
        // The page window may report another instance than the program's
        // (here this test's, which has no pictures): the pictures must
        // still come from the one the sheet was given.
        SetWindowLongPtrA(page, GWLP_HINSTANCE, (LONG_PTR)GetModuleHandleA(NULL));
    }
    INT_PTR result = PlugTabletPageProc(page, msg, wParam, lParam);
    if (msg == WM_INITDIALOG)
        for (HWND c : PictureControls(page))
            g_after.push_back(Shown(c));
    return result;
}

HWND CreatePlugPage() {
    g_before.clear();
    g_after.clear();
    g_loads = 0;
    g_made.clear();
    g_deleted.clear();
    g_wizardInstance = SetupModule();
    return CreateDialogParamA(SetupModule(), MAKEINTRESOURCEA(IDD_PLUGTABLET), NULL,
                              WatchedPageProc, 0);
}

// The real loader and deleter, past the counting fakes.
HBITMAP LoadAtSize(int bitmap, int cx, int cy) {
    typedef HANDLE(WINAPI * Fn)(HINSTANCE, LPCSTR, UINT, int, int, UINT);
    return (HBITMAP)((Fn)(void *)RealGdi("user32.dll", "LoadImageA"))(
        SetupModule(), MAKEINTRESOURCEA(bitmap), IMAGE_BITMAP, cx, cy, LR_DEFAULTCOLOR);
}
void DeleteBitmap(HBITMAP bitmap) {
    typedef BOOL(WINAPI * Fn)(HGDIOBJ);
    ((Fn)(void *)RealGdi("gdi32.dll", "DeleteObject"))(bitmap);
}

// The picture control's size in pixels, checked against its place in the
// template.
RECT ExpectControlSize(HWND page, HWND control, const Picture &p) {
    RECT want = {0, 0, p.cx, p.cy}, got;
    MapDialogRect(page, &want);
    GetWindowRect(control, &got);
    EXPECT_EQ(want.right, got.right - got.left);
    EXPECT_EQ(want.bottom, got.bottom - got.top);
    return want;
}

// The drawing nearer the control's scale: the one for the default screen
// below 1.75 pixels per dialog unit across.
int DrawingFor(const Picture &p, const RECT &size) {
    return p.smaller && size.right * 4 < p.cx * 7 ? p.smaller : p.bitmap;
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
        RECT want = ExpectControlSize(page, controls[i], p);
        int bitmap = DrawingFor(p, want);
        HBITMAP expected = LoadAtSize(bitmap, want.right, want.bottom);
        ASSERT_TRUE(expected != NULL);
        std::vector<DWORD> shown = Pixels(Shown(controls[i]));
        EXPECT_EQ(Pixels(expected), shown) << "not bitmap " << bitmap << " at "
                                           << want.right << " x " << want.bottom;
        DeleteBitmap(expected);
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

// A loader that hands each bitmap back at its own size (twice the default
// screen's scale, so far too large for the page): the page stretches each
// to its control's size itself, and deletes every bitmap it loaded or made
// exactly once.
TEST(PlugPictures, LoaderThatKeepsTheBitmapsSizeStillFitsThem) {
    REQUIRE_SETUP();
    g_loaderIgnoresSize = true;
    HWND page = CreatePlugPage();
    g_loaderIgnoresSize = false;
    ASSERT_TRUE(page != NULL);
    std::vector<HWND> controls = PictureControls(page);
    ASSERT_EQ(6u, controls.size());
    std::vector<HGDIOBJ> shown;
    for (size_t i = 0; i < controls.size(); i++) {
        const Picture &p = kPictures[i];
        SCOPED_TRACE("picture control #" + std::to_string(i) + ", bitmap " + std::to_string(p.bitmap));
        RECT want = ExpectControlSize(page, controls[i], p);
        HBITMAP bitmap = Shown(controls[i]);
        shown.push_back(bitmap);
        BITMAP bm;
        ASSERT_TRUE(GetObjectA(bitmap, sizeof bm, &bm));
        EXPECT_EQ(want.right, bm.bmWidth);
        EXPECT_EQ(want.bottom, bm.bmHeight);
        // The drawing, not a blank: nearly every pixel as the platform's
        // own stretching loader gives it (the two may round a line or a
        // column differently).
        HBITMAP reference = LoadAtSize(DrawingFor(p, want), want.right, want.bottom);
        std::vector<DWORD> a = Pixels(bitmap), b = Pixels(reference);
        DeleteBitmap(reference);
        ASSERT_EQ(a.size(), b.size());
        size_t same = 0;
        for (size_t k = 0; k < a.size(); k++)
            same += a[k] == b[k];
        EXPECT_GE(same * 100, a.size() * 90) << same << " of " << a.size() << " pixels as drawn";
    }
    DestroyWindow(page);
    // Six loaded; one made at its control's size for each that did not fit.
    EXPECT_EQ(6, g_loads);
    for (HGDIOBJ made : g_made)
        EXPECT_EQ(1, g_deleted[made]) << "bitmap " << made << (std::find(shown.begin(), shown.end(), made) != shown.end() ? " (shown)" : " (loaded)");
    for (const auto &d : g_deleted)
        EXPECT_EQ(1, d.second) << "bitmap " << d.first << " deleted " << d.second << " times";
}

}  // namespace
