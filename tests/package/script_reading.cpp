// Prints how Windows itself reads an installation script: the lines of the
// named sections as the Setup API hands them out, the release banner as the
// profile functions read it, and what the programs' own word-list code
// (ApplyIniFieldEdits) takes each directive to mean. The package check reads
// the same script without Windows; the two readings must be the same text.
//
// usage: script_reading.exe SCRIPT [SECTION...]
//
// The word-list directives are observed, not parsed again here: the profile
// reads, profile writes and word comparisons that ApplyIniFieldEdits makes
// are faked, and it runs twice per section. With an empty list value read
// back, the only write is the directive's add word. With the list holding a
// single sentinel word, the code compares that word with the remove word
// (when there is one) and then looks for the add word (when there is one),
// so the comparisons name the remove word. The sentinel is longer than a
// directive field can be, so it never equals a word and is never taken out.
#include <windows.h>
#include <setupapi.h>
#include "install/install.h"
#include "tests/fake_import.h"

#define MAX_DIRECTIVES 64
#define TEXT_ROOM 300
#define FIELD_ROOM 4096   // a Setup API field after %string% substitution

static const char kSentinel[] = "qvx-reading-probe-longer-than-any-field";

struct Observed {
    char name[16];              // the directive's entry name: 0, 1, ...
    int listReads;              // reads of the word list it edits
    char file[TEXT_ROOM];
    char section[TEXT_ROOM];
    char key[TEXT_ROOM];
    int writes;
    char written[TEXT_ROOM];
    int compares;               // comparisons of the sentinel with a word
    char compared[2][TEXT_ROOM];
};

typedef DWORD(WINAPI *GetProfileFn)(LPCSTR, LPCSTR, LPCSTR, LPSTR, DWORD, LPCSTR);
typedef int(WINAPI *CompareFn)(LPCSTR, LPCSTR);

static GetProfileFn g_realGetProfile;
static CompareFn g_realCompare;

static const char *g_script;      // the script the directives are read from
static const char *g_probe;       // what a word-list read returns
static Observed *g_seen;          // the current pass's record
static int g_count;               // directives read so far in this pass
static int g_overflow;            // more directives than the record holds

static Observed g_pass[2][MAX_DIRECTIVES];
static int g_passCount[2];

static void CopyText(char *to, const char *from)
{
    lstrcpynA(to, from ? from : "", TEXT_ROOM);
}

static Observed *Current(void)
{
    return g_seen && g_count > 0 ? &g_seen[g_count - 1] : NULL;
}

static DWORD WINAPI FakeGetProfile(LPCSTR app, LPCSTR key, LPCSTR def,
                                   LPSTR buf, DWORD size, LPCSTR file)
{
    if (file && g_script && g_realCompare(file, g_script) == 0) {
        DWORD len = g_realGetProfile(app, key, def, buf, size, file);
        if (len > 0 && g_seen) {
            if (g_count < MAX_DIRECTIVES) {
                Observed *o = &g_seen[g_count++];
                lstrcpynA(o->name, key ? key : "", sizeof o->name);
            } else {
                g_overflow = 1;
            }
        }
        return len;
    }
    Observed *o = Current();
    if (o) {
        o->listReads++;
        CopyText(o->file, file);
        CopyText(o->section, app);
        CopyText(o->key, key);
    }
    if (!buf || size == 0)
        return 0;
    lstrcpynA(buf, g_probe ? g_probe : "", (int)size);
    return (DWORD)lstrlenA(buf);
}

static BOOL WINAPI FakeWriteProfile(LPCSTR app, LPCSTR key, LPCSTR value,
                                    LPCSTR file)
{
    Observed *o = Current();
    if (o) {
        if (o->writes == 0)
            CopyText(o->written, value);
        o->writes++;
    }
    return TRUE;
}

static int IsSentinel(const char *s)
{
    if (!s)
        return 0;
    for (int i = 0;; i++) {
        if (s[i] != kSentinel[i])
            return 0;
        if (!s[i])
            return 1;
    }
}

static int WINAPI FakeCompare(LPCSTR a, LPCSTR b)
{
    int result = g_realCompare(a, b);
    Observed *o = Current();
    if (o && IsSentinel(a)) {
        if (o->compares < 2)
            CopyText(o->compared[o->compares], b);
        o->compares++;
    }
    return result;
}

QVX_FAKE_IMPORT(GetPrivateProfileStringA, 24, FakeGetProfile);
QVX_FAKE_IMPORT(WritePrivateProfileStringA, 16, FakeWriteProfile);
QVX_FAKE_IMPORT(lstrcmpiA, 8, FakeCompare);

static void Out(const char *text)
{
    DWORD written;
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out != INVALID_HANDLE_VALUE && out != NULL)
        WriteFile(out, text, (DWORD)lstrlenA(text), &written, NULL);
}

static void Complain(const char *what, const char *section, const char *name)
{
    DWORD written;
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    char line[TEXT_ROOM + 64];
    wsprintfA(line, "script_reading: %s (%.40s entry %.15s)\n", what, section,
              name);
    if (err != INVALID_HANDLE_VALUE && err != NULL)
        WriteFile(err, line, (DWORD)lstrlenA(line), &written, NULL);
}

// Whether text starts with prefix, without regard to case.
static int StartsWith(const char *text, const char *prefix)
{
    for (; *prefix; text++, prefix++)
        if (!*text || CharUpperA((LPSTR)(UINT_PTR)(BYTE)*text) !=
                      CharUpperA((LPSTR)(UINT_PTR)(BYTE)*prefix))
            return 0;
    return 1;
}

// Prints a field with the Windows and system folders that the Setup API put
// in for %10% and %11% written back as those ids: the folders differ from
// PC to PC, the reading does not.
static void OutFolders(const char *field)
{
    char windows[MAX_PATH], system[MAX_PATH];
    UINT windowsLength = GetWindowsDirectoryA(windows, sizeof windows);
    UINT systemLength = GetSystemDirectoryA(system, sizeof system);
    char one[2] = {0, 0};
    while (*field) {
        if (systemLength && systemLength < sizeof system && StartsWith(field, system)) {
            Out("%11%");
            field += systemLength;
        } else if (windowsLength && windowsLength < sizeof windows &&
                   StartsWith(field, windows)) {
            Out("%10%");
            field += windowsLength;
        } else {
            one[0] = *field++;
            Out(one);
        }
    }
}

// One field of the current line, or <none> when the Setup API has none.
static void OutField(INFCONTEXT *context, DWORD index)
{
    static char field[FIELD_ROOM];
    if (SetupGetStringFieldA(context, index, field, sizeof field, NULL))
        OutFolders(field);
    else
        Out("<none>");
}

static void OutSection(HINF inf, const char *section)
{
    Out("section ");
    Out(section);
    Out("\n");
    INFCONTEXT context;
    if (!SetupFindFirstLineA(inf, section, NULL, &context))
        return;
    do {
        Out("line ");
        OutField(&context, 0);
        DWORD count = SetupGetFieldCount(&context);
        for (DWORD i = 1; i <= count; i++) {
            Out("|");
            OutField(&context, i);
        }
        Out("\n");
    } while (SetupFindNextLine(&context, &context));
}

static void RunPass(int pass, const char *section, const char *probe)
{
    for (int i = 0; i < MAX_DIRECTIVES; i++) {
        Observed *o = &g_pass[pass][i];
        o->name[0] = o->file[0] = o->section[0] = o->key[0] = '\0';
        o->written[0] = o->compared[0][0] = o->compared[1][0] = '\0';
        o->listReads = o->writes = o->compares = 0;
    }
    g_seen = g_pass[pass];
    g_count = 0;
    if (pass == 0)
        g_overflow = 0;
    g_probe = probe;
    ApplyIniFieldEdits(g_script, section);
    g_passCount[pass] = g_count;
    g_seen = NULL;
}

// Both passes must have seen the same directives edit the same lists, each
// at most once; anything else means the observation itself went wrong.
static int PassesAgree(const char *section)
{
    if (g_overflow) {
        Complain("more directives than this program records", section, "-");
        return 0;
    }
    if (g_passCount[0] != g_passCount[1]) {
        Complain("the two passes read different directives", section, "-");
        return 0;
    }
    for (int i = 0; i < g_passCount[0]; i++) {
        Observed *a = &g_pass[0][i], *b = &g_pass[1][i];
        if (lstrcmpA(a->name, b->name) != 0 || a->listReads != b->listReads ||
            lstrcmpA(a->file, b->file) != 0 ||
            lstrcmpA(a->section, b->section) != 0 ||
            lstrcmpA(a->key, b->key) != 0) {
            Complain("the two passes edit different lists", section, a->name);
            return 0;
        }
        if (a->listReads > 1 || a->writes > 1 || b->compares > 2 ||
            (a->listReads == 0 && (a->writes || b->compares))) {
            Complain("a directive did more than one edit", section, a->name);
            return 0;
        }
        // With an add word, the last comparison looks for it.
        if (a->writes && (b->compares == 0 ||
                          lstrcmpA(b->compared[b->compares - 1], a->written) != 0)) {
            Complain("the add word was not looked for", section, a->name);
            return 0;
        }
    }
    return 1;
}

static int OutWords(const char *section)
{
    RunPass(0, section, "");
    RunPass(1, section, kSentinel);
    if (!PassesAgree(section))
        return 0;
    for (int i = 0; i < g_passCount[0]; i++) {
        Observed *a = &g_pass[0][i], *b = &g_pass[1][i];
        Out("words ");
        Out(section);
        Out(" ");
        Out(a->name);
        Out(": ");
        if (a->listReads == 0) {
            Out("skipped\n");
            continue;
        }
        const char *add = a->writes ? a->written : "";
        const char *remove = "";
        if (b->compares == 2 || (b->compares == 1 && !add[0]))
            remove = b->compared[0];
        Out(a->file);
        Out("|");
        Out(a->section);
        Out("|");
        Out(a->key);
        Out("|");
        Out(remove);
        Out("|");
        Out(add);
        Out("\n");
    }
    return 1;
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        Complain("usage: script_reading.exe SCRIPT [SECTION...]", "-", "-");
        return 2;
    }
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    g_realGetProfile = (GetProfileFn)(void *)GetProcAddress(kernel, "GetPrivateProfileStringA");
    g_realCompare = (CompareFn)(void *)GetProcAddress(kernel, "lstrcmpiA");
    if (!g_realGetProfile || !g_realCompare) {
        Complain("kernel32 lacks the profile functions", "-", "-");
        return 2;
    }
    const char *script = argv[1];

    HINF inf = OpenInstallScript(script);
    if (inf == INVALID_HANDLE_VALUE) {
        Out("open: no\n");
    } else {
        Out("open: yes\n");
        for (int i = 2; i < argc; i++)
            OutSection(inf, argv[i]);
        SetupCloseInfFile(inf);
    }

    char cycle[80];
    g_realGetProfile("QVXVersion", "Cycle", "", cycle, sizeof cycle, script);
    Out("cycle: ");
    Out(cycle);
    Out("\n");

    // Only now do the profile fakes treat the script as the directives' file.
    g_script = script;
    if (!OutWords("MyUpdateIniFields") || !OutWords("MyRemoveIniFields"))
        return 3;
    return 0;
}
