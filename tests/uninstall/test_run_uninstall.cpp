// The uninstallation run in-process, against a simulated installation, with
// the Setup API calls that Wine cannot make fail or cannot show wrapped.
#include <gtest/gtest.h>
#include <windows.h>
#include <setupapi.h>
#include <string>
#include <vector>
#include "host/host.h"
#include "install/install.h"
#include "uninstall/uninstall.h"
#include "tests/fake_import.h"
#include "tests/support/test_support.h"

namespace {

const char *kBanner = "Penrel PR-4417 tablet driver, release 2.1 (sample package)";

struct SectionCall {
    std::string section;
    UINT flags;
    bool rootIsClassKey;
    HWND owner;
};

struct CommitCall {
    HWND owner;
    PSP_FILE_CALLBACK_A handler;
    bool contextHoldsDefault;
    UINT deleteErrorAnswer;
};

struct RebootCall {
    HSPFILEQ queue;
    HWND owner;
    BOOL scanOnly;
};

bool g_failIniSection;
PVOID g_defaultContext;
HWND g_defaultContextOwner;
std::vector<PVOID> g_releasedContexts;
std::vector<SectionCall> g_sectionCalls;
std::vector<CommitCall> g_commitCalls;
std::vector<RebootCall> g_rebootCalls;

typedef BOOL(WINAPI *InstallFromSectionFn)(HWND, HINF, PCSTR, UINT, HKEY, PCSTR,
                                           UINT, PSP_FILE_CALLBACK_A, PVOID,
                                           HDEVINFO, PSP_DEVINFO_DATA);
typedef BOOL(WINAPI *CommitFn)(HWND, HSPFILEQ, PSP_FILE_CALLBACK_A, PVOID);
typedef PVOID(WINAPI *InitContextFn)(HWND, HWND, UINT, DWORD, PVOID);
typedef void(WINAPI *TermContextFn)(PVOID);

PVOID WINAPI FakeInitContext(HWND owner, HWND progress, UINT msg, DWORD r1,
                             PVOID r2)
{
    g_defaultContextOwner = owner;
    g_defaultContext = ((InitContextFn)(void *)Real(
        "SetupInitDefaultQueueCallbackEx"))(owner, progress, msg, r1, r2);
    return g_defaultContext;
}

void WINAPI FakeTermContext(PVOID context)
{
    g_releasedContexts.push_back(context);
    ((TermContextFn)(void *)Real("SetupTermDefaultQueueCallback"))(context);
}

BOOL WINAPI FakeInstallFromSection(HWND owner, HINF inf, PCSTR section,
                                   UINT flags, HKEY root, PCSTR src,
                                   UINT copyFlags, PSP_FILE_CALLBACK_A cb,
                                   PVOID ctx, HDEVINFO di, PSP_DEVINFO_DATA dd)
{
    // The simulated installation left "Model" in the class key, so finding
    // it tells that the operations are applied relative to that key.
    bool classKey = root && RegQueryValueExA(root, "Model", NULL, NULL, NULL,
                                             NULL) == ERROR_SUCCESS;
    g_sectionCalls.push_back({section, flags, classKey, owner});
    if (g_failIniSection && (flags & SPINST_INIFILES)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return ((InstallFromSectionFn)(void *)Real("SetupInstallFromInfSectionA"))(
        owner, inf, section, flags, root, src, copyFlags, cb, ctx, di, dd);
}

// Wine's default callback skips undeletable files by itself, so a file in
// use cannot show which callback the commit was given; ask it directly.
BOOL WINAPI FakeCommit(HWND owner, HSPFILEQ queue, PSP_FILE_CALLBACK_A handler,
                       PVOID context)
{
    FILEPATHS_A paths = {"C:\\windows\\system32\\tpadvx.386", NULL,
                         ERROR_SHARING_VIOLATION, 0};
    UINT answer = handler(context, SPFILENOTIFY_DELETEERROR, (UINT_PTR)&paths, 0);
    g_commitCalls.push_back(
        {owner, handler, context && *(PVOID *)context == g_defaultContext, answer});
    return ((CommitFn)(void *)Real("SetupCommitFileQueueA"))(owner, queue,
                                                             handler, context);
}

// When set, the restart question shows as Windows shows it, and both
// programs are started again while it is open.
bool g_askRestart;
HWND g_question;
std::vector<SecondStart> g_secondStarts;
std::string g_systemIniAtQuestion;

UINT WINAPI FakePromptReboot(HSPFILEQ queue, HWND owner, BOOL scanOnly)
{
    g_rebootCalls.push_back({queue, owner, scanOnly});
    if (g_askRestart) {
        g_systemIniAtQuestion = ReadBytes(WindowsFile("system.ini"));
        g_secondStarts = AskRestartWhileStartedAgain(QVX_PACKAGE_DIR_WIN, &g_question);
    }
    return 0;
}

} // namespace

QVX_FAKE_IMPORT(SetupInstallFromInfSectionA, 44, FakeInstallFromSection);
QVX_FAKE_IMPORT(SetupCommitFileQueueA, 16, FakeCommit);
QVX_FAKE_IMPORT(SetupPromptReboot, 12, FakePromptReboot);
QVX_FAKE_IMPORT(SetupInitDefaultQueueCallbackEx, 20, FakeInitContext);
QVX_FAKE_IMPORT(SetupTermDefaultQueueCallback, 4, FakeTermContext);

namespace {

struct Box {
    std::string caption, text;
    HWND owner;
    std::string skipRedetect;   // win.ini value while the box was up
};

struct BoxWatch {
    std::vector<Box> boxes;
    volatile LONG stop;
};

// Answers every message box of this process with OK, recording each; the
// restart question is answered by whoever asks it.
DWORD WINAPI AnswerBoxes(void *arg)
{
    BoxWatch *watch = (BoxWatch *)arg;
    HWND last = NULL;
    while (!watch->stop) {
        HWND box = FindWindowA("#32770", NULL);
        DWORD pid = 0;
        if (box)
            GetWindowThreadProcessId(box, &pid);
        if (box && box != last && pid == GetCurrentProcessId() &&
            IsWindowVisible(box) && !AskingRestart()) {
            Box seen;
            char buf[512];
            GetWindowTextA(box, buf, sizeof buf);
            seen.caption = buf;
            GetDlgItemTextA(box, 0xFFFF, buf, sizeof buf);
            seen.text = buf;
            seen.owner = GetWindow(box, GW_OWNER);
            seen.skipRedetect = ProfileValue("win.ini", "Windows", "SkipMouseRedetect");
            watch->boxes.push_back(seen);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            last = box;
        }
        if (last && !IsWindow(last))
            last = NULL;
        Sleep(20);
    }
    return 0;
}

std::string Package(const char *name)
{
    return std::string(QVX_PACKAGE_DIR_WIN) + "\\" + name;
}

class RunUninstallTest : public ::testing::Test {
protected:
    std::string script;
    HWND owner = NULL;
    BoxWatch watch;
    HANDLE watcher = NULL;

    // What an installation leaves behind, as far as the removal looks at it.
    void SetUp() override
    {
        char dir[MAX_PATH];
        GetProgramDir(dir, sizeof dir);
        script = std::string(dir) + "setup.ini";
        ASSERT_TRUE(CopyFileA(Package("setup.ini").c_str(), script.c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(Package("tpadvx.386").c_str(),
                              SystemFile("tpadvx.386").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(Package("WTQVX.DRV").c_str(),
                              SystemFile("WTQVX.DRV").c_str(), FALSE));
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, QVX_CLASS_KEY, 0, NULL, 0,
                                  KEY_ALL_ACCESS, NULL, &key, NULL),
                  ERROR_SUCCESS);
        RegSetValueExA(key, "Model", 0, REG_SZ, (const BYTE *)"PR-4417", 8);
        RegCloseKey(key);
        WritePrivateProfileStringA("boot", "drivers", "mmsystem.dll power.drv  wtqvx.drv",
                                   "system.ini");
        WritePrivateProfileStringA("386Enh", "Pointing", "vmouse.386 tpadvx.386 msmouse.vxd",
                                   "system.ini");
        WriteProfileStringA("Windows", "SkipMouseRedetect", "0");

        g_failIniSection = false;
        g_askRestart = false;
        g_secondStarts.clear();
        g_sectionCalls.clear();
        g_commitCalls.clear();
        g_rebootCalls.clear();
        g_defaultContext = NULL;
        g_defaultContextOwner = NULL;
        g_releasedContexts.clear();
        owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 0, 0, NULL,
                                NULL, GetModuleHandleA(NULL), NULL);
        ASSERT_TRUE(owner != NULL);
        watch.stop = 0;
        watcher = CreateThread(NULL, 0, AnswerBoxes, &watch, 0, NULL);
    }

    void TearDown() override
    {
        StopWatching();
        DestroyWindow(owner);
    }

    void StopWatching()
    {
        if (!watcher)
            return;
        Sleep(300);   // a box that a wrong run might still open
        watch.stop = 1;
        WaitForSingleObject(watcher, 5000);
        CloseHandle(watcher);
        watcher = NULL;
    }

    void ExpectBanner(const Box &box)
    {
        EXPECT_EQ(box.caption, "PR-4417 Uninstaller");
        EXPECT_EQ(box.text, kBanner);
        EXPECT_EQ(box.owner, owner);
    }

    // The default callback context belongs to the host window and is
    // released exactly once.
    void ExpectContextReleased()
    {
        EXPECT_EQ(g_defaultContextOwner, owner);
        ASSERT_EQ(g_releasedContexts.size(), 1u);
        EXPECT_EQ(g_releasedContexts[0], g_defaultContext);
    }

    // A removal leaves one blank after each kept word; whether it is still
    // there depends on whether the profile cache re-read the file.
    static std::string Words(const char *section, const char *key)
    {
        std::string v = ProfileValue("system.ini", section, key);
        while (!v.empty() && v.back() == ' ')
            v.pop_back();
        return v;
    }

    void ExpectListsCleaned()
    {
        EXPECT_EQ(Words("boot", "drivers"), "mmsystem.dll power.drv");
        EXPECT_EQ(Words("386Enh", "Pointing"), "vmouse.386 msmouse.vxd");
    }
};

TEST_F(RunUninstallTest, RemovesTheDriverAndOffersARestart)
{
    EXPECT_EQ(RunUninstall(owner), 1);
    StopWatching();

    ASSERT_EQ(watch.boxes.size(), 1u) << "only the banner may be shown";
    ExpectBanner(watch.boxes[0]);
    ASSERT_EQ(g_rebootCalls.size(), 1u);
    EXPECT_EQ(g_rebootCalls[0].queue, (HSPFILEQ)NULL);
    EXPECT_EQ(g_rebootCalls[0].owner, (HWND)NULL);
    EXPECT_FALSE(g_rebootCalls[0].scanOnly);

    // Registry operations under the class key, then the INI operations.
    ASSERT_EQ(g_sectionCalls.size(), 2u);
    EXPECT_EQ(g_sectionCalls[0].section, "ClassUnInstall");
    EXPECT_EQ(g_sectionCalls[0].flags, (UINT)SPINST_REGISTRY);
    EXPECT_TRUE(g_sectionCalls[0].rootIsClassKey);
    EXPECT_EQ(g_sectionCalls[1].section, "Uninstall");
    EXPECT_EQ(g_sectionCalls[1].flags, (UINT)SPINST_INIFILES);
    EXPECT_EQ(g_sectionCalls[0].owner, owner);
    EXPECT_EQ(g_sectionCalls[1].owner, owner);

    // One commit, whose callback passes over files that cannot be deleted.
    ASSERT_EQ(g_commitCalls.size(), 1u);
    EXPECT_EQ(g_commitCalls[0].owner, owner);
    EXPECT_TRUE(g_commitCalls[0].handler == QueueFileCallback);
    EXPECT_TRUE(g_commitCalls[0].contextHoldsDefault);
    EXPECT_EQ(g_commitCalls[0].deleteErrorAnswer, (UINT)FILEOP_SKIP);
    ExpectContextReleased();

    EXPECT_FALSE(Exists(SystemFile("tpadvx.386")));
    EXPECT_FALSE(Exists(SystemFile("WTQVX.DRV")));
    EXPECT_FALSE(ClassKeyExists());
    ExpectListsCleaned();
    EXPECT_EQ(ProfileValue("win.ini", "Windows", "SkipMouseRedetect"), "1");
}

TEST_F(RunUninstallTest, FailingIniSectionIsReportedAfterRedetectIsSet)
{
    g_failIniSection = true;
    EXPECT_EQ(RunUninstall(owner), 1);
    StopWatching();

    ASSERT_EQ(watch.boxes.size(), 2u);
    ExpectBanner(watch.boxes[0]);
    EXPECT_EQ(watch.boxes[1].caption, "Error");
    EXPECT_EQ(watch.boxes[1].text, "Uninstallation did not complete successfully!");
    EXPECT_EQ(watch.boxes[1].owner, owner);
    EXPECT_EQ(watch.boxes[1].skipRedetect, "1");
    EXPECT_TRUE(g_rebootCalls.empty()) << "no restart after a failed removal";
    ExpectContextReleased();

    // Everything before the INI section was still carried out.
    EXPECT_FALSE(Exists(SystemFile("tpadvx.386")));
    EXPECT_FALSE(Exists(SystemFile("WTQVX.DRV")));
    EXPECT_FALSE(ClassKeyExists());
    ExpectListsCleaned();
}

// Both programs started again while the removal asks for the restart: each
// ends by itself and only brings that question to the front, past the
// uninstaller's host window, which is never shown.
TEST_F(RunUninstallTest, SecondStartAtTheRestartQuestion)
{
    HANDLE run = CreateMutexA(NULL, FALSE, RUN_MUTEX_NAME);
    ASSERT_TRUE(RegisterHostClass(GetModuleHandleA(NULL), UNINSTALL_CLASS, NULL,
                                  DefWindowProcA));
    DestroyWindow(owner);
    owner = CreateHostWindow(GetModuleHandleA(NULL), UNINSTALL_CLASS,
                             "Quorvix PR-4417 Uninstall");
    ASSERT_TRUE(owner != NULL);
    g_askRestart = true;
    EXPECT_EQ(RunUninstall(owner), 1);
    StopWatching();
    CloseHandle(run);

    ExpectQuestionBroughtForward(g_secondStarts, g_question, owner);
    std::string shown;
    for (const Box &box : watch.boxes)
        shown += " \"" + box.caption + "\"";
    EXPECT_EQ(watch.boxes.size(), 1u) << "only the banner may be shown:" << shown;
    EXPECT_EQ(ReadBytes(WindowsFile("system.ini")), g_systemIniAtQuestion);
    EXPECT_FALSE(ClassKeyExists());
    ExpectListsCleaned();
}

TEST_F(RunUninstallTest, ScriptOfAnotherClassStillCleansTheLists)
{
    WritePrivateProfileStringA("Version", "Class", "Mouse", script.c_str());
    EXPECT_EQ(RunUninstall(owner), 0);
    StopWatching();

    ASSERT_EQ(watch.boxes.size(), 1u);
    ExpectBanner(watch.boxes[0]);
    ExpectListsCleaned();
    // Nothing else was touched.
    EXPECT_TRUE(g_sectionCalls.empty());
    EXPECT_TRUE(g_commitCalls.empty());
    EXPECT_TRUE(g_rebootCalls.empty());
    EXPECT_EQ(g_defaultContext, (PVOID)NULL);
    EXPECT_TRUE(Exists(SystemFile("tpadvx.386")));
    EXPECT_TRUE(Exists(SystemFile("WTQVX.DRV")));
    EXPECT_TRUE(ClassKeyExists());
    EXPECT_EQ(ProfileValue("win.ini", "Windows", "SkipMouseRedetect"), "0");
}

// The record of the serial-mouse disable names the key that removal may
// delete. A damaged one that names a key outside the profile's device tree
// is no record: nothing there is touched.
TEST_F(RunUninstallTest, MouseRecordOutsideTheDeviceTreeIsIgnored)
{
    const char victim[] = "Software\\QvxVictim";
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_CONFIG, victim, 0, NULL, 0, KEY_ALL_ACCESS,
                              NULL, &key, NULL), ERROR_SUCCESS);
    DWORD one = 1;
    RegSetValueExA(key, "CSConfigFlags", 0, REG_DWORD, (const BYTE *)&one, sizeof one);
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, QVX_CLASS_KEY, 0, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    RegSetValueExA(key, "DisabledMouse", 0, REG_SZ, (const BYTE *)victim, sizeof victim);
    RegSetValueExA(key, "DisabledMouseNewKey", 0, REG_DWORD, (const BYTE *)&one, sizeof one);
    RegCloseKey(key);

    EXPECT_EQ(RunUninstall(owner), 1);
    EXPECT_FALSE(ClassKeyExists());
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_CONFIG, victim, 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD flags = 0, size = sizeof flags;
    EXPECT_EQ(RegQueryValueExA(key, "CSConfigFlags", NULL, NULL, (BYTE *)&flags, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(flags, 1u);
    RegCloseKey(key);
    DeleteTree(HKEY_CURRENT_CONFIG, victim);
}

} // namespace

namespace {

// The [rename] section of wininit.ini, its lines joined by "|".
std::string RenameLines()
{
    char lines[4096];
    DWORD n = GetPrivateProfileSectionA("rename", lines, sizeof lines, "wininit.ini");
    std::string joined;
    for (const char *p = lines; p < lines + n && *p; p += lstrlenA(p) + 1)
        joined += std::string(p) + "|";
    return joined;
}

UINT DeleteFailed(const std::string &path)
{
    FILEPATHS_A paths = {path.c_str(), NULL, ERROR_SHARING_VIOLATION, 0};
    PVOID context = NULL;
    return QueueFileCallback(&context, SPFILENOTIFY_DELETEERROR, (UINT_PTR)&paths, 0);
}

} // namespace

// Nothing in the driver package the uninstaller runs from (the folder with
// setup.exe beside it) is left to the restart; in the same folder without
// the installer (an installed copy's) a file in use is.
TEST(DeleteAtRestart, NeverSchedulesAFileOfTheDriverDisk)
{
    WriteBytes(WindowsFile("wininit.ini"), "[rename]\r\nNUL=C:\\OLDAPP\\OLD.DLL\r\n");
    std::string onDisk = ProgramDir() + "qvxdisk.drv", installer = ProgramDir() + "setup.exe";
    WriteBytes(onDisk, "d");
    WriteBytes(installer, "MZ");
    EXPECT_EQ(DeleteFailed(onDisk), (UINT)FILEOP_SKIP);
    EXPECT_EQ(RenameLines(), "NUL=C:\\OLDAPP\\OLD.DLL|");

    DeleteFileA(installer.c_str());
    char shortPath[MAX_PATH];
    ASSERT_NE(GetShortPathNameA(onDisk.c_str(), shortPath, sizeof shortPath), 0u);
    EXPECT_EQ(DeleteFailed(onDisk), (UINT)FILEOP_SKIP);
    EXPECT_EQ(RenameLines(), std::string("NUL=C:\\OLDAPP\\OLD.DLL|NUL=") + shortPath + "|");
    DeleteFileA(onDisk.c_str());
}

namespace {

std::string ShortPath(const std::string &path)
{
    char shortPath[MAX_PATH];
    if (!GetShortPathNameA(path.c_str(), shortPath, sizeof shortPath))
        ADD_FAILURE() << "no short path for " << path;
    return shortPath;
}

} // namespace

// Other programs' restart work (deletes, and replacements "A=B" that a
// service pack leaves) before, between and after this program's lines:
// scheduling a file again, scheduling one more, and taking back files that
// were installed again touch only this program's lines.
TEST(DeleteAtRestart, OtherProgramsLinesStayAsTheyWere)
{
    const std::string wininit = WindowsFile("wininit.ini");
    std::string ours[3];
    for (int i = 0; i < 3; i++) {
        std::string path = ProgramDir() + "qvx" + char('a' + i) + ".drv";
        WriteBytes(path, "d");
        ours[i] = "NUL=" + ShortPath(path) + "\r\n";
    }
    const std::string before = "NUL=C:\\OLDAPP\\OLD.DLL\r\n"
                               "C:\\WINDOWS\\SYSTEM\\X.DLL=C:\\WINDOWS\\SYSTEM\\X.NEW\r\n";
    const std::string between = "C:\\WINDOWS\\SYSTEM\\Y.VXD=C:\\WINDOWS\\SYSTEM\\Y.NEW\r\n";
    const std::string after = "NUL=C:\\OLDAPP\\OLD2.DLL\r\n";
    const std::string other = "[CombineVxDs]\r\nC:\\WINDOWS\\SYSTEM\\Z.VXD=1\r\n";
    const std::string section = "[rename]\r\n" + before + ours[0] + between + ours[1] + after;
    WriteBytes(wininit, section + other);

    EXPECT_EQ(DeleteFailed(ProgramDir() + "qvxa.drv"), (UINT)FILEOP_SKIP);
    EXPECT_EQ(ReadBytes(wininit), section + other) << "a file scheduled twice appears once";
    EXPECT_EQ(DeleteFailed(ProgramDir() + "qvxc.drv"), (UINT)FILEOP_SKIP);
    EXPECT_EQ(ReadBytes(wininit), section + ours[2] + other);

    KeepAtRestart((ProgramDir() + "qvxa.drv").c_str());
    EXPECT_EQ(ReadBytes(wininit),
              "[rename]\r\n" + before + between + ours[1] + after + ours[2] + other);
    KeepAtRestart((ProgramDir() + "qvxc.drv").c_str());
    KeepAtRestart((ProgramDir() + "qvxb.drv").c_str());
    EXPECT_EQ(ReadBytes(wininit), "[rename]\r\n" + before + between + after + other);
    for (int i = 0; i < 3; i++)
        DeleteFileA((ProgramDir() + "qvx" + char('a' + i) + ".drv").c_str());
}

// More restart work than the section's buffer holds (16 KB) cannot be
// rewritten whole, and a section cut short would lose the rest: it is left
// exactly as it is. A file in use is then not scheduled (it stays after the
// restart), and a file installed again keeps its earlier line.
TEST(DeleteAtRestart, SectionLargerThanItsBufferIsNeverCutShort)
{
    const std::string wininit = WindowsFile("wininit.ini");
    std::string held = ProgramDir() + "qvxa.drv", again = ProgramDir() + "qvxb.drv";
    WriteBytes(held, "d");
    WriteBytes(again, "d");
    std::string section = "[rename]\r\nNUL=" + ShortPath(again) + "\r\n";
    for (int i = 0; section.size() < 20000; i++) {
        std::string n = std::to_string(1000 + i);
        section += "C:\\WINDOWS\\SYSTEM\\SP" + n + ".DLL=C:\\WINDOWS\\SYSTEM\\SP" + n + ".NEW\r\n";
    }
    WriteBytes(wininit, section);

    EXPECT_EQ(DeleteFailed(held), (UINT)FILEOP_SKIP);
    std::string now = ReadBytes(wininit);
    EXPECT_TRUE(now == section) << "scheduling left " << now.size() << " of "
                                << section.size() << " bytes";
    KeepAtRestart(again.c_str());
    now = ReadBytes(wininit);
    EXPECT_TRUE(now == section) << "taking back left " << now.size() << " of "
                                << section.size() << " bytes";
    DeleteFileA(held.c_str());
    DeleteFileA(again.c_str());
}
