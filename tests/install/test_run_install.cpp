// The installation run in-process, with the Setup API's section calls
// wrapped so that failures Wine never produces can be injected.
#include <gtest/gtest.h>
#include <windows.h>
#include <setupapi.h>
#include <string>
#include <vector>
#include "host/host.h"
#include "install/install.h"
#include "tests/fake_import.h"
#include "tests/support/test_support.h"

// The wizard is replaced by a scripted one: it ends with Finish on the port
// the test chooses, or as cancelled.
int g_selectedPort, g_probeFound, g_disableMouse, g_deviceSetChoice,
    g_recoveryChoice;
static INT_PTR g_wizardResult = 1;
static int g_wizardPort = 8;
INT_PTR RunWizard(HWND, HINSTANCE)
{
    g_selectedPort = g_wizardPort;
    return g_wizardResult;
}

// The wizard's Finish may have disabled the serial mouse; a run that fails
// must take that back.
static int g_mouseRestores;
void RestoreMouseDevice(void)
{
    g_mouseRestores++;
}
int LastMouseDisable(MouseDisable *)
{
    return 0;
}

// Section names whose calls fail; copy flags added to every section's.
static UINT g_extraCopyFlags;
static std::string g_failFilesSection, g_failIniFlagsSection;

typedef BOOL(WINAPI *InstallFromSectionFn)(HWND, HINF, PCSTR, UINT, HKEY, PCSTR,
                                           UINT, PSP_FILE_CALLBACK_A, PVOID,
                                           HDEVINFO, PSP_DEVINFO_DATA);
typedef BOOL(WINAPI *InstallFilesFn)(HINF, HINF, HSPFILEQ, PCSTR, PCSTR, UINT);

static BOOL WINAPI FakeInstallFromSection(HWND owner, HINF inf, PCSTR section,
                                          UINT flags, HKEY root, PCSTR src,
                                          UINT copyFlags, PSP_FILE_CALLBACK_A cb,
                                          PVOID ctx, HDEVINFO di,
                                          PSP_DEVINFO_DATA dd)
{
    if ((flags & SPINST_INIFILES) && g_failIniFlagsSection == section) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return ((InstallFromSectionFn)(void *)Real("SetupInstallFromInfSectionA"))(
        owner, inf, section, flags, root, src, copyFlags, cb, ctx, di, dd);
}

static BOOL WINAPI FakeInstallFiles(HINF inf, HINF layout, HSPFILEQ queue,
                                    PCSTR section, PCSTR src, UINT flags)
{
    if (g_failFilesSection == section) {
        SetLastError(ERROR_SECTION_NOT_FOUND);
        return FALSE;
    }
    return ((InstallFilesFn)(void *)Real("SetupInstallFilesFromInfSectionA"))(
        inf, layout, queue, section, src, flags | g_extraCopyFlags);
}

// The driver disk prompt: how the user answers it, and what it was asked.
enum PromptAnswer { PromptReal, PromptCancel, PromptSkip, PromptOtherFolder,
                    PromptSameFolder };
static struct {
    PromptAnswer answer;
    int calls;
    DWORD styles[4];
    HWND owner;
    std::string file, folder;
} g_prompt;

static UINT WINAPI FakePromptForDisk(HWND owner, PCSTR title, PCSTR description,
                                     PCSTR path, PCSTR file, PCSTR tag,
                                     DWORD style, PSTR out, DWORD outSize,
                                     PDWORD needed)
{
    int call = g_prompt.calls++;
    if (call < 4)
        g_prompt.styles[call] = style;
    if (call == 0) {
        g_prompt.owner = owner;
        g_prompt.file = file ? file : "";
    }
    // A run that asks again and again would never end: the user gives up.
    if (call >= 20)
        return DPROMPT_CANCEL;
    switch (g_prompt.answer) {
    case PromptCancel:
        return DPROMPT_CANCEL;
    case PromptSkip:
        return DPROMPT_SKIPFILE;
    case PromptOtherFolder:
        lstrcpynA(out, g_prompt.folder.c_str(), outSize);
        return DPROMPT_SUCCESS;
    case PromptSameFolder:
        // A prompt that, like some setupapi versions' own, says the disk is
        // there without looking; the user cancels once it shows.
        if (!(style & IDF_CHECKFIRST))
            return DPROMPT_CANCEL;
        lstrcpynA(out, path, outSize);
        return DPROMPT_SUCCESS;
    default:
        break;
    }
    typedef UINT(WINAPI * PromptFn)(HWND, PCSTR, PCSTR, PCSTR, PCSTR, PCSTR,
                                    DWORD, PSTR, DWORD, PDWORD);
    return ((PromptFn)(void *)Real("SetupPromptForDiskA"))(
        owner, title, description, path, file, tag, style, out, outSize, needed);
}

// The default callback's answer to a copy error, as a user gives it on
// Windows (Wine's own skips in silence), given when g_answerCopyErrors. A
// user who retries has first taken away what was in the way.
static bool g_answerCopyErrors;
static UINT g_copyErrorAnswer, g_copyErrors;
static std::string g_inTheWay;

static UINT WINAPI FakeDefaultCallback(PVOID context, UINT notification,
                                       UINT_PTR param1, UINT_PTR param2)
{
    if (notification == SPFILENOTIFY_COPYERROR && g_answerCopyErrors) {
        g_copyErrors++;
        if (g_copyErrorAnswer == FILEOP_DOIT)
            RemoveDirectoryA(g_inTheWay.c_str());
        return g_copyErrorAnswer;
    }
    typedef UINT(WINAPI * CallbackFn)(PVOID, UINT, UINT_PTR, UINT_PTR);
    return ((CallbackFn)(void *)Real("SetupDefaultQueueCallbackA"))(
        context, notification, param1, param2);
}

// How the commit goes: as the Setup API does it, failing at once without a
// single notification (as it may when it runs out of memory), or with the
// driver file's copy ending in an error that no copy error announced.
enum CommitPlay { CommitReal, CommitFailsSilently, CommitEndsInError };
static CommitPlay g_commit;
static PSP_FILE_CALLBACK_A g_commitHandler;

static UINT CALLBACK EndInError(PVOID context, UINT notification,
                                UINT_PTR param1, UINT_PTR param2)
{
    const FILEPATHS_A *paths = (const FILEPATHS_A *)param1;
    if (notification == SPFILENOTIFY_ENDCOPY && paths->Win32Error == NO_ERROR &&
        lstrcmpiA(paths->Target, SystemFile("WTQVX.DRV").c_str()) == 0) {
        DeleteFileA(paths->Target);
        FILEPATHS_A failed = *paths;
        failed.Win32Error = ERROR_WRITE_FAULT;
        return g_commitHandler(context, notification, (UINT_PTR)&failed, param2);
    }
    return g_commitHandler(context, notification, param1, param2);
}

static BOOL WINAPI FakeCommit(HWND owner, HSPFILEQ queue,
                              PSP_FILE_CALLBACK_A handler, PVOID context)
{
    if (g_commit == CommitFailsSilently) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    if (g_commit == CommitEndsInError) {
        g_commitHandler = handler;
        handler = EndInError;
    }
    typedef BOOL(WINAPI * CommitFn)(HWND, HSPFILEQ, PSP_FILE_CALLBACK_A, PVOID);
    return ((CommitFn)(void *)Real("SetupCommitFileQueueA"))(owner, queue, handler,
                                                             context);
}

// When set, the restart question shows as Windows shows it, and both
// programs are started again while it is open.
static bool g_askRestart;
static HWND g_question;
static std::vector<SecondStart> g_secondStarts;
static std::string g_systemIniAtQuestion;

static UINT WINAPI FakePromptReboot(HSPFILEQ, HWND, BOOL)
{
    if (g_askRestart) {
        g_systemIniAtQuestion = ReadBytes(WindowsFile("system.ini"));
        g_secondStarts = AskRestartWhileStartedAgain(QVX_PACKAGE_DIR_WIN, &g_question);
    }
    return 0;
}

QVX_FAKE_IMPORT(SetupInstallFromInfSectionA, 44, FakeInstallFromSection);
QVX_FAKE_IMPORT(SetupPromptReboot, 12, FakePromptReboot);
QVX_FAKE_IMPORT(SetupCommitFileQueueA, 16, FakeCommit);
QVX_FAKE_IMPORT(SetupInstallFilesFromInfSectionA, 24, FakeInstallFiles);
QVX_FAKE_IMPORT(SetupPromptForDiskA, 40, FakePromptForDisk);
QVX_FAKE_IMPORT(SetupDefaultQueueCallbackA, 16, FakeDefaultCallback);

namespace {

// Where the script puts the uninstaller: the Windows directory's PR4417.
std::string UninstallerCopy()
{
    char dir[MAX_PATH];
    GetWindowsDirectoryA(dir, sizeof dir);
    return std::string(dir) + "\\PR4417\\pruninst.exe";
}

struct BoxSeen {
    std::string caption, text;
    volatile LONG stop;
};

// Answers the first message box of this process with OK and records it;
// the restart question is answered by whoever asks it.
DWORD WINAPI AnswerBox(void *arg)
{
    BoxSeen *seen = (BoxSeen *)arg;
    for (int i = 0; i < 400 && !seen->stop; i++) {
        HWND box = FindWindowA("#32770", NULL);
        DWORD pid = 0;
        if (box)
            GetWindowThreadProcessId(box, &pid);
        if (box && pid == GetCurrentProcessId() && IsWindowVisible(box) &&
            !AskingRestart()) {
            char buf[512];
            GetWindowTextA(box, buf, sizeof buf);
            seen->caption = buf;
            GetDlgItemTextA(box, 0xFFFF, buf, sizeof buf);
            seen->text = buf;
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            return 0;
        }
        Sleep(25);
    }
    return 0;
}

class RunInstallTest : public ::testing::Test {
protected:
    BoxSeen box = {"", "", 0};
    HANDLE answerer = NULL;

    // The run reads setup.ini beside the running program: put the sample
    // package there, without a banner so only failures show a box.
    static void SetUpTestSuite()
    {
        char dir[MAX_PATH];
        GetProgramDir(dir, sizeof dir);
        const char *files[] = {"setup.ini", "tpadvx.386", "WTQVX.DRV",
                               "pruninst.exe"};
        for (const char *f : files)
            CopyFileA((std::string(QVX_PACKAGE_DIR_WIN) + "\\" + f).c_str(),
                      (std::string(dir) + f).c_str(), FALSE);
        WritePrivateProfileStringA("QVXVersion", "Cycle", NULL,
                                   (std::string(dir) + "setup.ini").c_str());
    }

    void SetUp() override
    {
        g_failFilesSection.clear();
        g_failIniFlagsSection.clear();
        g_wizardResult = 1;
        g_wizardPort = 8;
        g_prompt.answer = PromptReal;
        g_prompt.calls = 0;
        g_prompt.owner = NULL;
        g_answerCopyErrors = false;
        g_copyErrors = 0;
        g_extraCopyFlags = 0;
        g_mouseRestores = 0;
        g_commit = CommitReal;
        g_askRestart = false;
        g_secondStarts.clear();
        SetUpTestSuite();   // a case may have taken a package file away
        DeleteFileA(SystemFile("tpadvx.386").c_str());
        DeleteFileA(SystemFile("WTQVX.DRV").c_str());
        RemoveDirectoryA(SystemFile("WTQVX.DRV").c_str());
        RemoveDirectoryA(SystemFile("tpadvx.386").c_str());
        DeleteFileA(UninstallerCopy().c_str());
        DeleteTree(HKEY_LOCAL_MACHINE, QVX_CLASS_KEY);
        WritePrivateProfileStringA("386Enh", "tpadvx", NULL, "system.ini");
        WritePrivateProfileStringA("386Enh", "Pointing", NULL, "system.ini");
        WritePrivateProfileStringA("Penrel Tablet Driver", NULL, NULL, "wintab.ini");
        WritePrivateProfileStringA("tpadvx.386", NULL, NULL, "system.ini");
        WritePrivateProfileStringA("boot", "drivers", "mmsystem.dll", "system.ini");
        box.caption.clear();
        box.text.clear();
        box.stop = 0;
        answerer = CreateThread(NULL, 0, AnswerBox, &box, 0, NULL);
    }
    void TearDown() override
    {
        box.stop = 1;
        WaitForSingleObject(answerer, 6000);
        CloseHandle(answerer);
    }
};

TEST_F(RunInstallTest, FailingIniSectionReportsAndWritesNoPort)
{
    g_failIniFlagsSection = "WTQVX:WTQVX.DRV:PNP";
    EXPECT_EQ(RunInstall(NULL, GetModuleHandleA(NULL)), 1);
    WaitForSingleObject(answerer, 6000);
    EXPECT_EQ(box.caption, "Error");
    EXPECT_EQ(box.text, "Installation did not complete successfully!");
    EXPECT_EQ(ProfileValue("wintab.ini", "Penrel Tablet Driver", "Com"), "<absent>");
    EXPECT_EQ(ProfileValue("system.ini", "tpadvx.386", "WTQVX"), "<absent>");
    EXPECT_EQ(g_mouseRestores, 1);
    // The files were copied and the word-list edits still ran.
    EXPECT_TRUE(Exists(SystemFile("WTQVX.DRV")));
    // The package takes its older driver's word out and puts its own in, so
    // the list keeps the blank the removal left.
    EXPECT_EQ(ProfileValue("system.ini", "boot", "drivers"), "mmsystem.dll  wtqvx.drv");
}

// A script without the driver section installs nothing that works: the run
// must say so rather than record a port and offer a restart.
TEST_F(RunInstallTest, MissingDriverSectionIsAFailure)
{
    char dir[MAX_PATH];
    GetProgramDir(dir, sizeof dir);
    std::string script = std::string(dir) + "setup.ini";
    WritePrivateProfileStringA("WTQVX:WTQVX.DRV:PNP", NULL, NULL, script.c_str());
    EXPECT_EQ(RunInstall(NULL, GetModuleHandleA(NULL)), 1);
    WaitForSingleObject(answerer, 6000);
    SetUpTestSuite();   // the whole script again for the other cases
    EXPECT_EQ(box.caption, "Error");
    EXPECT_EQ(box.text, "Installation did not complete successfully!");
    EXPECT_EQ(ProfileValue("wintab.ini", "Penrel Tablet Driver", "Com"), "<absent>");
}

TEST_F(RunInstallTest, PortEightIsWrittenToBothFiles)
{
    EXPECT_EQ(RunInstall(NULL, GetModuleHandleA(NULL)), 1);
    Sleep(500);
    EXPECT_EQ(box.caption, "") << "unexpected message box: " << box.text;
    EXPECT_EQ(ProfileValue("wintab.ini", "Penrel Tablet Driver", "Com"), "8");
    EXPECT_EQ(ProfileValue("system.ini", "tpadvx.386", "WTQVX"), "8");
    EXPECT_TRUE(Exists(SystemFile("tpadvx.386")));
    EXPECT_TRUE(Exists(SystemFile("WTQVX.DRV")));
    EXPECT_EQ(g_mouseRestores, 0);
}

// What a run that reports a failure must leave: no reference to the driver.
static void ExpectNothingRefersToTheDriver(const BoxSeen &box)
{
    EXPECT_EQ(box.caption, "Error");
    EXPECT_EQ(box.text, "Installation did not complete successfully!");
    EXPECT_FALSE(ClassKeyExists());
    EXPECT_EQ(ProfileValue("system.ini", "386Enh", "tpadvx"), "<absent>");
    EXPECT_EQ(ProfileValue("wintab.ini", "Penrel Tablet Driver", "Driver"), "<absent>");
    EXPECT_EQ(ProfileValue("wintab.ini", "Penrel Tablet Driver", "Com"), "<absent>");
    EXPECT_EQ(ProfileValue("system.ini", "tpadvx.386", "WTQVX"), "<absent>");
    EXPECT_EQ(ProfileValue("system.ini", "boot", "drivers"), "mmsystem.dll");
    EXPECT_EQ(ProfileValue("system.ini", "386Enh", "Pointing"), "<absent>");
    EXPECT_EQ(g_mouseRestores, 1) << "the serial mouse must be enabled again";
}

// A section whose files do not queue leaves them out: the other section's
// files are still copied, but the run must not refer to the missing ones.
TEST_F(RunInstallTest, ClassFilesFailingToQueueIsAFailure)
{
    g_failFilesSection = "ClassInstall";
    EXPECT_EQ(RunInstall(NULL, GetModuleHandleA(NULL)), 1);
    WaitForSingleObject(answerer, 6000);
    EXPECT_FALSE(Exists(SystemFile("tpadvx.386")));
    EXPECT_TRUE(Exists(SystemFile("WTQVX.DRV")));
    ExpectNothingRefersToTheDriver(box);
}

TEST_F(RunInstallTest, DriverFilesFailingToQueueCopiesNothing)
{
    g_failFilesSection = "WTQVX:WTQVX.DRV:PNP";
    EXPECT_EQ(RunInstall(NULL, GetModuleHandleA(NULL)), 1);
    WaitForSingleObject(answerer, 6000);
    EXPECT_FALSE(Exists(SystemFile("tpadvx.386")));
    EXPECT_FALSE(Exists(SystemFile("WTQVX.DRV")));
    ExpectNothingRefersToTheDriver(box);
}

// A driver file missing from the package: the disk is asked for, owned by
// the run's owner, and each way of not giving it ends in the failure.
TEST_F(RunInstallTest, MissingPackageFileAsksForTheDisk)
{
    const PromptAnswer answers[] = {PromptCancel, PromptSkip, PromptSameFolder};
    for (PromptAnswer answer : answers) {
        SCOPED_TRACE(answer == PromptCancel ? "cancelled"
                     : answer == PromptSkip ? "skipped" : "disk said to be there");
        TearDown();
        SetUp();
        DeleteFileA((ProgramDir() + "tpadvx.386").c_str());
        g_prompt.answer = answer;
        HWND owner = CreateWindowA("STATIC", "owner", WS_POPUP, 0, 0, 0, 0, NULL,
                                   NULL, NULL, NULL);
        EXPECT_EQ(RunInstall(owner, GetModuleHandleA(NULL)), 1);
        WaitForSingleObject(answerer, 6000);
        DestroyWindow(owner);
        EXPECT_EQ(g_prompt.owner, owner);
        EXPECT_EQ(g_prompt.file, "tpadvx.386");
        EXPECT_TRUE(g_prompt.styles[0] & IDF_CHECKFIRST);
        if (answer == PromptSameFolder) {
            // The second request for the same file must show the prompt:
            // answered by looking again, it would never end.
            ASSERT_EQ(g_prompt.calls, 2);
            EXPECT_FALSE(g_prompt.styles[1] & IDF_CHECKFIRST);
        }
        EXPECT_FALSE(Exists(SystemFile("tpadvx.386")));
        ExpectNothingRefersToTheDriver(box);
    }
}

// The user names the folder where the file is: the installation completes.
TEST_F(RunInstallTest, DiskPromptAnsweredWithAnotherFolder)
{
    // The new path stands for the whole disk, as a second copy of it.
    std::string other = ProgramDir() + "disk2";
    CreateDirectoryA(other.c_str(), NULL);
    const char *files[] = {"setup.ini", "WTQVX.DRV", "pruninst.exe"};
    for (const char *f : files)
        CopyFileA((ProgramDir() + f).c_str(), (other + "\\" + f).c_str(), FALSE);
    MoveFileExA((ProgramDir() + "tpadvx.386").c_str(),
                (other + "\\tpadvx.386").c_str(), MOVEFILE_REPLACE_EXISTING);
    g_prompt.answer = PromptOtherFolder;
    g_prompt.folder = other;
    EXPECT_EQ(RunInstall(NULL, GetModuleHandleA(NULL)), 1);
    Sleep(500);
    EXPECT_EQ(box.caption, "") << "unexpected message box: " << box.text;
    EXPECT_EQ(g_prompt.calls, 1);
    EXPECT_TRUE(Exists(SystemFile("tpadvx.386")));
    EXPECT_EQ(ProfileValue("wintab.ini", "Penrel Tablet Driver", "Com"), "8");
}

// A driver file that cannot be written (a folder of its name in the way):
// whether the user skips it or cancels the copying, nothing refers to it,
// and the file copied before it stays.
TEST_F(RunInstallTest, DriverFileThatCannotBeWritten)
{
    const UINT answers[] = {FILEOP_SKIP, FILEOP_ABORT};
    for (UINT answer : answers) {
        SCOPED_TRACE(answer == FILEOP_SKIP ? "skipped" : "cancelled");
        TearDown();
        SetUp();
        ASSERT_TRUE(CreateDirectoryA(SystemFile("WTQVX.DRV").c_str(), NULL));
        g_answerCopyErrors = true;
        g_copyErrorAnswer = answer;
        EXPECT_EQ(RunInstall(NULL, GetModuleHandleA(NULL)), 1);
        WaitForSingleObject(answerer, 6000);
        EXPECT_EQ(g_copyErrors, 1u);
        EXPECT_TRUE(Exists(SystemFile("tpadvx.386")));
        ExpectNothingRefersToTheDriver(box);
    }
}

// The user clears the cause and retries: the file arrives and the run
// completes, whatever error the failed attempt left behind.
TEST_F(RunInstallTest, RetriedCopyThatWorksCompletes)
{
    g_inTheWay = SystemFile("WTQVX.DRV");
    ASSERT_TRUE(CreateDirectoryA(g_inTheWay.c_str(), NULL));
    g_answerCopyErrors = true;
    g_copyErrorAnswer = FILEOP_DOIT;
    EXPECT_EQ(RunInstall(NULL, GetModuleHandleA(NULL)), 1);
    Sleep(500);
    EXPECT_EQ(box.caption, "") << "unexpected message box: " << box.text;
    EXPECT_EQ(g_copyErrors, 1u);
    EXPECT_TRUE(Exists(SystemFile("WTQVX.DRV")));
    EXPECT_EQ(ProfileValue("wintab.ini", "Penrel Tablet Driver", "Com"), "8");
    EXPECT_EQ(g_mouseRestores, 0);
}

// The disk's first file cannot be written: the disk itself was there, so
// the files after it are copied without asking for it again.
TEST_F(RunInstallTest, FirstFileThatCannotBeWrittenAsksForNoDisk)
{
    ASSERT_TRUE(CreateDirectoryA(SystemFile("tpadvx.386").c_str(), NULL));
    g_answerCopyErrors = true;
    g_copyErrorAnswer = FILEOP_SKIP;
    g_prompt.answer = PromptSameFolder;   // a prompt that shows is cancelled
    EXPECT_EQ(RunInstall(NULL, GetModuleHandleA(NULL)), 1);
    WaitForSingleObject(answerer, 6000);
    EXPECT_EQ(g_copyErrors, 1u);
    for (int i = 0; i < g_prompt.calls && i < 4; i++)
        EXPECT_TRUE(g_prompt.styles[i] & IDF_CHECKFIRST) << "disk prompt shown, call " << i;
    EXPECT_TRUE(Exists(UninstallerCopy()));
    EXPECT_TRUE(Exists(SystemFile("WTQVX.DRV")));
    ExpectNothingRefersToTheDriver(box);
}

// The platform may report a failed copy only in the commit's result, or
// only in the end of the copy: either is the failure.
TEST_F(RunInstallTest, CommitFailingWithoutANotification)
{
    g_commit = CommitFailsSilently;
    EXPECT_EQ(RunInstall(NULL, GetModuleHandleA(NULL)), 1);
    WaitForSingleObject(answerer, 6000);
    EXPECT_FALSE(Exists(SystemFile("WTQVX.DRV")));
    ExpectNothingRefersToTheDriver(box);
}

TEST_F(RunInstallTest, CopyEndingInAnErrorNothingAnnounced)
{
    g_commit = CommitEndsInError;
    EXPECT_EQ(RunInstall(NULL, GetModuleHandleA(NULL)), 1);
    WaitForSingleObject(answerer, 6000);
    EXPECT_TRUE(Exists(SystemFile("tpadvx.386")));
    EXPECT_FALSE(Exists(SystemFile("WTQVX.DRV")));
    ExpectNothingRefersToTheDriver(box);
}

// The prompt takes the copy's own restrictions, in its own flags.
TEST_F(RunInstallTest, DiskPromptKeepsTheCopyRestrictions)
{
    DeleteFileA((ProgramDir() + "tpadvx.386").c_str());
    g_extraCopyFlags = SP_COPY_NOSKIP | SP_COPY_NOBROWSE;
    g_prompt.answer = PromptCancel;
    EXPECT_EQ(RunInstall(NULL, GetModuleHandleA(NULL)), 1);
    WaitForSingleObject(answerer, 6000);
    EXPECT_EQ(g_prompt.styles[0], (DWORD)(IDF_CHECKFIRST | IDF_NOSKIP | IDF_NOBROWSE));
}

// Both programs started again while setup asks for the restart: each ends
// by itself and brings that question, which has no owner, to the front,
// never the zero-size host window.
TEST_F(RunInstallTest, SecondStartAtTheRestartQuestion)
{
    HANDLE run = CreateMutexA(NULL, FALSE, RUN_MUTEX_NAME);
    HINSTANCE instance = GetModuleHandleA(NULL);
    ASSERT_TRUE(RegisterHostClass(instance, SETUP_CLASS, NULL, DefWindowProcA));
    HWND host = CreateHostWindow(instance, SETUP_CLASS, "Penrel Tablet Setup");
    ASSERT_TRUE(host != NULL);
    ShowWindow(host, SW_SHOW);
    SetWindowPos(host, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    g_askRestart = true;
    EXPECT_EQ(RunInstall(host, instance), 1);
    DestroyWindow(host);
    CloseHandle(run);

    EXPECT_EQ(box.caption, "") << "unexpected message box: " << box.text;
    ExpectQuestionBroughtForward(g_secondStarts, g_question, host);
    EXPECT_EQ(ReadBytes(WindowsFile("system.ini")), g_systemIniAtQuestion);
    EXPECT_EQ(ProfileValue("wintab.ini", "Penrel Tablet Driver", "Com"), "8");
}

TEST_F(RunInstallTest, CancelledWizardInstallsNothing)
{
    g_wizardResult = 0;
    EXPECT_EQ(RunInstall(NULL, GetModuleHandleA(NULL)), 0);
    EXPECT_FALSE(Exists(SystemFile("WTQVX.DRV")));
    EXPECT_EQ(ProfileValue("wintab.ini", "Penrel Tablet Driver", "Com"), "<absent>");
    EXPECT_EQ(ProfileValue("system.ini", "boot", "drivers"), "mmsystem.dll");
    EXPECT_EQ(g_mouseRestores, 0);
}

// A sheet that cannot be made answers -1 (RunWizard has set the port to 0
// by then), and a Finish without a port to record is no installation
// either: each stops as a Cancel does, before anything is copied or written.
TEST_F(RunInstallTest, SheetThatFailsOrNamesNoPortInstallsNothing)
{
    const struct { INT_PTR result; int port; } cases[] = {
        {-1, 0}, {-1, 3}, {1, 0}, {1, -1}, {1, 9}};
    for (const auto &c : cases) {
        SCOPED_TRACE("sheet result " + std::to_string(c.result) + ", port " +
                     std::to_string(c.port));
        g_wizardResult = c.result;
        g_wizardPort = c.port;
        EXPECT_EQ(RunInstall(NULL, GetModuleHandleA(NULL)), 0);
        EXPECT_FALSE(Exists(SystemFile("WTQVX.DRV")));
        EXPECT_EQ(ProfileValue("wintab.ini", "Penrel Tablet Driver", "Com"), "<absent>");
        EXPECT_EQ(ProfileValue("system.ini", "tpadvx.386", "WTQVX"), "<absent>");
        EXPECT_EQ(ProfileValue("system.ini", "boot", "drivers"), "mmsystem.dll");
        EXPECT_FALSE(ClassKeyExists());
    }
    EXPECT_EQ(box.caption, "") << "unexpected message box: " << box.text;
}

}  // namespace
