#include "test_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <vector>

#include "install/install.h"

std::string ProgramDir()
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, sizeof path);
    std::string dir = path;
    return dir.substr(0, dir.rfind('\\') + 1);
}

std::string DirFromEnv(const char *variable)
{
    const char *unix = getenv(variable);
    if (!unix)
        return "";
    std::string dir = std::string("Z:") + unix;
    for (char &c : dir)
        if (c == '/')
            c = '\\';
    return dir + "\\";
}

std::string SystemFile(const char *name)
{
    char dir[MAX_PATH];
    GetSystemDirectoryA(dir, sizeof dir);
    return std::string(dir) + "\\" + name;
}

std::string WindowsFile(const char *name)
{
    char dir[MAX_PATH];
    GetWindowsDirectoryA(dir, sizeof dir);
    return std::string(dir) + "\\" + name;
}

bool Exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadBytes(const std::string &path, bool *exists)
{
    std::string data;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           NULL, OPEN_EXISTING, 0, NULL);
    if (exists)
        *exists = f != INVALID_HANDLE_VALUE;
    if (f == INVALID_HANDLE_VALUE)
        return data;
    char buf[65536];
    DWORD got;
    while (ReadFile(f, buf, sizeof buf, &got, NULL) && got)
        data.append(buf, got);
    CloseHandle(f);
    return data;
}

void WriteBytes(const std::string &path, const std::string &bytes)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, NULL,
                           CREATE_ALWAYS, 0, NULL);
    if (f == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot write " << path;
        return;
    }
    DWORD done;
    WriteFile(f, bytes.data(), (DWORD)bytes.size(), &done, NULL);
    CloseHandle(f);
}

std::string ProfileValue(const std::string &file, const std::string &section,
                         const std::string &key)
{
    std::vector<char> buf(65536);
    GetPrivateProfileStringA(section.c_str(), key.c_str(), "<absent>", buf.data(),
                             (DWORD)buf.size(), file.c_str());
    return buf.data();
}

void DeleteTree(HKEY root, const char *path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    char child[512];
    DWORD size = sizeof child;
    while (RegEnumKeyExA(key, 0, child, &size, NULL, NULL, NULL, NULL) == ERROR_SUCCESS) {
        DeleteTree(key, child);
        size = sizeof child;
    }
    RegCloseKey(key);
    RegDeleteKeyA(root, path);
}

bool ClassKeyExists()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, QVX_CLASS_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

FARPROC Real(const char *name)
{
    return GetProcAddress(LoadLibraryA("setupapi.dll"), name);
}

static const char kRestartQuestion[] = "System Settings Change";
static volatile LONG g_askingRestart;

bool AskingRestart()
{
    return g_askingRestart != 0;
}

static std::string WindowName(HWND hwnd)
{
    char cls[128] = "", title[256] = "";
    if (!hwnd)
        return "no window";
    GetClassNameA(hwnd, cls, sizeof cls);
    GetWindowTextA(hwnd, title, sizeof title);
    return std::string(cls) + " \"" + title + "\"";
}

namespace {

struct SecondStarts {
    std::string packageDir;
    HWND question;
    std::vector<SecondStart> starts;
};

// A visible top-level window of the class that belongs to the process.
HWND WaitWindowOf(DWORD pid, const char *cls, const char *title)
{
    for (int i = 0; i < 400; i++) {
        HWND hwnd = NULL;
        while ((hwnd = FindWindowExA(NULL, hwnd, cls, title)) != NULL) {
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == pid && IsWindowVisible(hwnd))
                return hwnd;
        }
        Sleep(25);
    }
    return NULL;
}

// Waits up to ms for the foreground to become hwnd (want) or another
// window (!want). Activation reaches the other thread through its queue:
// until it has taken it, no window is in front.
HWND WaitFront(HWND hwnd, bool want, int ms)
{
    for (int waited = 0; waited < ms; waited += 50) {
        HWND front = GetForegroundWindow();
        if (want ? front == hwnd : front && front != hwnd)
            break;
        Sleep(50);
    }
    return GetForegroundWindow();
}

DWORD WINAPI StartAgain(void *arg)
{
    SecondStarts *run = (SecondStarts *)arg;
    run->question = WaitWindowOf(GetCurrentProcessId(), "#32770", kRestartQuestion);
    if (!run->question) {
        ADD_FAILURE() << "the restart question did not show";
        return 0;
    }
    STARTUPINFOA si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    PROCESS_INFORMATION notepad;
    char cmd[MAX_PATH + 16] = "notepad.exe";
    if (!CreateProcessA(NULL, cmd, NULL, NULL, FALSE, 0, NULL, NULL, &si, &notepad)) {
        ADD_FAILURE() << "cannot start Notepad";
        PostMessageA(run->question, WM_COMMAND, IDNO, 0);
        return 0;
    }
    HWND other = WaitWindowOf(notepad.dwProcessId, "Notepad", NULL);
    const char *programs[] = {"setup.exe", "pruninst.exe"};
    for (const char *program : programs) {
        SecondStart start = {program, false, 0, false, NULL, ""};
        SetForegroundWindow(other);
        start.otherInFront = other && WaitFront(other, true, 5000) == other;
        std::string line = "\"" + run->packageDir + program + "\"";
        lstrcpynA(cmd, line.c_str(), sizeof cmd);
        PROCESS_INFORMATION second;
        if (CreateProcessA(NULL, cmd, NULL, NULL, FALSE, 0, NULL,
                           run->packageDir.c_str(), &si, &second)) {
            start.ended = WaitForSingleObject(second.hProcess, 20000) == WAIT_OBJECT_0;
            if (!start.ended)
                TerminateProcess(second.hProcess, 1);
            GetExitCodeProcess(second.hProcess, &start.exitCode);
            CloseHandle(second.hThread);
            CloseHandle(second.hProcess);
            start.front = WaitFront(other, false, 5000);
            start.frontName = WindowName(start.front);
        }
        run->starts.push_back(start);
    }
    TerminateProcess(notepad.hProcess, 0);
    WaitForSingleObject(notepad.hProcess, 5000);
    CloseHandle(notepad.hThread);
    CloseHandle(notepad.hProcess);
    PostMessageA(run->question, WM_COMMAND, IDNO, 0);
    return 0;
}

} // namespace

std::vector<SecondStart> AskRestartWhileStartedAgain(const std::string &packageDir,
                                                     HWND *question)
{
    SecondStarts run;
    run.packageDir = packageDir;
    if (!run.packageDir.empty() && run.packageDir.back() != '\\')
        run.packageDir += "\\";
    run.question = NULL;
    HANDLE starter = CreateThread(NULL, 0, StartAgain, &run, 0, NULL);
    g_askingRestart = 1;
    MessageBoxA(NULL, "You must restart your computer before the new settings will "
                "take effect.\n\nDo you want to restart your computer now?",
                kRestartQuestion, MB_YESNO | MB_ICONQUESTION);
    g_askingRestart = 0;
    WaitForSingleObject(starter, 60000);
    CloseHandle(starter);
    *question = run.question;
    return run.starts;
}

void ExpectQuestionBroughtForward(const std::vector<SecondStart> &starts, HWND question,
                                  HWND host)
{
    ASSERT_EQ(starts.size(), 2u);
    for (const SecondStart &start : starts) {
        SCOPED_TRACE("second " + start.program);
        EXPECT_TRUE(start.otherInFront) << "Notepad did not take the front";
        EXPECT_TRUE(start.ended) << "did not end by itself";
        EXPECT_EQ(start.exitCode, 0u);
        EXPECT_NE(start.front, host) << "the host window was activated";
        EXPECT_EQ(start.front, question) << "in front: " << start.frontName;
    }
}
