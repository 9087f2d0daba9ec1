// The installation run in-process, with the Setup API's section calls
// wrapped so that failures Wine never produces can be injected.
#include <gtest/gtest.h>
#include <windows.h>
#include <setupapi.h>
#include <string>
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

// Section names whose calls fail.
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
        inf, layout, queue, section, src, flags);
}

QVX_FAKE_IMPORT(SetupInstallFromInfSectionA, 44, FakeInstallFromSection);
QVX_FAKE_IMPORT(SetupInstallFilesFromInfSectionA, 24, FakeInstallFiles);

namespace {

struct BoxSeen {
    std::string caption, text;
    volatile LONG stop;
};

// Answers the first message box of this process with OK and records it.
DWORD WINAPI AnswerBox(void *arg)
{
    BoxSeen *seen = (BoxSeen *)arg;
    for (int i = 0; i < 400 && !seen->stop; i++) {
        HWND box = FindWindowA("#32770", NULL);
        DWORD pid = 0;
        if (box)
            GetWindowThreadProcessId(box, &pid);
        if (box && pid == GetCurrentProcessId() && IsWindowVisible(box)) {
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
        const char *files[] = {"setup.ini", "tpadvx.386", "WTQVX.DRV"};
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
        DeleteFileA(SystemFile("tpadvx.386").c_str());
        DeleteFileA(SystemFile("WTQVX.DRV").c_str());
        WritePrivateProfileStringA("Penrel Tablet Driver", NULL, NULL, "wintab.ini");
        WritePrivateProfileStringA("tpadvx.386", NULL, NULL, "system.ini");
        WritePrivateProfileStringA("boot", "drivers", "mmsystem.dll", "system.ini");
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
}

TEST_F(RunInstallTest, ClassFilesFailingToQueueStillCommitsTheDriverFiles)
{
    g_failFilesSection = "ClassInstall";
    EXPECT_EQ(RunInstall(NULL, GetModuleHandleA(NULL)), 1);
    EXPECT_FALSE(Exists(SystemFile("tpadvx.386")));
    EXPECT_TRUE(Exists(SystemFile("WTQVX.DRV")));
    EXPECT_EQ(ProfileValue("wintab.ini", "Penrel Tablet Driver", "Com"), "8");
}

TEST_F(RunInstallTest, DriverFilesFailingToQueueCopiesNothingButGoesOn)
{
    g_failFilesSection = "WTQVX:WTQVX.DRV:PNP";
    EXPECT_EQ(RunInstall(NULL, GetModuleHandleA(NULL)), 1);
    EXPECT_FALSE(Exists(SystemFile("tpadvx.386")));
    EXPECT_FALSE(Exists(SystemFile("WTQVX.DRV")));
    EXPECT_EQ(ProfileValue("system.ini", "386Enh", "tpadvx"), "tpadvx.386");
    EXPECT_EQ(ProfileValue("wintab.ini", "Penrel Tablet Driver", "Com"), "8");
}

TEST_F(RunInstallTest, CancelledWizardInstallsNothing)
{
    g_wizardResult = 0;
    EXPECT_EQ(RunInstall(NULL, GetModuleHandleA(NULL)), 0);
    EXPECT_FALSE(Exists(SystemFile("WTQVX.DRV")));
    EXPECT_EQ(ProfileValue("wintab.ini", "Penrel Tablet Driver", "Com"), "<absent>");
    EXPECT_EQ(ProfileValue("system.ini", "boot", "drivers"), "mmsystem.dll");
}

}  // namespace
