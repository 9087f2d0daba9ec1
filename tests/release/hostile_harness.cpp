#include "hostile_harness.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <algorithm>

// --- Bounded calls ---------------------------------------------------------

namespace {

DWORD g_workerId;
volatile LONG g_workerException;

bool IsFatal(DWORD code)
{
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_STACK_OVERFLOW:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_NONCONTINUABLE_EXCEPTION:
    case 0xC0000409:   // stack buffer overrun (fast fail)
        return true;
    }
    return false;
}

// Only exceptions that no handler took reach this filter, so faults that
// the system catches inside its own code are not counted.
LONG WINAPI CrashFilter(EXCEPTION_POINTERS *info)
{
    if (GetCurrentThreadId() == g_workerId) {
        DWORD code = info->ExceptionRecord->ExceptionCode;
        g_workerException = (LONG)(IsFatal(code) ? code : (code | 1));
        ExitThread(0xDEAD);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

DWORD WINAPI CallOnWorker(void *arg)
{
    (*(const std::function<void()> *)arg)();
    return 0;
}

} // namespace

BoundedRun RunBounded(const std::function<void()> &call, DWORD limitMs)
{
    static bool filterSet = false;
    if (!filterSet) {
        SetUnhandledExceptionFilter(CrashFilter);
        filterSet = true;
    }
    BoundedRun run = {false, 0, 0};
    g_workerException = 0;
    DWORD start = GetTickCount();
    HANDLE thread = CreateThread(NULL, 1 << 20, CallOnWorker, (void *)&call,
                                 CREATE_SUSPENDED, &g_workerId);
    if (!thread)
        return run;
    ResumeThread(thread);
    DWORD wait = WaitForSingleObject(thread, limitMs);
    run.ms = GetTickCount() - start;
    if (wait == WAIT_OBJECT_0) {
        run.finished = g_workerException == 0;
        run.exception = (DWORD)g_workerException;
    } else {
        // The thread's windows go with it; what it held stays held (see
        // CountCase).
        TerminateThread(thread, 0xDEAD);
        WaitForSingleObject(thread, 5000);
    }
    CloseHandle(thread);
    g_workerId = 0;
    return run;
}

// --- Dialogs ---------------------------------------------------------------

namespace {

struct Watch {
    CRITICAL_SECTION lock;
    std::vector<Dialog> seen;
    volatile LONG stop;
    HANDLE thread;
};
Watch g_watch;

struct Found {
    std::vector<HWND> dialogs;
};

BOOL CALLBACK CollectDialog(HWND wnd, LPARAM arg)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    char cls[32];
    if (pid == GetCurrentProcessId() && IsWindowVisible(wnd) &&
        GetClassNameA(wnd, cls, sizeof cls) && lstrcmpA(cls, "#32770") == 0)
        ((Found *)arg)->dialogs.push_back(wnd);
    return TRUE;
}

DWORD WINAPI WatchDialogs(void *)
{
    std::map<HWND, int> tries;
    while (!g_watch.stop) {
        Found found;
        EnumWindows(CollectDialog, (LPARAM)&found);
        for (HWND wnd : found.dialogs) {
            int &n = tries[wnd];
            if (n == 0) {
                Dialog d;
                char buf[1024];
                GetWindowTextA(wnd, buf, sizeof buf);
                d.caption = buf;
                buf[0] = '\0';
                GetDlgItemTextA(wnd, 0xFFFF, buf, sizeof buf);
                d.text = buf;
                d.owner = GetWindow(wnd, GW_OWNER);
                EnterCriticalSection(&g_watch.lock);
                g_watch.seen.push_back(d);
                LeaveCriticalSection(&g_watch.lock);
            }
            // A message box takes OK; other dialogs may want Cancel or a
            // close request.
            if (n < 10)
                PostMessageA(wnd, WM_COMMAND, IDOK, 0);
            else if (n < 20)
                PostMessageA(wnd, WM_COMMAND, IDCANCEL, 0);
            else
                PostMessageA(wnd, WM_CLOSE, 0, 0);
            n++;
        }
        Sleep(20);
    }
    return 0;
}

} // namespace

void StartDialogWatch()
{
    static bool init = false;
    if (!init) {
        InitializeCriticalSection(&g_watch.lock);
        init = true;
    }
    g_watch.seen.clear();
    g_watch.stop = 0;
    g_watch.thread = CreateThread(NULL, 0, WatchDialogs, NULL, 0, NULL);
}

std::vector<Dialog> StopDialogWatch()
{
    g_watch.stop = 1;
    WaitForSingleObject(g_watch.thread, 5000);
    CloseHandle(g_watch.thread);
    EnterCriticalSection(&g_watch.lock);
    std::vector<Dialog> seen = g_watch.seen;
    LeaveCriticalSection(&g_watch.lock);
    return seen;
}

// --- Counting --------------------------------------------------------------

namespace {

const char *kOutcomeNames[kOutcomeCount] = {"ok", "crash", "hang", "damage", "wrong"};

struct Row {
    int counts[kOutcomeCount];
    int cases;
    DWORD maxMs;
    DWORD totalMs;
};
std::vector<std::string> g_order;
std::map<std::string, Row> g_rows;
std::vector<std::string> g_bad;

class SummaryPrinter : public ::testing::Environment {
public:
    void TearDown() override { PrintSummary(); }
};
::testing::Environment *const g_printer =
    ::testing::AddGlobalTestEnvironment(new SummaryPrinter);

std::string Join(const std::vector<std::string> &items)
{
    std::string out;
    for (const std::string &s : items)
        out += (out.empty() ? "" : "; ") + s;
    return out;
}

} // namespace

void CountCase(const std::string &category, const std::string &name,
               const BoundedRun &run, const Findings &findings)
{
    Outcome outcome = kOk;
    std::string detail;
    char code[32];
    if (run.exception) {
        outcome = kCrash;
        snprintf(code, sizeof code, "exception %08lX", (unsigned long)run.exception);
        detail = code;
    } else if (!run.finished) {
        outcome = kHang;
        detail = "no return within " + std::to_string(run.ms) + " ms";
    } else if (!findings.damage.empty()) {
        outcome = kDamage;
        detail = Join(findings.damage);
        if (!findings.wrong.empty())
            detail += " | also: " + Join(findings.wrong);
    } else if (!findings.wrong.empty()) {
        outcome = kWrong;
        detail = Join(findings.wrong);
    } else {
        detail = findings.note;
    }
    if (!g_rows.count(category)) {
        g_order.push_back(category);
        g_rows[category] = Row{{0, 0, 0, 0, 0}, 0, 0, 0};
    }
    Row &row = g_rows[category];
    row.cases++;
    row.counts[outcome]++;
    row.maxMs = std::max(row.maxMs, run.ms);
    row.totalMs += run.ms;
    printf("[%-6s] %s / %s (%lu ms)%s%s\n", kOutcomeNames[outcome], category.c_str(),
           name.c_str(), (unsigned long)run.ms, detail.empty() ? "" : ": ",
           detail.c_str());
    fflush(stdout);
    if (outcome != kOk) {
        std::string line = std::string(kOutcomeNames[outcome]) + " " + category + " / " +
                           name + ": " + detail;
        g_bad.push_back(line);
        ADD_FAILURE() << line;
    }
    if (outcome == kHang) {
        // The stopped thread may have held locks of the system libraries
        // (the heap, a port, the loader): nothing after it can be trusted
        // to end, so the group ends here, failed.
        printf("STOPPED after a hang: the cases after this one were not run\n");
        PrintSummary();
        TerminateProcess(GetCurrentProcess(), 3);
    }
}

bool Selected(const std::string &name)
{
    char only[256];
    DWORD len = GetEnvironmentVariableA("QVX_HOSTILE_CASE", only, sizeof only);
    return len == 0 || len >= sizeof only || name.find(only) != std::string::npos;
}

void PrintSummary()
{
    if (g_order.empty())
        return;
    printf("\nHOSTILE INPUT SUMMARY\n");
    printf("%-34s %6s %5s %5s %5s %6s %5s %8s %9s\n", "category", "cases", "ok", "crash",
           "hang", "damage", "wrong", "max ms", "total ms");
    Row total = {{0, 0, 0, 0, 0}, 0, 0, 0};
    for (const std::string &name : g_order) {
        const Row &r = g_rows[name];
        printf("%-34s %6d %5d %5d %5d %6d %5d %8lu %9lu\n", name.c_str(), r.cases,
               r.counts[kOk], r.counts[kCrash], r.counts[kHang], r.counts[kDamage],
               r.counts[kWrong], (unsigned long)r.maxMs, (unsigned long)r.totalMs);
        total.cases += r.cases;
        for (int i = 0; i < kOutcomeCount; i++)
            total.counts[i] += r.counts[i];
        total.maxMs = std::max(total.maxMs, r.maxMs);
        total.totalMs += r.totalMs;
    }
    printf("%-34s %6d %5d %5d %5d %6d %5d %8lu %9lu\n", "TOTAL", total.cases,
           total.counts[kOk], total.counts[kCrash], total.counts[kHang],
           total.counts[kDamage], total.counts[kWrong], (unsigned long)total.maxMs,
           (unsigned long)total.totalMs);
    for (const std::string &line : g_bad)
        printf("NOT OK: %s\n", line.c_str());
    fflush(stdout);
}

// --- Files and INI values --------------------------------------------------

std::string WindowsDir()
{
    char dir[MAX_PATH];
    GetWindowsDirectoryA(dir, sizeof dir);
    return dir;
}

std::string SystemDir()
{
    char dir[MAX_PATH];
    GetSystemDirectoryA(dir, sizeof dir);
    return dir;
}

IniView ReadIniView(const std::string &file)
{
    IniView view;
    const DWORD size = 8 << 20;
    static std::vector<char> names(size), lines(size);
    DWORD got = GetPrivateProfileSectionNamesA(names.data(), size, file.c_str());
    for (const char *name = names.data(); name < names.data() + got && *name;
         name += lstrlenA(name) + 1) {
        // Only the first section of a name is visible through the API.
        if (view.count(Lower(name)))
            continue;
        std::vector<IniLine> &section = view[Lower(name)];
        DWORD len = GetPrivateProfileSectionA(name, lines.data(), size, file.c_str());
        for (const char *line = lines.data(); line < lines.data() + len && *line;
             line += lstrlenA(line) + 1) {
            std::string text = line;
            size_t eq = text.find('=');
            if (eq == std::string::npos)
                section.push_back({text, "", false});
            else
                section.push_back({text.substr(0, eq), text.substr(eq + 1), true});
        }
    }
    return view;
}

DirListing ListDir(const std::string &dir)
{
    DirListing listing;
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE)
        return listing;
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        char stamp[96];
        snprintf(stamp, sizeof stamp, "%lu:%lu:%lu", (unsigned long)fd.nFileSizeLow,
                 (unsigned long)fd.ftLastWriteTime.dwHighDateTime,
                 (unsigned long)fd.ftLastWriteTime.dwLowDateTime);
        listing[Lower(fd.cFileName)] = stamp;
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    return listing;
}

std::string Lower(std::string s)
{
    for (char &c : s)
        if (c >= 'A' && c <= 'Z')
            c = (char)(c - 'A' + 'a');
    return s;
}

std::string Trim(const std::string &s)
{
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return "";
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

std::vector<std::string> Words(const std::string &list)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < list.size()) {
        while (i < list.size() && list[i] == ' ')
            i++;
        size_t start = i;
        while (i < list.size() && list[i] != ' ')
            i++;
        if (i > start)
            words.push_back(list.substr(start, i - start));
    }
    return words;
}

std::string Shorten(const std::string &s, size_t most)
{
    std::string out;
    for (unsigned char c : s.substr(0, most)) {
        if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += (char)c;
        }
    }
    if (s.size() > most)
        out += "...(" + std::to_string(s.size()) + " chars)";
    return out;
}
