// Drives the programs' user interface from a test: finds their windows,
// reads and answers message boxes, checks the host window, reads profile
// values. One command per run; exit code 0 = as expected, 1 = not, 2 = usage.
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

struct FindArgs {
    const char *cls;
    const char *title;
    HWND found;
};

static BOOL CALLBACK FindTop(HWND hwnd, LPARAM lp)
{
    FindArgs *a = (FindArgs *)lp;
    char cls[256], title[512];
    GetClassNameA(hwnd, cls, sizeof cls);
    GetWindowTextA(hwnd, title, sizeof title);
    if ((!a->cls || !strcmp(cls, a->cls)) &&
        (!a->title || !strcmp(title, a->title))) {
        a->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

static HWND FindTopWindow(const char *cls, const char *title)
{
    FindArgs a = {cls, title, NULL};
    EnumWindows(FindTop, (LPARAM)&a);
    return a.found;
}

static HWND WaitTopWindow(const char *cls, const char *title, DWORD ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        HWND h = FindTopWindow(cls, title);
        if (h && IsWindowVisible(h))
            return h;
        if (GetTickCount() - start > ms)
            return NULL;
        Sleep(50);
    }
}

// Lists the visible top-level windows, to explain a failed wait.
static BOOL CALLBACK ListTop(HWND hwnd, LPARAM)
{
    char cls[256], title[512];
    if (!IsWindowVisible(hwnd))
        return TRUE;
    GetClassNameA(hwnd, cls, sizeof cls);
    GetWindowTextA(hwnd, title, sizeof title);
    fprintf(stderr, "  window: class \"%s\" title \"%s\"\n", cls, title);
    return TRUE;
}

static int NotFound(const char *what)
{
    fprintf(stderr, "not found: %s\n", what);
    EnumWindows(ListTop, 0);
    return 1;
}

// msgbox CAPTION TEXT TIMEOUT_MS [BUTTON_ID [OWNER_CLASS]]: the message
// box's text must equal TEXT ("\n" in TEXT stands for a line break) and its
// owner be of OWNER_CLASS when one is given; then it is answered.
static int CmdMsgBox(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    HWND box = WaitTopWindow("#32770", argv[0], (DWORD)atoi(argv[2]));
    if (!box)
        return NotFound(argv[0]);
    char want[1024], got[1024];
    int j = 0;
    for (const char *p = argv[1]; *p && j < (int)sizeof want - 1; p++) {
        if (p[0] == '\\' && p[1] == 'n') {
            want[j++] = '\n';
            p++;
        } else {
            want[j++] = *p;
        }
    }
    want[j] = '\0';
    GetDlgItemTextA(box, 0xFFFF, got, sizeof got);
    int button = argc > 3 ? atoi(argv[3]) : IDOK;
    printf("%s\n", got);
    char owner[256] = "";
    GetClassNameA(GetWindow(box, GW_OWNER), owner, sizeof owner);
    if (argc > 4 && strcmp(owner, argv[4]) != 0) {
        fprintf(stderr, "owner is \"%s\", want \"%s\"\n", owner, argv[4]);
        PostMessageA(box, WM_COMMAND, button, 0);
        return 1;
    }
    if (strcmp(got, want) != 0) {
        fprintf(stderr, "message text differs:\n got: %s\nwant: %s\n", got, want);
        PostMessageA(box, WM_COMMAND, button, 0);
        return 1;
    }
    PostMessageA(box, WM_COMMAND, button, 0);
    return 0;
}

// The dialog, among the visible top-level ones, with a control whose text
// holds the quoted file name: the Setup API's request for a source disk.
struct DiskPromptArgs {
    const char *quoted;
    HWND found;
};

static BOOL CALLBACK HasFileText(HWND child, LPARAM lp)
{
    DiskPromptArgs *a = (DiskPromptArgs *)lp;
    char text[512];
    GetWindowTextA(child, text, sizeof text);
    if (strstr(text, a->quoted)) {
        a->found = child;
        return FALSE;
    }
    return TRUE;
}

static BOOL CALLBACK FindDiskPrompt(HWND hwnd, LPARAM lp)
{
    DiskPromptArgs *a = (DiskPromptArgs *)lp;
    char cls[64];
    GetClassNameA(hwnd, cls, sizeof cls);
    if (strcmp(cls, "#32770") || !IsWindowVisible(hwnd))
        return TRUE;
    a->found = NULL;
    EnumChildWindows(hwnd, HasFileText, lp);
    if (a->found) {
        a->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// disk-prompt FILE ok|cancel TIMEOUT_MS OWNER_CLASS: the prompt for the
// disk that holds FILE comes within the time, owned by a window of
// OWNER_CLASS; then it is answered with the button.
static int CmdDiskPrompt(int argc, char **argv)
{
    if (argc < 4)
        return 2;
    char quoted[300];
    snprintf(quoted, sizeof quoted, "'%s'", argv[0]);
    DiskPromptArgs a = {quoted, NULL};
    DWORD start = GetTickCount();
    while (!a.found && GetTickCount() - start <= (DWORD)atoi(argv[2])) {
        EnumWindows(FindDiskPrompt, (LPARAM)&a);
        if (!a.found)
            Sleep(50);
    }
    if (!a.found)
        return NotFound(quoted);
    char title[256], owner[256] = "";
    GetWindowTextA(a.found, title, sizeof title);
    GetClassNameA(GetWindow(a.found, GW_OWNER), owner, sizeof owner);
    printf("prompt \"%s\" owned by \"%s\"\n", title, owner);
    PostMessageA(a.found, WM_COMMAND, strcmp(argv[1], "ok") ? IDCANCEL : IDOK, 0);
    if (strcmp(owner, argv[3]) != 0) {
        fprintf(stderr, "owner is \"%s\", want \"%s\"\n", owner, argv[3]);
        return 1;
    }
    return 0;
}

// "-" for a class or title matches any.
static const char *AnyIfDash(const char *arg)
{
    return strcmp(arg, "-") ? arg : NULL;
}

// Polls every 50 ms for up to ms until a window of the class and title is
// there (want 1) or is not (want 0); visible asks for a visible one.
// Returns 1 when that came about in time.
static int PollWindow(const char *clsArg, const char *titleArg, DWORD ms,
                      int want, int visible)
{
    const char *cls = AnyIfDash(clsArg), *title = AnyIfDash(titleArg);
    DWORD start = GetTickCount();
    for (;;) {
        HWND h = FindTopWindow(cls, title);
        int there = h && (!visible || IsWindowVisible(h));
        if (there == want)
            return 1;
        if (GetTickCount() - start > ms)
            return 0;
        Sleep(50);
    }
}

// wait-window CLASS TITLE TIMEOUT_MS: such a window comes within the time.
static int CmdWaitWindow(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    if (PollWindow(argv[0], argv[1], (DWORD)atoi(argv[2]), 1, 0))
        return 0;
    return NotFound(argv[1]);
}

// no-window CLASS TITLE MS: no such window appears within MS.
static int CmdNoWindow(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    if (!PollWindow(argv[0], argv[1], (DWORD)atoi(argv[2]), 1, 1))
        return 0;
    fprintf(stderr, "unexpected window \"%s\"\n", argv[1]);
    return 1;
}

static int Check(int ok, const char *what)
{
    printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    return ok ? 0 : 1;
}

// host-check CLASS TITLE: the host window is a zero-size topmost popup at
// the centre formula, and keeps its place and size when asked to move.
static int CmdHostCheck(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    HWND host = WaitTopWindow(argv[0], argv[1], 10000);
    if (!host)
        return NotFound(argv[1]);
    int bad = 0;
    RECT r;
    GetWindowRect(host, &r);
    int x = (GetSystemMetrics(SM_CXFULLSCREEN) - 400) / 2;
    int y = (GetSystemMetrics(SM_CYFULLSCREEN) - 300) / 2;
    LONG_PTR style = GetWindowLongPtrA(host, GWL_STYLE);
    LONG_PTR exStyle = GetWindowLongPtrA(host, GWL_EXSTYLE);
    bad |= Check(r.left == x && r.top == y, "position is the centre formula");
    bad |= Check(r.right == r.left && r.bottom == r.top, "size is zero");
    // Windows adds WS_CLIPSIBLINGS to every top-level window; the open
    // message box disables its owner.
    LONG_PTR own = style & ~(LONG_PTR)(WS_VISIBLE | WS_CLIPSIBLINGS | WS_DISABLED);
    if (own != WS_POPUP)
        printf("style %08lx\n", (unsigned long)style);
    bad |= Check(own == WS_POPUP, "style is WS_POPUP");
    bad |= Check((exStyle & WS_EX_TOPMOST) != 0, "window is topmost");
    SetWindowPos(host, NULL, 5, 7, 200, 100, SWP_NOZORDER | SWP_NOACTIVATE);
    MoveWindow(host, 11, 13, 300, 40, TRUE);
    RECT after;
    GetWindowRect(host, &after);
    bad |= Check(EqualRect(&r, &after), "move and resize are refused");
    SetWindowPos(host, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    exStyle = GetWindowLongPtrA(host, GWL_EXSTYLE);
    bad |= Check((exStyle & WS_EX_TOPMOST) == 0, "z-order changes still apply");
    SetWindowPos(host, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    return bad;
}

// hidden-host-check CLASS TITLE: a host window that is never shown: it
// exists without being visible, is not topmost, has no class icon, is a
// zero-size popup at the centre formula, and (having no position handler
// of its own) follows move requests.
static int CmdHiddenHostCheck(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    HWND host = NULL;
    DWORD start = GetTickCount();
    while (!(host = FindTopWindow(argv[0], argv[1]))) {
        if (GetTickCount() - start > 10000)
            return NotFound(argv[1]);
        Sleep(50);
    }
    int bad = 0;
    RECT r;
    GetWindowRect(host, &r);
    int x = (GetSystemMetrics(SM_CXFULLSCREEN) - 400) / 2;
    int y = (GetSystemMetrics(SM_CYFULLSCREEN) - 300) / 2;
    LONG_PTR style = GetWindowLongPtrA(host, GWL_STYLE);
    LONG_PTR exStyle = GetWindowLongPtrA(host, GWL_EXSTYLE);
    bad |= Check(!IsWindowVisible(host), "window is not visible");
    bad |= Check(r.left == x && r.top == y, "position is the centre formula");
    bad |= Check(r.right == r.left && r.bottom == r.top, "size is zero");
    LONG_PTR own = style & ~(LONG_PTR)(WS_CLIPSIBLINGS | WS_DISABLED);
    if (own != WS_POPUP)
        printf("style %08lx\n", (unsigned long)style);
    bad |= Check(own == WS_POPUP, "style is WS_POPUP");
    bad |= Check((exStyle & WS_EX_TOPMOST) == 0, "window is not topmost");
    bad |= Check(GetClassLongPtrA(host, GCLP_HICON) == 0, "class has no icon");
    SetWindowPos(host, NULL, x + 5, y + 7, 0, 0,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
    RECT moved;
    GetWindowRect(host, &moved);
    bad |= Check(moved.left == x + 5 && moved.top == y + 7,
                 "move requests take effect");
    SetWindowPos(host, NULL, x, y, 0, 0,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
    bad |= Check(!IsWindowVisible(host), "window is still not visible");
    return bad;
}

// ini FILE SECTION KEY: prints the value as the profile API reads it.
static int CmdIni(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    char value[1024];
    GetPrivateProfileStringA(argv[1], argv[2], "", value, sizeof value, argv[0]);
    printf("%s\n", value);
    return 0;
}

// --- The wizard sheet ------------------------------------------------------

// Sheet button IDs of the common controls' wizard.
#define SHEET_BACK 0x3023
#define SHEET_NEXT 0x3024
#define SHEET_FINISH 0x3025

static HWND CurrentPage(HWND sheet)
{
    DWORD_PTR page = 0;
    if (!SendMessageTimeoutA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0,
                             SMTO_ABORTIFHUNG, 2000, &page))
        return NULL;
    return (HWND)page;
}

static BOOL CALLBACK FindSheetProc(HWND hwnd, LPARAM lp)
{
    char cls[64];
    GetClassNameA(hwnd, cls, sizeof cls);
    if (strcmp(cls, "#32770") || !IsWindowVisible(hwnd))
        return TRUE;
    // Message boxes are dialogs too; only a sheet has a current page.
    if (!GetDlgItem(hwnd, SHEET_NEXT) && !GetDlgItem(hwnd, SHEET_FINISH))
        return TRUE;
    *(HWND *)lp = hwnd;
    return FALSE;
}

static HWND WaitSheet(DWORD ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        HWND sheet = NULL;
        EnumWindows(FindSheetProc, (LPARAM)&sheet);
        if (sheet)
            return sheet;
        if (GetTickCount() - start > ms)
            return NULL;
        Sleep(50);
    }
}

static void PageTitle(HWND page, char *title, int size)
{
    title[0] = '\0';
    if (page)
        GetWindowTextA(page, title, size);
}

// page TITLE TIMEOUT_MS: waits until the sheet shows the page with TITLE.
static int CmdPage(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    DWORD start = GetTickCount();
    char title[256] = "";
    for (;;) {
        HWND sheet = WaitSheet(200);
        if (sheet) {
            PageTitle(CurrentPage(sheet), title, sizeof title);
            if (!strcmp(title, argv[0]))
                return 0;
        }
        if (GetTickCount() - start > (DWORD)atoi(argv[1])) {
            fprintf(stderr, "page is \"%s\", want \"%s\"\n", title, argv[0]);
            return NotFound(argv[0]);
        }
        Sleep(50);
    }
}

// press next|back|finish|cancel: posted, as the page may open a dialog.
static int CmdPress(int argc, char **argv)
{
    if (argc < 1)
        return 2;
    static const struct { const char *name; int button; } buttons[] = {
        {"back", PSBTN_BACK}, {"next", PSBTN_NEXT},
        {"finish", PSBTN_FINISH}, {"cancel", PSBTN_CANCEL}};
    HWND sheet = WaitSheet(5000);
    if (!sheet)
        return NotFound("wizard sheet");
    for (const auto &b : buttons)
        if (!strcmp(argv[0], b.name)) {
            PostMessageA(sheet, PSM_PRESSBUTTON, b.button, 0);
            return 0;
        }
    return 2;
}

// click ID: clicks a button of the current page, as the mouse would.
static int CmdClick(int argc, char **argv)
{
    if (argc < 1)
        return 2;
    HWND sheet = WaitSheet(5000);
    HWND page = sheet ? CurrentPage(sheet) : NULL;
    HWND button = page ? GetDlgItem(page, atoi(argv[0])) : NULL;
    if (!button)
        return NotFound(argv[0]);
    PostMessageA(button, BM_CLICK, 0, 0);
    return 0;
}

// checked: prints the IDs of the checked buttons of the current page.
static BOOL CALLBACK PrintChecked(HWND child, LPARAM)
{
    char cls[32];
    GetClassNameA(child, cls, sizeof cls);
    if (!_stricmp(cls, "Button") &&
        SendMessageA(child, BM_GETCHECK, 0, 0) == BST_CHECKED)
        printf("%d\n", GetDlgCtrlID(child));
    return TRUE;
}

static int CmdChecked(int, char **)
{
    HWND sheet = WaitSheet(5000);
    HWND page = sheet ? CurrentPage(sheet) : NULL;
    if (!page)
        return NotFound("wizard page");
    EnumChildWindows(page, PrintChecked, 0);
    return 0;
}

// text ID: prints the text of a control of the current page.
static int CmdText(int argc, char **argv)
{
    if (argc < 1)
        return 2;
    HWND sheet = WaitSheet(5000);
    HWND page = sheet ? CurrentPage(sheet) : NULL;
    char text[512];
    if (!page || !GetDlgItem(page, atoi(argv[0])))
        return NotFound(argv[0]);
    GetDlgItemTextA(page, atoi(argv[0]), text, sizeof text);
    printf("%s\n", text);
    return 0;
}

// button-center next|back|finish|cancel: screen point of a sheet button,
// for a click through the X server.
static int CmdButtonCenter(int argc, char **argv)
{
    if (argc < 1)
        return 2;
    HWND sheet = WaitSheet(5000);
    if (!sheet)
        return NotFound("wizard sheet");
    int id = !strcmp(argv[0], "back") ? SHEET_BACK
           : !strcmp(argv[0], "next") ? SHEET_NEXT
           : !strcmp(argv[0], "finish") ? SHEET_FINISH : IDCANCEL;
    RECT r;
    if (!GetWindowRect(GetDlgItem(sheet, id), &r))
        return NotFound(argv[0]);
    printf("%ld %ld\n", (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    return 0;
}

// enabled: prints 1 when the sheet window takes input, else 0.
static int CmdEnabled(int, char **)
{
    HWND sheet = WaitSheet(5000);
    if (!sheet)
        return NotFound("wizard sheet");
    printf("%d\n", IsWindowEnabled(sheet) ? 1 : 0);
    return 0;
}

// gone CLASS TITLE TIMEOUT_MS: waits until no such window is left.
static int CmdGone(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    if (PollWindow(argv[0], argv[1], (DWORD)atoi(argv[2]), 0, 0))
        return 0;
    fprintf(stderr, "still there: %s\n", argv[1]);
    return 1;
}

// --- Page layout -----------------------------------------------------------
// What the user sees of the current page, measured from the running wizard.
// A font handle belongs to its process, so the driver makes the pages' font
// itself, as the dialog manager does for their templates: 8-point
// "MS Shell Dlg" at the screen's resolution. The page's size tells whether
// it came out the same: a page is 250 x 150 dialog units.

struct LayoutCheck {
    HWND page;
    HDC dc;
    char title[128];
    RECT client;      // the page's client area
    RECT panel;       // the framed picture's inside, in page coordinates
    int havePanel;
    int faults;
};

static void Fault(LayoutCheck *c, int index, const char *what, const char *detail)
{
    printf("FAIL %s: control %d (%s) %s\n", c->title, index, what, detail);
    c->faults++;
}

// A short name for a control in messages: its ID or its text's first words.
static void ControlName(HWND ctl, char *name, int size)
{
    char text[40] = "";
    GetWindowTextA(ctl, text, sizeof text);
    for (char *p = text; *p; p++)
        if (*p == '\n' || *p == '\r')
            *p = ' ';
    int id = GetDlgCtrlID(ctl);
    if (id != 0xFFFF && id != -1)
        snprintf(name, size, "ID %d \"%s\"", id, text);
    else
        snprintf(name, size, "\"%.30s\"", text);
}

// The text of a static or a radio button against the room its control
// draws it in: word-wrapped as the control wraps it, in the pages' font.
static void CheckText(LayoutCheck *c, int index, HWND ctl, int isButton)
{
    char text[512], name[64], detail[160];
    GetWindowTextA(ctl, text, sizeof text);
    if (!text[0])
        return;
    RECT room;
    GetClientRect(ctl, &room);
    if (isButton) {
        // The check mark's box, half a digit's width and one pixel before
        // the text (user32's button drawing).
        int digit = 0;
        GetCharWidthA(c->dc, '0', '0', &digit);
        room.left += 12 * GetDeviceCaps(c->dc, LOGPIXELSX) / 96 + 1 + digit / 2 + 1;
    }
    LONG style = GetWindowLongA(ctl, GWL_STYLE);
    // A button draws its text on one line unless it is BS_MULTILINE: a
    // label too long for it is cut, however tall the button.
    UINT flags = DT_CALCRECT | DT_EXPANDTABS;
    flags |= isButton && !(style & BS_MULTILINE) ? DT_SINGLELINE : DT_WORDBREAK;
    if (!isButton && (style & SS_NOPREFIX))
        flags |= DT_NOPREFIX;
    RECT need = {0, 0, room.right - room.left, 0};
    DrawTextA(c->dc, text, -1, &need, flags);
    ControlName(ctl, name, sizeof name);
    int w = room.right - room.left, h = room.bottom - room.top;
    if (need.right > w || need.bottom > h) {
        snprintf(detail, sizeof detail, "text needs %ld x %ld pixels, has %d x %d",
                 need.right, need.bottom, w, h);
        Fault(c, index, name, detail);
    }
}

static RECT RectOnPage(LayoutCheck *c, HWND ctl, int inside)
{
    RECT r;
    if (inside)
        GetClientRect(ctl, &r);
    else
        GetWindowRect(ctl, &r);
    MapWindowPoints(inside ? ctl : NULL, c->page, (POINT *)&r, 2);
    return r;
}

static int Within(const RECT *inner, const RECT *outer)
{
    return inner->left >= outer->left && inner->top >= outer->top &&
           inner->right <= outer->right && inner->bottom <= outer->bottom;
}

// A framed picture: the dialog manager turns a control's WS_BORDER into a
// sunken edge on a page with DS_3DLOOK.
static int Framed(HWND ctl)
{
    return (GetWindowLongA(ctl, GWL_STYLE) & WS_BORDER) ||
           (GetWindowLongA(ctl, GWL_EXSTYLE) & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE));
}

static void CheckControl(LayoutCheck *c, int index, HWND ctl)
{
    char cls[32], name[64], detail[160];
    GetClassNameA(ctl, cls, sizeof cls);
    LONG style = GetWindowLongA(ctl, GWL_STYLE);
    int isStatic = !_stricmp(cls, "Static");
    int picture = isStatic && (style & SS_TYPEMASK) == SS_BITMAP;
    RECT r = RectOnPage(c, ctl, 0);
    if (picture)
        snprintf(name, sizeof name, "picture%s", Framed(ctl) ? ", framed" : "");
    else if (isStatic && (style & SS_TYPEMASK) == SS_ICON)
        snprintf(name, sizeof name, "icon");
    else
        ControlName(ctl, name, sizeof name);
    printf("     %s: control %d %s at %ld,%ld to %ld,%ld\n", c->title, index, name,
           r.left, r.top, r.right, r.bottom);
    if (!Within(&r, &c->client)) {
        snprintf(detail, sizeof detail, "x %ld to %ld, y %ld to %ld: outside the page (%ld x %ld)",
                 r.left, r.right, r.top, r.bottom, c->client.right, c->client.bottom);
        Fault(c, index, name, detail);
    }
    if (picture && !Framed(ctl) && !c->havePanel)
        Fault(c, index, name, "a picture, but no framed grey panel to lie on");
    if (picture && !Framed(ctl) && c->havePanel && !Within(&r, &c->panel)) {
        snprintf(detail, sizeof detail,
                 "x %ld to %ld, y %ld to %ld: off the grey panel (x %ld to %ld, y %ld to %ld)",
                 r.left, r.right, r.top, r.bottom, c->panel.left, c->panel.right,
                 c->panel.top, c->panel.bottom);
        Fault(c, index, name, detail);
    }
    if (isStatic && (style & SS_TYPEMASK) <= SS_RIGHT)
        CheckText(c, index, ctl, 0);
    int type = style & 0x0F;
    if (!_stricmp(cls, "Button") && (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON ||
                                     type == BS_CHECKBOX || type == BS_AUTOCHECKBOX))
        CheckText(c, index, ctl, 1);
}

// layout: the current page's layout: every text fits its control, every
// control lies inside the page, every picture on the framed panel. Prints
// each control and each fault; exit code 1 on any fault.
static int CmdLayout(int, char **)
{
    HWND sheet = WaitSheet(5000);
    LayoutCheck c;
    ZeroMemory(&c, sizeof c);
    c.page = sheet ? CurrentPage(sheet) : NULL;
    if (!c.page)
        return NotFound("wizard page");
    PageTitle(c.page, c.title, sizeof c.title);
    GetClientRect(c.page, &c.client);

    HDC screen = GetDC(NULL);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    HFONT font = CreateFontA(-MulDiv(8, dpi, 72), 0, 0, 0, FW_DONTCARE, FALSE, FALSE,
                             FALSE, DEFAULT_CHARSET, 0, 0, PROOF_QUALITY, FF_DONTCARE,
                             "MS Shell Dlg");
    c.dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(c.dc, font);
    // Dialog base units as the dialog manager takes them from the font.
    SIZE abc;
    TEXTMETRICA tm;
    GetTextExtentPoint32A(c.dc, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &abc);
    GetTextMetricsA(c.dc, &tm);
    int baseX = (abc.cx / 26 + 1) / 2, baseY = tm.tmHeight;
    char face[64] = "";
    GetTextFaceA(c.dc, sizeof face, face);
    printf("page \"%s\": %ld x %ld pixels at %d dpi; font %s, base units %d x %d\n",
           c.title, c.client.right, c.client.bottom, dpi, face, baseX, baseY);
    int rc = 0;
    if (c.client.right != MulDiv(250, baseX, 4) || c.client.bottom != MulDiv(150, baseY, 8)) {
        // Measuring in another font than the page's would prove nothing.
        printf("FAIL %s: the page is not 250 x 150 dialog units in the font measured with\n",
               c.title);
        rc = 1;
    } else {
        for (HWND ctl = GetWindow(c.page, GW_CHILD); ctl; ctl = GetWindow(ctl, GW_HWNDNEXT)) {
            LONG style = GetWindowLongA(ctl, GWL_STYLE);
            char cls[32];
            GetClassNameA(ctl, cls, sizeof cls);
            if (!_stricmp(cls, "Static") && (style & SS_TYPEMASK) == SS_BITMAP &&
                Framed(ctl)) {
                c.panel = RectOnPage(&c, ctl, 1);
                c.havePanel = 1;
            }
        }
        int index = 1;
        for (HWND ctl = GetWindow(c.page, GW_CHILD); ctl; ctl = GetWindow(ctl, GW_HWNDNEXT))
            CheckControl(&c, index++, ctl);
        if (!c.faults)
            printf("ok   %s: %d controls: texts fit, all inside the page%s\n", c.title,
                   index - 1, c.havePanel ? ", pictures on the panel" : "");
        rc = c.faults ? 1 : 0;
    }
    SelectObject(c.dc, old);
    DeleteObject(font);
    DeleteDC(c.dc);
    ReleaseDC(NULL, screen);
    return rc;
}

// --- Registry fixtures -----------------------------------------------------
// Wine's reg.exe knows no HKEY_DYN_DATA, so fixtures are written from here.

static HKEY RootKey(const char *name)
{
    if (!strcmp(name, "HKDD")) return HKEY_DYN_DATA;
    if (!strcmp(name, "HKCC")) return HKEY_CURRENT_CONFIG;
    if (!strcmp(name, "HKLM")) return HKEY_LOCAL_MACHINE;
    if (!strcmp(name, "HKCU")) return HKEY_CURRENT_USER;
    return NULL;
}

// reg-set ROOT PATH NAME sz|dword|hex VALUE: creates the key and sets the
// value (dword in any C base, hex as a byte string "f8020000").
static int CmdRegSet(int argc, char **argv)
{
    if (argc < 5 || !RootKey(argv[0]))
        return 2;
    HKEY key;
    if (RegCreateKeyExA(RootKey(argv[0]), argv[1], 0, NULL, 0, KEY_ALL_ACCESS,
                        NULL, &key, NULL) != ERROR_SUCCESS) {
        fprintf(stderr, "cannot create %s\\%s\n", argv[0], argv[1]);
        return 1;
    }
    LONG rc;
    if (!strcmp(argv[3], "dword")) {
        DWORD v = strtoul(argv[4], NULL, 0);
        rc = RegSetValueExA(key, argv[2], 0, REG_DWORD, (BYTE *)&v, sizeof v);
    } else if (!strcmp(argv[3], "hex")) {
        BYTE bytes[256];
        DWORD n = 0;
        for (const char *p = argv[4]; p[0] && p[1] && n < sizeof bytes; p += 2) {
            char pair[3] = {p[0], p[1], 0};
            bytes[n++] = (BYTE)strtoul(pair, NULL, 16);
        }
        rc = RegSetValueExA(key, argv[2], 0, REG_BINARY, bytes, n);
    } else {
        rc = RegSetValueExA(key, argv[2], 0, REG_SZ, (BYTE *)argv[4],
                            (DWORD)strlen(argv[4]) + 1);
    }
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? 0 : 1;
}

// reg-get ROOT PATH NAME: prints a DWORD as a number, a string as it is;
// prints "<absent>" when the key or value is missing.
static int CmdRegGet(int argc, char **argv)
{
    if (argc < 3 || !RootKey(argv[0]))
        return 2;
    HKEY key;
    BYTE data[512];
    DWORD type = 0, size = sizeof data - 1;
    if (RegOpenKeyExA(RootKey(argv[0]), argv[1], 0, KEY_READ, &key) != ERROR_SUCCESS) {
        printf("<absent>\n");
        return 0;
    }
    LONG rc = RegQueryValueExA(key, argv[2], NULL, &type, data, &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
        printf("<absent>\n");
    else if (type == REG_DWORD)
        printf("%lu\n", *(DWORD *)data);
    else {
        data[size] = 0;
        printf("%s\n", (char *)data);
    }
    return 0;
}

// run-entry KEY DIR: runs the command of the Add/Remove Programs entry KEY
// as Windows does (the UninstallString as stored, as the command line, with
// DIR as the current directory), waits for it and exits with 0 when it
// ended with 0.
static int CmdRunEntry(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    char path[512], cmd[1024];
    snprintf(path, sizeof path,
             "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s", argv[0]);
    HKEY key;
    DWORD type = 0, size = sizeof cmd - 1;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return NotFound(path);
    LONG rc = RegQueryValueExA(key, "UninstallString", NULL, &type, (BYTE *)cmd, &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ)
        return NotFound("UninstallString");
    cmd[size] = '\0';
    printf("%s\n", cmd);
    STARTUPINFOA si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(NULL, cmd, NULL, NULL, FALSE, 0, NULL, argv[1], &si, &pi)) {
        fprintf(stderr, "cannot start %s: error %lu\n", cmd, GetLastError());
        return 1;
    }
    DWORD code = 1;
    if (WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code == 0 ? 0 : 1;
}

// foreground sheet|CLASS: the foreground window is the wizard sheet, or of
// that class; prints the foreground window's class and title.
static int CmdForeground(int argc, char **argv)
{
    if (argc < 1)
        return 2;
    HWND front = GetForegroundWindow();
    char cls[256] = "", title[512] = "";
    GetClassNameA(front, cls, sizeof cls);
    GetWindowTextA(front, title, sizeof title);
    printf("%s \"%s\"\n", cls, title);
    if (!strcmp(argv[0], "sheet")) {
        HWND sheet = WaitSheet(2000);
        return sheet && sheet == front ? 0 : 1;
    }
    return strcmp(cls, argv[0]) ? 1 : 0;
}

struct Command {
    const char *name;
    int (*run)(int argc, char **argv);
};

static const Command g_commands[] = {
    {"msgbox", CmdMsgBox},
    {"wait-window", CmdWaitWindow},
    {"disk-prompt", CmdDiskPrompt},
    {"no-window", CmdNoWindow},
    {"host-check", CmdHostCheck},
    {"hidden-host-check", CmdHiddenHostCheck},
    {"ini", CmdIni},
    {"page", CmdPage},
    {"press", CmdPress},
    {"click", CmdClick},
    {"checked", CmdChecked},
    {"text", CmdText},
    {"button-center", CmdButtonCenter},
    {"enabled", CmdEnabled},
    {"gone", CmdGone},
    {"reg-set", CmdRegSet},
    {"reg-get", CmdRegGet},
    {"run-entry", CmdRunEntry},
    {"foreground", CmdForeground},
    {"layout", CmdLayout},
};

int main(int argc, char **argv)
{
    setvbuf(stdout, NULL, _IONBF, 0);
    if (argc < 2)
        return 2;
    for (size_t i = 0; i < sizeof g_commands / sizeof g_commands[0]; i++)
        if (!strcmp(argv[1], g_commands[i].name)) {
            int rc = g_commands[i].run(argc - 2, argv + 2);
            if (rc == 2)
                fprintf(stderr, "usage error in %s\n", argv[1]);
            return rc;
        }
    fprintf(stderr, "unknown command %s\n", argv[1]);
    return 2;
}
