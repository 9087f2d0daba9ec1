// The serial-mouse lookup against registry fixtures and the detector
// stand-in (ptrsniff.exe beside this program). mouse_e2e.sh runs it from a
// package directory whose name holds a blank, with a decoy C:\Penrel.exe
// that an unquoted command line would start instead, and then from deep
// directories for the DeepDirectory suite.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string>
#include <vector>

#include "detect/detect.h"
#include "tests/support/test_support.h"

namespace {

const char kDynEnum[] = "Config Manager\\Enum";
const char kSniffLog[] = "C:\\qvx-sniff.log";
const char kAnswerFile[] = "qvxinst.ini";

// One device node: the running-device entry under HKEY_DYN_DATA naming its
// hardware key, and (when comInfo is given) the node's "ComInfo" under
// HKLM\Enum. terminated false stores the hardware key without its NUL.
void AddDevice(const std::string &entry, const std::string &hardwareKey,
               const std::vector<BYTE> *comInfo = nullptr, bool terminated = true)
{
    HKEY key;
    std::string path = std::string(kDynEnum) + "\\" + entry;
    ASSERT_EQ(RegCreateKeyExA(HKEY_DYN_DATA, path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL),
              ERROR_SUCCESS) << path;
    // RegSetValueExA counts a NUL that follows the data as its terminator,
    // so an unterminated value needs some other byte after it.
    std::string data = terminated ? hardwareKey : hardwareKey + "X";
    RegSetValueExA(key, "HardWareKey", 0, REG_SZ, (const BYTE *)data.c_str(),
                   (DWORD)hardwareKey.size() + (terminated ? 1 : 0));
    RegCloseKey(key);
    if (!comInfo)
        return;
    path = "Enum\\" + hardwareKey;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL),
              ERROR_SUCCESS) << path;
    RegSetValueExA(key, "ComInfo", 0, REG_BINARY, comInfo->data(), (DWORD)comInfo->size());
    RegCloseKey(key);
}

std::vector<BYTE> IoBase(DWORD value)
{
    return {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)};
}

// "CSConfigFlags" of a hardware key in the current profile: "none", or
// "type:value".
std::string ProfileFlags(const std::string &hardwareKey)
{
    HKEY key;
    std::string path = "Enum\\" + hardwareKey;
    if (RegOpenKeyExA(HKEY_CURRENT_CONFIG, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return "none";
    DWORD type = 0, value = 0, size = sizeof value;
    LONG status = RegQueryValueExA(key, "CSConfigFlags", NULL, &type, (BYTE *)&value, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return "none";
    return std::to_string(type) + ":" + std::to_string(value);
}

std::vector<std::string> SniffLines(const char *kind)
{
    std::vector<std::string> lines;
    FILE *f = fopen(kSniffLog, "rb");
    if (!f)
        return lines;
    char line[2048];
    while (fgets(line, sizeof line, f)) {
        std::string s = line;
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
            s.pop_back();
        if (s.compare(0, strlen(kind), kind) == 0)
            lines.push_back(s);
    }
    fclose(f);
    return lines;
}

int DetectorStarts() { return (int)SniffLines("start|").size(); }

bool AnswerSectionPresent()
{
    char section[256];
    return GetPrivateProfileSectionA("Mouse", section, sizeof section, kAnswerFile) != 0;
}

void SetDetector(const char *mode) { SetEnvironmentVariableA("QVX_SNIFF_MODE", mode); }

class MouseLookup : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteTree(HKEY_DYN_DATA, kDynEnum);
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_DYN_DATA, kDynEnum, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL),
                  ERROR_SUCCESS);
        RegCloseKey(key);
        DeleteTree(HKEY_LOCAL_MACHINE, "Enum\\QVXTEST");
        DeleteTree(HKEY_CURRENT_CONFIG, "Enum\\QVXTEST");
        WritePrivateProfileStringA("Mouse", NULL, NULL, kAnswerFile);
        DeleteFileA(kSniffLog);
        SetEnvironmentVariableA("QVX_SNIFF_LOG", kSniffLog);
        // An answer no registry case expects: a detector that ran shows.
        SetDetector("answer 7 0");
    }
};

TEST_F(MouseLookup, RegistryPortComesFromTheLowWordOfComInfo)
{
    // Small letters still name a PnP mouse; the high word is not the base.
    std::vector<BYTE> com2 = IoBase(0x5A5A02F8);
    AddDevice("C29A0F40", "QVXTEST\\*pnp0f0c\\0000", &com2);
    EXPECT_EQ(FindMousePort(0), 2);
    EXPECT_EQ(DetectorStarts(), 0);
    EXPECT_EQ(ProfileFlags("QVXTEST\\*pnp0f0c\\0000"), "none");
}

TEST_F(MouseLookup, MouseNeedsABackslashAfterIt)
{
    std::vector<BYTE> com1 = IoBase(0x3F8), com4 = IoBase(0x2E8);
    AddDevice("C0000001", "QVXTEST\\Mouse", &com1);          // no match
    AddDevice("C0000002", "QVXTEST\\MOUSE\\0001", &com4);    // match
    EXPECT_EQ(FindMousePort(0), 4);
    EXPECT_EQ(DetectorStarts(), 0);
}

TEST_F(MouseLookup, WithoutARegisteredPortTheDetectorDecides)
{
    // A base outside COM1..COM4, and a device that isn't a pointer at all.
    std::vector<BYTE> odd = IoBase(0x3E0), com1 = IoBase(0x3F8);
    AddDevice("C0000001", "QVXTEST\\*PNP0F0C\\0000", &odd);
    AddDevice("C0000002", "QVXTEST\\*PNP0500\\0000", &com1);
    SetDetector("answer 3 200");
    EXPECT_EQ(FindMousePort(1), 3);
    EXPECT_EQ(DetectorStarts(), 1);
    EXPECT_EQ(ProfileFlags("QVXTEST\\*PNP0F0C\\0000"), "none");
    EXPECT_EQ(ProfileFlags("QVXTEST\\*PNP0500\\0000"), "none");
}

TEST_F(MouseLookup, DisableModeDisablesTheSerialMouseNotThePs2MouseBeforeIt)
{
    std::vector<BYTE> com2 = IoBase(0x2F8);
    AddDevice("C0000001", "QVXTEST\\*PNP0F13\\0000");        // PS/2: no ComInfo
    AddDevice("C0000002", "QVXTEST\\*PNP0F0C\\0000", &com2);
    EXPECT_EQ(FindMousePort(1), 2);
    EXPECT_EQ(ProfileFlags("QVXTEST\\*PNP0F0C\\0000"), std::to_string(REG_DWORD) + ":1");
    EXPECT_EQ(ProfileFlags("QVXTEST\\*PNP0F13\\0000"), "none");
    EXPECT_EQ(DetectorStarts(), 0);
}

// An installation that fails takes the disable back: the profile is left
// as the disable found it, whether it had a key and a value there or not.
TEST_F(MouseLookup, RestoreTakesBackTheDisableAsFound)
{
    std::vector<BYTE> com2 = IoBase(0x2F8);
    AddDevice("C0000002", "QVXTEST\\*PNP0F0C\\0000", &com2);
    const char profilePath[] = "Enum\\QVXTEST\\*PNP0F0C\\0000";
    HKEY key;

    // No profile key before: none after.
    EXPECT_EQ(FindMousePort(1), 2);
    EXPECT_EQ(ProfileFlags("QVXTEST\\*PNP0F0C\\0000"), std::to_string(REG_DWORD) + ":1");
    RestoreMouseDevice();
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_CONFIG, profilePath, 0, KEY_READ, &key), ERROR_SUCCESS);

    // A key with flags of its own and another value: both as they were.
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_CONFIG, profilePath, 0, NULL, 0, KEY_ALL_ACCESS,
                              NULL, &key, NULL), ERROR_SUCCESS);
    DWORD flags = 4;  // CSCONFIGFLAG_DO_NOT_START
    RegSetValueExA(key, "CSConfigFlags", 0, REG_DWORD, (const BYTE *)&flags, sizeof flags);
    RegSetValueExA(key, "Other", 0, REG_SZ, (const BYTE *)"x", 2);
    RegCloseKey(key);
    EXPECT_EQ(FindMousePort(1), 2);
    EXPECT_EQ(ProfileFlags("QVXTEST\\*PNP0F0C\\0000"), std::to_string(REG_DWORD) + ":1");
    RestoreMouseDevice();
    EXPECT_EQ(ProfileFlags("QVXTEST\\*PNP0F0C\\0000"), std::to_string(REG_DWORD) + ":4");

    // Taken back once: a later change by someone else stays.
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_CONFIG, profilePath, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    flags = 1;
    RegSetValueExA(key, "CSConfigFlags", 0, REG_DWORD, (const BYTE *)&flags, sizeof flags);
    RegCloseKey(key);
    RestoreMouseDevice();
    EXPECT_EQ(ProfileFlags("QVXTEST\\*PNP0F0C\\0000"), std::to_string(REG_DWORD) + ":1");

    // A key the disable created but something else filled since stays.
    DeleteTree(HKEY_CURRENT_CONFIG, "Enum\\QVXTEST");
    EXPECT_EQ(FindMousePort(1), 2);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_CONFIG, profilePath, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    RegSetValueExA(key, "Other", 0, REG_SZ, (const BYTE *)"x", 2);
    RegCloseKey(key);
    RestoreMouseDevice();
    EXPECT_EQ(ProfileFlags("QVXTEST\\*PNP0F0C\\0000"), "none");
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_CONFIG, profilePath, 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(DetectorStarts(), 0);
}

TEST_F(MouseLookup, LonePs2MouseIsNeverDisabled)
{
    AddDevice("C0000001", "QVXTEST\\*PNP0F13\\0000");
    EXPECT_EQ(FindMousePort(1), 7);  // the detector's answer
    EXPECT_EQ(ProfileFlags("QVXTEST\\*PNP0F13\\0000"), "none");
    EXPECT_EQ(DetectorStarts(), 1);
}

TEST_F(MouseLookup, MalformedEntriesNeverMatch)
{
    // Each malformed entry would name a different port if it were taken.
    std::vector<BYTE> com1 = IoBase(0x3F8), com2 = IoBase(0x2F8), com3 = IoBase(0x3E8),
                      com4 = IoBase(0x2E8), shortInfo = {0xF8, 0x02};
    AddDevice("A123456789B", "QVXTEST\\*PNP0F0C\\0001", &com1);          // name too long
    AddDevice("C0000001", "QVXTEST\\*PNP0F0C\\" + std::string(120, 'x'), &com3);  // key too long
    AddDevice("C0000002", "QVXTEST\\*PNP0F0C\\0002", &com2, false);     // no NUL
    AddDevice("C0000003", "QVXTEST\\*PNP0F0C\\0003", &shortInfo);        // 2-byte ComInfo
    AddDevice("C0000004", "QVXTEST\\*PNP0F0C\\0004", &com4);             // the real one
    EXPECT_EQ(FindMousePort(1), 4);
    EXPECT_EQ(DetectorStarts(), 0);
    EXPECT_EQ(ProfileFlags("QVXTEST\\*PNP0F0C\\0004"), std::to_string(REG_DWORD) + ":1");
    for (const char *other : {"0001", "0002", "0003"})
        EXPECT_EQ(ProfileFlags(std::string("QVXTEST\\*PNP0F0C\\") + other), "none") << other;
}

TEST_F(MouseLookup, DetectorIsStartedQuotedWithTheBareFileNameAndCleanedUpAfter)
{
    // A stale answer from an earlier run must not be read.
    WritePrivateProfileStringA("Mouse", "DetectedPort", "5", kAnswerFile);
    SetDetector("answer 3 300");
    EXPECT_EQ(FindMousePort(0), 3);
    EXPECT_FALSE(AnswerSectionPresent());

    std::vector<std::string> starts = SniffLines("start|");
    ASSERT_EQ(starts.size(), 1u) << "detector starts (a decoy C:\\Penrel.exe counts too)";
    std::string expected = "start|" + ProgramDir() + "ptrsniff.exe|1|qvxinst.ini";
    EXPECT_EQ(_stricmp(starts[0].c_str(), expected.c_str()), 0)
        << starts[0] << "\nwanted " << expected;
    EXPECT_NE(ProgramDir().find(' '), std::string::npos) << "run this from a directory with a blank";
}

TEST_F(MouseLookup, EmptyAnswerMeansNotYet)
{
    SetDetector("empty 4 500");
    EXPECT_EQ(FindMousePort(0), 4);
    EXPECT_EQ(SniffLines("wrote|").size(), 2u);
}

TEST_F(MouseLookup, OnlyADigitFromOneToNineIsAPort)
{
    const struct { const char *mode; int port; } answers[] = {
        {"answer 9 0", 9}, {"answer 0 0", 0}, {"answer A 0", 0}, {"answer - 0", 0}, {"answer 12 0", 1}};
    for (const auto &a : answers) {
        SetDetector(a.mode);
        EXPECT_EQ(FindMousePort(0), a.port) << a.mode;
        EXPECT_FALSE(AnswerSectionPresent()) << a.mode;
    }
}

TEST_F(MouseLookup, MissingDetectorEndsTheWaitAtOnce)
{
    std::string program = ProgramDir() + "ptrsniff.exe", aside = program + ".aside";
    ASSERT_TRUE(MoveFileA(program.c_str(), aside.c_str()));
    DWORD start = GetTickCount();
    int port = FindMousePort(0);
    DWORD elapsed = GetTickCount() - start;
    MoveFileA(aside.c_str(), program.c_str());
    EXPECT_EQ(port, 0);
    EXPECT_LT(elapsed, 3000u);
}

TEST_F(MouseLookup, SilentDetectorEndsTheWaitAfterTheTimeLimit)
{
    WritePrivateProfileStringA("Mouse", "DetectedPort", "5", kAnswerFile);
    SetDetector("never 25000");
    DWORD start = GetTickCount();
    EXPECT_EQ(FindMousePort(0), 0);
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, (DWORD)QVX_DETECTOR_TIME_LIMIT - 100);
    EXPECT_LT(elapsed, (DWORD)QVX_DETECTOR_TIME_LIMIT + 5000);
    EXPECT_FALSE(AnswerSectionPresent());
}

// The wait watches the detector: one that ends without an answer ends the
// wait at once instead of after the time limit.
TEST_F(MouseLookup, DetectorThatEndsWithoutAnswerGivesNoneAtOnce)
{
    SetDetector("exit");
    DWORD start = GetTickCount();
    EXPECT_EQ(AskMouseDetector(QVX_DETECTOR_TIME_LIMIT), 0);
    EXPECT_LT(GetTickCount() - start, 3000u);
    EXPECT_EQ(DetectorStarts(), 1);
}

// A quit request that arrives while the detector is awaited ends the wait
// and stays queued for the program's own loop, so the program still exits.
TEST_F(MouseLookup, QuitRequestDuringTheWaitEndsItAndIsKept)
{
    SetDetector("answer 3 5000");
    PostQuitMessage(7);
    DWORD start = GetTickCount();
    EXPECT_EQ(AskMouseDetector(10000), 0);
    EXPECT_LT(GetTickCount() - start, 4000u);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_FALSE(AnswerSectionPresent());
}

// The wait hands every message to its window promptly, and sleeps between
// its looks at the answer file.
// Starting the detector holds the thread until the detector waits for
// input, so only messages posted from a second after the start are timed.
LONG g_dispatched;
DWORD g_timedFrom;
DWORD g_worstDelay;
LRESULT CALLBACK CountingProc(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_APP) {
        g_dispatched++;
        DWORD delay = GetTickCount() - (DWORD)wp;
        if ((LONG)((DWORD)wp - g_timedFrom) >= 0 && delay > g_worstDelay)
            g_worstDelay = delay;
        return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

struct Poster {
    HWND window;
    volatile LONG stop;
};

DWORD WINAPI PostEvery50ms(void *arg)
{
    Poster *p = (Poster *)arg;
    while (!p->stop) {
        PostMessageA(p->window, WM_APP, GetTickCount(), 0);
        Sleep(50);
    }
    return 0;
}

ULONGLONG ProcessCpu100ns()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    return (((ULONGLONG)kernel.dwHighDateTime << 32) | kernel.dwLowDateTime) +
           (((ULONGLONG)user.dwHighDateTime << 32) | user.dwLowDateTime);
}

TEST_F(MouseLookup, WaitDispatchesMessagesWithoutSpinning)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "QvxCounting";
    RegisterClassA(&wc);
    HWND window = CreateWindowA("QvxCounting", "", 0, 0, 0, 0, 0, NULL, NULL, wc.hInstance, NULL);
    ASSERT_TRUE(window != NULL);
    g_dispatched = 0;
    g_worstDelay = 0;
    PostMessageA(window, WM_APP, GetTickCount(), 0);

    Poster poster = {window, 0};
    HANDLE thread = CreateThread(NULL, 0, PostEvery50ms, &poster, 0, NULL);
    SetDetector("answer 2 2000");
    DWORD start = GetTickCount();
    g_timedFrom = start + 1000;
    ULONGLONG cpuBefore = ProcessCpu100ns();
    int port = FindMousePort(0);
    ULONGLONG cpu = ProcessCpu100ns() - cpuBefore;
    DWORD wall = GetTickCount() - start;
    poster.stop = 1;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    DestroyWindow(window);

    EXPECT_EQ(port, 2);
    EXPECT_GE(g_dispatched, 20) << "messages dispatched during a " << wall << " ms wait";
    EXPECT_LT(g_worstDelay, 300u) << "a message waited that long for the lookup";
    // A loop that spins takes the whole of a core; generous bound.
    EXPECT_LT(cpu / 10000.0, wall * 0.3) << "CPU ms during a " << wall << " ms wait";
}

// Run from directories of exactly 235 and 236 characters: the detector
// command line has room for the first, not for the second.
TEST(DeepDirectory, DetectorIsStartedOnlyFromADirectoryThatFits)
{
    if (!getenv("QVX_DEEP_DIR"))
        GTEST_SKIP() << "run through mouse_e2e.sh";
    DeleteFileA(kSniffLog);
    SetEnvironmentVariableA("QVX_SNIFF_LOG", kSniffLog);
    SetDetector("answer 3 0");
    DeleteTree(HKEY_DYN_DATA, kDynEnum);
    size_t length = ProgramDir().size();
    ASSERT_TRUE(length == QVX_DETECTOR_DIR_MAX || length == QVX_DETECTOR_DIR_MAX + 1) << length;
    bool fits = length <= QVX_DETECTOR_DIR_MAX;
    EXPECT_EQ(FindMousePort(0), fits ? 3 : 0) << "from a directory of " << length << " characters";
    EXPECT_EQ(DetectorStarts(), fits ? 1 : 0);
}

}  // namespace
