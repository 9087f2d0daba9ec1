// Reads the wizard's page templates, pictures and icon back out of the built
// setup.exe and holds them against the page layouts the page procedures and
// the user rely on: IDs, styles, texts, positions, control order, formats.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifndef QVX_SETUP_EXE
#error "QVX_SETUP_EXE must name the setup.exe under test"
#endif

namespace {

// ---------------------------------------------------------------------------
// Expected layouts.

const WORD kButton = 0x0080, kStatic = 0x0082;
const DWORD kText = 0x50020000, kIcon = 0x50020003, kPicture = 0x5000000E,
            kFramed = 0x5080000E, kRadio = 0x50010009, kPlainRadio = 0x50000009;

struct ControlSpec {
    int id;            // -1: never addressed by the page procedures
    WORD cls;
    DWORD style, exstyle;
    short x, y, cx, cy;
    const char *text;  // NULL: the control names resource `ordinal`
    int ordinal;
};

struct TemplateSpec {
    int id;
    bool extended;
    DWORD style;
    const char *caption;
    const ControlSpec *controls;
    int count;
};

const ControlSpec kWelcome[] = {
    {300, kStatic, kIcon, 0, 10, 24, 18, 20, NULL, 300},
    {-1, kStatic, kText, 0, 38, 24, 202, 30, "Penrel Tablet\n\nWindows 95 Driver Setup Program", 0},
    {-1, kStatic, kText, 0, 37, 64, 175, 72,
     "To install the driver, click Next, press Alt-N or press Enter.\n\nTo exit Setup without installing, "
     "click Cancel at any time.\n\nIf you don't have mouse control, use the Tab key to navigate through the buttons.", 0},
};
const ControlSpec kPlugTablet[] = {
    {-1, kStatic, kText, 0, 12, 7, 171, 28,
     "Please plug the Penrel tablet into a COM port.\nYou may either do (1) or (2). \n(Click Next or press Alt-N to proceed.)", 0},
    {-1, kStatic, kFramed, 0, 3, 37, 245, 100, NULL, 112},
    {-1, kStatic, kPicture, WS_EX_TRANSPARENT, 28, 42, 25, 25, NULL, 111},
    {-1, kStatic, kPicture, 0, 16, 73, 72, 45, NULL, 110},
    {-1, kStatic, kPicture, 0, 147, 42, 25, 25, NULL, 109},
    {-1, kStatic, kPicture, 0, 138, 62, 100, 62, NULL, 108},
    {-1, kStatic, kPicture, 0, 82, 45, 25, 25, NULL, 114},
};
const ControlSpec kConfig[] = {
    {-1, kStatic, kText, 0, 21, 19, 205, 30,
     "What input devices are plugged into your computer right now? \n(Toggle selection with arrow keys and click Next "
     "or press Alt-N to proceed.)", 0},
    {1029, kButton, kRadio, 0, 22, 56, 167, 10, "Tablet only", 0},
    {1030, kButton, kRadio, 0, 22, 76, 175, 10, "Mouse and tablet", 0},
};
const ControlSpec kNotDetected[] = {
    {-1, kStatic, kText, 0, 21, 7, 205, 42,
     "Setup cannot detect the port which the tablet has been plugged into.\n(Toggle selection with arrow keys and "
     "click Next or press Alt-N to proceed.)", 0},
    {1021, kButton, kRadio, 0, 21, 55, 175, 10, "Try to detect the tablet again", 0},
    {1022, kButton, kRadio, 0, 21, 76, 167, 10, "Manually specify the port", 0},
    {1023, kButton, kRadio, 0, 21, 97, 167, 10, "Abort the installation", 0},
};
const ControlSpec kManual[] = {
    {1000, kButton, kPlainRadio, 0, 45, 45, 76, 17, "COM1", 0},
    {1001, kButton, kPlainRadio, 0, 45, 64, 76, 17, "COM2", 0},
    {1002, kButton, kPlainRadio, 0, 45, 83, 76, 17, "COM3", 0},
    {1003, kButton, kPlainRadio, 0, 45, 102, 76, 17, "COM4", 0},
    {-1, kStatic, kText, 0, 20, 11, 211, 31,
     "Please specify the port where the tablet has been connected to.\n(Toggle selection with arrow keys and click "
     "Next or press Alt-N to proceed.)", 0},
    {1004, kButton, kPlainRadio, 0, 154, 45, 76, 17, "COM5", 0},
    {1005, kButton, kPlainRadio, 0, 154, 64, 76, 17, "COM6", 0},
    {1006, kButton, kPlainRadio, 0, 154, 83, 76, 17, "COM7", 0},
    {1007, kButton, kPlainRadio, 0, 154, 102, 76, 17, "COM8", 0},
};
const ControlSpec kFinish[] = {
    {300, kStatic, kIcon, 0, 10, 13, 18, 20, NULL, 300},
    {-1, kStatic, kText, 0, 43, 65, 164, 28, "Setup is ready to copy the required files into the system.", 0},
    {-1, kStatic, kText, 0, 43, 94, 149, 41,
     "To begin copying, click Finish or press Enter.\n\nTo exit Setup without installing, click Cancel.", 0},
    {-1, kStatic, kText, 0, 43, 13, 168, 24, "The Penrel tablet will be installed to the following serial port:", 0},
    {1028, kStatic, kText, 0, 43, 44, 63, 16, "COM?", 0},
};

#define EXPECTED_TEMPLATE(id, ext, style, caption, controls) \
    {id, ext, style, caption, controls, (int)(sizeof(controls) / sizeof(controls[0]))}
const TemplateSpec kTemplates[] = {
    EXPECTED_TEMPLATE(102, false, 0x80C800C4, "Penrel Tablet Setup", kWelcome),
    EXPECTED_TEMPLATE(106, true, 0x80C800C4, "Plug Tablet", kPlugTablet),
    EXPECTED_TEMPLATE(103, false, 0x80C800C4, "Tablet Configuration", kConfig),
    EXPECTED_TEMPLATE(105, false, 0x80C800C4, "Tablet not detected", kNotDetected),
    EXPECTED_TEMPLATE(107, false, 0x90C800C4, "Manually specify port", kManual),
    EXPECTED_TEMPLATE(101, false, 0x80C800C4, "Complete Install", kFinish),
};

struct BitmapSpec { int id, width, height; WORD ink; };  // ink: the colour index a label is drawn in
const BitmapSpec kBitmaps[] = {
    {108, 200, 123, 0}, {109, 50, 50, 12}, {110, 144, 90, 0},
    {111, 50, 50, 12},  {112, 405, 170, 0}, {114, 50, 50, 0},
    // The pictures with pins drawn for the default screen.
    {118, 150, 101, 0}, {120, 108, 73, 0},
};

// The standard 16-colour palette as a DIB colour table (blue, green, red).
const RGBQUAD kPalette[16] = {
    {0, 0, 0, 0}, {0, 0, 128, 0}, {0, 128, 0, 0}, {0, 128, 128, 0},
    {128, 0, 0, 0}, {128, 0, 128, 0}, {128, 128, 0, 0}, {192, 192, 192, 0},
    {128, 128, 128, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {0, 255, 255, 0},
    {255, 0, 0, 0}, {255, 0, 255, 0}, {255, 255, 0, 0}, {255, 255, 255, 0},
};
const WORD kFace = 7, kRed = 9, kBlack = 0;
const WORD kEnglishUS = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// ---------------------------------------------------------------------------
// Template parser: DLGTEMPLATE / DLGTEMPLATEEX and their items.

struct Reader {
    const BYTE *base;
    size_t size, pos;
    bool bad;
};

DWORD Take(Reader *r, size_t n) {
    DWORD v = 0;
    if (r->pos + n > r->size) { r->bad = true; return 0; }
    memcpy(&v, r->base + r->pos, n);
    r->pos += n;
    return v;
}

void Align(Reader *r) { r->pos = (r->pos + 3) & ~(size_t)3; }

std::string TakeString(Reader *r) {
    std::string s;
    for (WCHAR c; !r->bad && (c = (WCHAR)Take(r, 2)) != 0;)
        s += c < 0x80 ? (char)c : '?';
    return s;
}

// A name or ordinal: 0 nothing, 0xFFFF then the ordinal, else a string.
// Sets *ordinal (-1 when it is a string or absent) and returns the string.
std::string TakeNameOrOrdinal(Reader *r, int *ordinal) {
    *ordinal = -1;
    if (r->pos + 2 <= r->size && *(const WORD *)(r->base + r->pos) == 0xFFFF) {
        r->pos += 2;
        *ordinal = (int)Take(r, 2);
        return std::string();
    }
    return TakeString(r);
}

struct Item {
    DWORD help, exstyle, style, id;
    short x, y, cx, cy;
    int cls;
    std::string clsName;
    int ordinal;
    std::string text;
    WORD extra;
};

struct Dialog {
    bool extended;
    DWORD help, exstyle, style;
    WORD count;
    short x, y, cx, cy;
    int menuOrdinal, classOrdinal;
    std::string menu, windowClass, caption, face;
    WORD points, weight;
    BYTE italic, charset;
    std::vector<Item> items;
    bool bad;
};

Dialog ParseDialog(const BYTE *data, size_t size) {
    Reader r = {data, size, 0, false};
    Dialog d = Dialog();
    d.extended = size >= 4 && *(const WORD *)data == 1 && *(const WORD *)(data + 2) == 0xFFFF;
    if (d.extended) {
        r.pos = 4;
        d.help = Take(&r, 4);
        d.exstyle = Take(&r, 4);
        d.style = Take(&r, 4);
    } else {
        d.style = Take(&r, 4);
        d.exstyle = Take(&r, 4);
    }
    d.count = (WORD)Take(&r, 2);
    d.x = (short)Take(&r, 2); d.y = (short)Take(&r, 2);
    d.cx = (short)Take(&r, 2); d.cy = (short)Take(&r, 2);
    d.menu = TakeNameOrOrdinal(&r, &d.menuOrdinal);
    d.windowClass = TakeNameOrOrdinal(&r, &d.classOrdinal);
    d.caption = TakeString(&r);
    if (d.style & DS_SETFONT) {
        d.points = (WORD)Take(&r, 2);
        if (d.extended) {
            d.weight = (WORD)Take(&r, 2);
            d.italic = (BYTE)Take(&r, 1);
            d.charset = (BYTE)Take(&r, 1);
        }
        d.face = TakeString(&r);
    }
    for (int i = 0; i < d.count && !r.bad; i++) {
        Item it = Item();
        Align(&r);
        if (d.extended) {
            it.help = Take(&r, 4);
            it.exstyle = Take(&r, 4);
            it.style = Take(&r, 4);
        } else {
            it.style = Take(&r, 4);
            it.exstyle = Take(&r, 4);
        }
        it.x = (short)Take(&r, 2); it.y = (short)Take(&r, 2);
        it.cx = (short)Take(&r, 2); it.cy = (short)Take(&r, 2);
        it.id = Take(&r, d.extended ? 4 : 2);
        it.clsName = TakeNameOrOrdinal(&r, &it.cls);
        it.text = TakeNameOrOrdinal(&r, &it.ordinal);
        it.extra = (WORD)Take(&r, 2);
        r.pos += it.extra;
        d.items.push_back(it);
    }
    d.bad = r.bad || r.pos > size;
    return d;
}

// ---------------------------------------------------------------------------
// Access to the program's resources.

HMODULE SetupModule() {
    static HMODULE module = LoadLibraryExA(QVX_SETUP_EXE, NULL, LOAD_LIBRARY_AS_DATAFILE);
    return module;
}

const BYTE *Resource(LPCSTR type, int id, DWORD *size) {
    HRSRC res = FindResourceExA(SetupModule(), type, MAKEINTRESOURCEA(id), kEnglishUS);
    HGLOBAL mem = res ? LoadResource(SetupModule(), res) : NULL;
    *size = res ? SizeofResource(SetupModule(), res) : 0;
    return mem ? (const BYTE *)LockResource(mem) : NULL;
}

// The palette index of pixel (x, y) of a bottom-up 4-bit DIB, y from the top.
WORD Pixel4(const BITMAPINFOHEADER *bi, const BYTE *bits, int x, int y) {
    int stride = ((bi->biWidth * 4 + 31) / 32) * 4;
    BYTE b = bits[(bi->biHeight - 1 - y) * stride + x / 2];
    return (x & 1) ? (b & 0x0F) : (b >> 4);
}

#define REQUIRE_SETUP() \
    ASSERT_TRUE(SetupModule() != NULL) << "cannot load " << QVX_SETUP_EXE << ", error " << GetLastError()

// ---------------------------------------------------------------------------

TEST(WizardTemplates, DialogHeaders) {
    REQUIRE_SETUP();
    for (const TemplateSpec &t : kTemplates) {
        SCOPED_TRACE("template " + std::to_string(t.id));
        DWORD size;
        const BYTE *data = Resource(RT_DIALOG, t.id, &size);
        ASSERT_TRUE(data != NULL) << "no US English dialog resource";
        Dialog d = ParseDialog(data, size);
        ASSERT_FALSE(d.bad) << "template runs past its resource";
        EXPECT_EQ(t.extended, d.extended);
        EXPECT_EQ(t.style, d.style) << std::hex << d.style;
        EXPECT_EQ(0u, d.exstyle);
        EXPECT_EQ(0u, d.help);
        EXPECT_EQ(10, d.x); EXPECT_EQ(20, d.y);
        EXPECT_EQ(250, d.cx); EXPECT_EQ(150, d.cy);
        EXPECT_TRUE(d.menuOrdinal == -1 && d.menu.empty()) << "menu";
        EXPECT_TRUE(d.classOrdinal == -1 && d.windowClass.empty()) << "window class";
        EXPECT_EQ(t.caption, d.caption);
        EXPECT_EQ(8, d.points);
        EXPECT_EQ("MS Shell Dlg", d.face);
        if (t.extended) {
            EXPECT_EQ(0, d.weight);
            EXPECT_EQ(0, d.italic);
            EXPECT_EQ(DEFAULT_CHARSET, d.charset);
        }
    }
}

TEST(WizardTemplates, ControlsInTableOrder) {
    REQUIRE_SETUP();
    for (const TemplateSpec &t : kTemplates) {
        DWORD size;
        const BYTE *data = Resource(RT_DIALOG, t.id, &size);
        ASSERT_TRUE(data != NULL) << "template " << t.id;
        Dialog d = ParseDialog(data, size);
        ASSERT_FALSE(d.bad) << "template " << t.id;
        ASSERT_EQ((size_t)t.count, d.items.size()) << "template " << t.id;
        for (int i = 0; i < t.count; i++) {
            const ControlSpec &e = t.controls[i];
            const Item &it = d.items[i];
            SCOPED_TRACE("template " + std::to_string(t.id) + ", control #" + std::to_string(i));
            // -1 is 0xFFFF in a standard template, 0xFFFFFFFF in an extended one.
            EXPECT_EQ(t.extended ? (DWORD)e.id : (DWORD)(WORD)e.id, it.id);
            EXPECT_EQ(e.cls, it.cls) << "class " << it.clsName;
            EXPECT_EQ(e.style, it.style) << std::hex << it.style;
            EXPECT_EQ(e.exstyle, it.exstyle);
            EXPECT_EQ(0u, it.help);
            EXPECT_EQ(e.x, it.x); EXPECT_EQ(e.y, it.y);
            EXPECT_EQ(e.cx, it.cx); EXPECT_EQ(e.cy, it.cy);
            if (e.text) {
                EXPECT_EQ(-1, it.ordinal);
                EXPECT_EQ(e.text, it.text);
            } else {
                EXPECT_EQ(e.ordinal, it.ordinal) << "text \"" << it.text << "\"";
            }
            EXPECT_EQ(0, it.extra);
        }
    }
}

// The statics find their pictures by ordinal in the program's own resources:
// each picture control, in template order, shows the bitmap of its size.
TEST(WizardTemplates, PicturesAndIconsLoadIntoTheirControls) {
    REQUIRE_SETUP();
    struct { int id; const char *pictures; } pages[] = {
        {106, "405x170 50x50 144x90 50x50 200x123 50x50 "},
        {102, "icon "},
        {101, "icon "},
    };
    for (const auto &p : pages) {
        SCOPED_TRACE("template " + std::to_string(p.id));
        HWND page = CreateDialogParamA(SetupModule(), MAKEINTRESOURCEA(p.id), NULL, NULL, 0);
        ASSERT_TRUE(page != NULL) << "error " << GetLastError();
        std::string seen;
        for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            LONG type = GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK;
            if (type == SS_ICON) {
                seen += SendMessageA(c, STM_GETICON, 0, 0) ? "icon " : "no-icon ";
            } else if (type == SS_BITMAP) {
                BITMAP bm;
                HBITMAP bmp = (HBITMAP)SendMessageA(c, STM_GETIMAGE, IMAGE_BITMAP, 0);
                if (bmp && GetObjectA(bmp, sizeof bm, &bm))
                    seen += std::to_string(bm.bmWidth) + "x" + std::to_string(bm.bmHeight) + " ";
                else
                    seen += "no-bitmap ";
            }
        }
        EXPECT_EQ(p.pictures, seen);
        DestroyWindow(page);
    }
}

TEST(WizardTemplates, BitmapsAreStandardPalette4BitDIBs) {
    REQUIRE_SETUP();
    for (const BitmapSpec &b : kBitmaps) {
        SCOPED_TRACE("bitmap " + std::to_string(b.id));
        DWORD size;
        const BYTE *data = Resource(RT_BITMAP, b.id, &size);
        ASSERT_TRUE(data != NULL) << "no US English bitmap resource";
        ASSERT_GE(size, sizeof(BITMAPINFOHEADER) + sizeof kPalette);
        const BITMAPINFOHEADER *bi = (const BITMAPINFOHEADER *)data;
        EXPECT_EQ(sizeof(BITMAPINFOHEADER), bi->biSize);
        EXPECT_EQ(b.width, bi->biWidth);
        EXPECT_EQ(b.height, bi->biHeight);  // positive: bottom-up
        EXPECT_EQ(1, bi->biPlanes);
        EXPECT_EQ(4, bi->biBitCount);
        EXPECT_EQ((DWORD)BI_RGB, bi->biCompression);
        EXPECT_TRUE(bi->biClrUsed == 0 || bi->biClrUsed == 16) << bi->biClrUsed;
        EXPECT_EQ(0, memcmp(data + bi->biSize, kPalette, sizeof kPalette)) << "colour table";
        DWORD stride = ((b.width * 4 + 31) / 32) * 4;
        ASSERT_GE(size, bi->biSize + sizeof kPalette + stride * b.height);

        // Drawn on the dialog face; labels in their one ink, pictures with red arrows.
        const BYTE *bits = data + bi->biSize + sizeof kPalette;
        int counts[16] = {0};
        for (int y = 0; y < b.height; y++)
            for (int x = 0; x < b.width; x++)
                counts[Pixel4(bi, bits, x, y)]++;
        EXPECT_GT(counts[kFace] * 2, b.width * b.height) << "mostly dialog face";
        if (b.width == 50) {
            EXPECT_EQ(b.width * b.height, counts[kFace] + counts[b.ink]) << "label colours";
            EXPECT_GT(counts[b.ink], 150) << "a thick label";
        } else if (b.id != 112) {
            EXPECT_GT(counts[kRed], 40) << "red arrows";
            EXPECT_GT(counts[kBlack], 100) << "drawn detail";
        }
    }
}

TEST(WizardTemplates, ProgramIconIsOne32x32SixteenColourImage) {
    REQUIRE_SETUP();
    DWORD size;
    const BYTE *group = Resource(RT_GROUP_ICON, 300, &size);
    ASSERT_TRUE(group != NULL);
    ASSERT_EQ(6u + 14u, size);  // GRPICONDIR and one 14-byte entry
    const WORD *dir = (const WORD *)group;
    EXPECT_EQ(0, dir[0]);
    EXPECT_EQ(1, dir[1]);  // icons, not cursors
    ASSERT_EQ(1, dir[2]);
    const BYTE *entry = group + 6;
    EXPECT_EQ(32, entry[0]);
    EXPECT_EQ(32, entry[1]);
    EXPECT_EQ(16, entry[2]);  // colours
    WORD bitCount, iconId;
    DWORD bytes;
    memcpy(&bitCount, entry + 6, 2);
    memcpy(&bytes, entry + 8, 4);
    memcpy(&iconId, entry + 12, 2);
    EXPECT_EQ(4, bitCount);

    DWORD iconSize;
    const BYTE *icon = Resource(RT_ICON, iconId, &iconSize);
    ASSERT_TRUE(icon != NULL) << "icon image " << iconId;
    EXPECT_EQ(bytes, iconSize);
    const BITMAPINFOHEADER *bi = (const BITMAPINFOHEADER *)icon;
    EXPECT_EQ(32, bi->biWidth);
    EXPECT_EQ(64, bi->biHeight);  // image and AND mask
    EXPECT_EQ(4, bi->biBitCount);
    EXPECT_EQ((DWORD)BI_RGB, bi->biCompression);
    // Header, 16 colours, 32 rows of 16 bytes, 32 mask rows of 4 bytes.
    ASSERT_EQ(40u + 64u + 512u + 128u, iconSize);
    EXPECT_EQ(0, memcmp(icon + 40, kPalette, sizeof kPalette)) << "colour table";
    int transparent = 0;
    for (int i = 0; i < 128; i++)
        for (BYTE m = icon[40 + 64 + 512 + i]; m; m &= m - 1) transparent++;
    EXPECT_GT(transparent, 100) << "the picture should have a transparent surround";
    EXPECT_LT(transparent, 900) << "the picture should not be empty";

    HICON h = CreateIconFromResourceEx((PBYTE)icon, iconSize, TRUE, 0x00030000, 32, 32, 0);
    EXPECT_TRUE(h != NULL) << "Windows does not accept the icon image";
    if (h) DestroyIcon(h);
}

}  // namespace
