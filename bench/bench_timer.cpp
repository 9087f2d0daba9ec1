// Timing helper for bench/run-benchmarks.sh, run inside the Wine prefix being
// measured. It starts the measured program itself, so each interval begins
// at a known call and needs no Linux-side clock or extra Wine process.
//
//   bench_timer run CMDLINE
//       from CreateProcess to the process's exit (WaitForSingleObject)
//   bench_timer shown page|msgbox TITLE POLL_MS CMDLINE
//       from CreateProcess to the first poll that sees the window: a wizard
//       sheet of that process whose current page has TITLE ("page"), or a
//       message box of that process with caption TITLE ("msgbox"); then the
//       program is closed (Cancel / OK) and waited for
//   bench_timer button finish|cancel POLL_MS CMDLINE
//       starts setup.exe, waits for the Welcome page, presses Next (a tablet
//       is attached, so the scan jumps to the Finish page), waits for the
//       Finish page and a settling second; then from posting the button
//       press to the process's exit
//   bench_timer hinf CMDLINE
//       the Setup API's INF installer in this process: InstallHinfSectionA
//       with CMDLINE ("<section> <mode> <inf path>"), called as rundll32
//       calls it (a hidden window of the caller as owner); times the call
//       alone, with setupapi.dll already loaded
//   bench_timer hold
//       keeps the prefix's desktop in use until the process is ended: Wine
//       closes the desktop process about a second after its last user
//       exits, and the next program with a window then waits for a new one
//       to start, a cost no Windows program pays
//
// Prints one line: "ms <milliseconds> exit <exit code>" ("holding" for
// hold). Exit status 0 on success, 1 when a wait timed out, 2 on usage
// errors.
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define SHEET_NEXT 0x3024
#define SHEET_FINISH 0x3025

static double Now()
{
    static LARGE_INTEGER freq;
    LARGE_INTEGER count;
    if (!freq.QuadPart)
        QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&count);
    return (double)count.QuadPart * 1000.0 / (double)freq.QuadPart;
}

struct Want {
    DWORD pid;
    int sheet;          // 1: a wizard sheet, 0: a message box
    const char *title;  // caption of the message box (sheet: not used)
    HWND found;
};

static BOOL CALLBACK FindProc(HWND hwnd, LPARAM lp)
{
    Want *w = (Want *)lp;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != w->pid || !IsWindowVisible(hwnd))
        return TRUE;
    char cls[64], title[256];
    GetClassNameA(hwnd, cls, sizeof cls);
    GetWindowTextA(hwnd, title, sizeof title);
    if (strcmp(cls, "#32770"))
        return TRUE;
    int isSheet = GetDlgItem(hwnd, SHEET_NEXT) || GetDlgItem(hwnd, SHEET_FINISH);
    if (w->sheet ? !isSheet : (isSheet || strcmp(title, w->title)))
        return TRUE;
    w->found = hwnd;
    return FALSE;
}

static HWND FindWindowOf(DWORD pid, int sheet, const char *title)
{
    Want w = {pid, sheet, title, NULL};
    EnumWindows(FindProc, (LPARAM)&w);
    return w.found;
}

static int PageIs(HWND sheet, const char *title)
{
    DWORD_PTR page = 0;
    char text[256] = "";
    if (!SendMessageTimeoutA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0,
                             SMTO_ABORTIFHUNG, 2000, &page) || !page)
        return 0;
    GetWindowTextA((HWND)page, text, sizeof text);
    return !strcmp(text, title);
}

// Polls every pollMs until the window is there; returns it, or NULL after
// timeoutMs. For a sheet, the current page must carry title.
static HWND WaitShown(HANDLE process, DWORD pid, int sheet, const char *title,
                      DWORD pollMs, DWORD timeoutMs)
{
    double start = Now();
    for (;;) {
        HWND h = FindWindowOf(pid, sheet, title);
        if (h && (!sheet || PageIs(h, title)))
            return h;
        if (Now() - start > timeoutMs ||
            WaitForSingleObject(process, 0) == WAIT_OBJECT_0)
            return NULL;
        Sleep(pollMs);
    }
}

static int Start(char *cmdline, PROCESS_INFORMATION *pi)
{
    STARTUPINFOA si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    if (!CreateProcessA(NULL, cmdline, NULL, NULL, FALSE, 0, NULL, NULL, &si, pi)) {
        fprintf(stderr, "cannot start %s (error %lu)\n", cmdline, GetLastError());
        return 0;
    }
    return 1;
}

// Waits for the end; a program that hangs is ended so the next run starts
// clean. Returns its exit code, or -1 when it had to be ended.
static long Finish(PROCESS_INFORMATION *pi, DWORD ms)
{
    long code = -1;
    DWORD got = 0;
    if (WaitForSingleObject(pi->hProcess, ms) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(pi->hProcess, &got))
        code = (long)got;
    else
        TerminateProcess(pi->hProcess, 99);
    CloseHandle(pi->hThread);
    CloseHandle(pi->hProcess);
    return code;
}

static int Report(double ms, long code)
{
    printf("ms %.3f exit %ld\n", ms, code);
    return code == -1 ? 1 : 0;
}

static int CmdRun(char *cmdline)
{
    PROCESS_INFORMATION pi;
    double t0 = Now();
    if (!Start(cmdline, &pi))
        return 1;
    WaitForSingleObject(pi.hProcess, 120000);
    double t1 = Now();
    return Report(t1 - t0, Finish(&pi, 0));
}

static int CmdShown(const char *kind, const char *title, DWORD poll, char *cmdline)
{
    int sheet = !strcmp(kind, "page");
    if (!sheet && strcmp(kind, "msgbox"))
        return 2;
    PROCESS_INFORMATION pi;
    double t0 = Now();
    if (!Start(cmdline, &pi))
        return 1;
    HWND h = WaitShown(pi.hProcess, pi.dwProcessId, sheet, title, poll, 60000);
    double t1 = Now();
    if (!h) {
        fprintf(stderr, "window \"%s\" not shown\n", title);
        Finish(&pi, 0);
        return 1;
    }
    if (sheet)
        PostMessageA(h, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    else
        PostMessageA(h, WM_COMMAND, IDOK, 0);
    long code = Finish(&pi, 30000);
    if (code == -1)
        fprintf(stderr, "program did not end after the window was closed\n");
    return Report(t1 - t0, code);
}

static int CmdButton(const char *which, DWORD poll, char *cmdline)
{
    int button = !strcmp(which, "finish") ? PSBTN_FINISH
               : !strcmp(which, "cancel") ? PSBTN_CANCEL : -1;
    if (button < 0)
        return 2;
    PROCESS_INFORMATION pi;
    if (!Start(cmdline, &pi))
        return 1;
    HWND sheet = WaitShown(pi.hProcess, pi.dwProcessId, 1, "Penrel Tablet Setup",
                           poll, 60000);
    if (sheet) {
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
        sheet = WaitShown(pi.hProcess, pi.dwProcessId, 1, "Complete Install",
                          poll, 60000);
    }
    if (!sheet) {
        fprintf(stderr, "the Finish page did not show\n");
        Finish(&pi, 0);
        return 1;
    }
    Sleep(1000);
    double t0 = Now();
    PostMessageA(sheet, PSM_PRESSBUTTON, button, 0);
    WaitForSingleObject(pi.hProcess, 120000);
    double t1 = Now();
    return Report(t1 - t0, Finish(&pi, 0));
}

static int CmdHinf(const char *cmdline)
{
    typedef void (WINAPI *InstallProc)(HWND, HINSTANCE, LPCSTR, INT);
    HMODULE setupapi = LoadLibraryA("setupapi.dll");
    InstallProc install =
        setupapi ? (InstallProc)GetProcAddress(setupapi, "InstallHinfSectionA") : NULL;
    if (!install) {
        fprintf(stderr, "no InstallHinfSectionA\n");
        return 1;
    }
    HWND owner = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, NULL, NULL,
                                 GetModuleHandleA(NULL), NULL);
    double t0 = Now();
    install(owner, GetModuleHandleA(NULL), cmdline, SW_SHOWDEFAULT);
    double t1 = Now();
    if (owner)
        DestroyWindow(owner);
    FreeLibrary(setupapi);
    return Report(t1 - t0, 0);
}

static int CmdHold()
{
    HWND w = CreateWindowExA(0, "STATIC", "bench desktop holder", 0, 0, 0, 0, 0,
                             NULL, NULL, GetModuleHandleA(NULL), NULL);
    if (!w)
        return 1;
    printf("holding\n");
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0)
        DispatchMessageA(&msg);
    DestroyWindow(w);
    return 0;
}

// The rest of the helper's own command line from argument index `from` on,
// as typed (Windows programs get one command line, not an argument list).
static char *CommandTail(int from)
{
    char *p = GetCommandLineA();
    for (int i = 0; i < from; i++) {
        while (*p == ' ')
            p++;
        int quoted = 0;
        while (*p && (quoted || *p != ' ')) {
            if (*p == '"')
                quoted = !quoted;
            p++;
        }
    }
    while (*p == ' ')
        p++;
    return p;
}

int main(int argc, char **argv)
{
    setvbuf(stdout, NULL, _IONBF, 0);
    if (argc == 2 && !strcmp(argv[1], "hold"))
        return CmdHold();
    if (argc >= 3 && !strcmp(argv[1], "hinf"))
        return CmdHinf(CommandTail(2));
    if (argc >= 3 && !strcmp(argv[1], "run"))
        return CmdRun(CommandTail(2));
    if (argc >= 6 && !strcmp(argv[1], "shown"))
        return CmdShown(argv[2], argv[3], (DWORD)atoi(argv[4]), CommandTail(5));
    if (argc >= 5 && !strcmp(argv[1], "button"))
        return CmdButton(argv[2], (DWORD)atoi(argv[3]), CommandTail(4));
    fprintf(stderr, "usage: bench_timer run CMDLINE | shown page|msgbox TITLE POLL_MS CMDLINE"
                    " | button finish|cancel POLL_MS CMDLINE | hinf CMDLINE | hold\n");
    return 2;
}
