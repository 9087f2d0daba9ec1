// The port scan against simulated devices on pseudo-terminal pairs. The
// shell wrapper (scan_e2e.sh) maps COM1..COM8, starts tablet_sim.py behind
// them and runs one suite per mapping:
//   ScanPty     every port a pseudo-terminal with a simulated device
//   ScanNoPort  every port a directory, so that none opens
//   ScanMixed   COM1 a regular file, COM2 a fifo watched by the simulator,
//               COM3 /dev/null, COM4 a missing path, COM5 a tablet, COM6 a
//               directory, COM7 and COM8 silent devices
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

#include "detect/detect.h"
#include "comm_trace.h"
#include "tests/support/test_support.h"

namespace {

const std::string kRequest("\x00\xFA\x72\x05", 4);
const std::string kRelease("\xFA\x40", 2);
const std::string kOneRun = kRequest + kRelease;
const std::string kTwoRuns = kOneRun + kOneRun;

// Distinctive settings that a pseudo-terminal keeps between opens (it
// forces 8 data bits and no parity, so those can't be told apart).
const DWORD kOwnBaud = 4800;
const BYTE kOwnStopBits = TWOSTOPBITS;
const char kOwnXon = 0x21, kOwnXoff = 0x22;
// Time-outs don't outlive a handle under Wine; the trace gives each port
// these when it opens.
const COMMTIMEOUTS kOwnTimeouts = {7, 3, 77, 5, 55};

std::string SimDir() { return DirFromEnv("QVX_SIM_DIR"); }

// A missing file reads as "<missing>", which no expected content equals.
std::string ReadWholeFile(const std::string &path)
{
    bool exists;
    std::string data = ReadBytes(path, &exists);
    return exists ? data : "<missing>";
}

std::string Hex(const std::string &bytes)
{
    std::string out;
    char two[4];
    for (unsigned char c : bytes) {
        snprintf(two, sizeof two, "%02X ", c);
        out += two;
    }
    return out;
}

// Sets the devices' modes (ports not named are silent), waits until the
// simulator has taken them, and empties the logs.
void SetDevices(const std::vector<std::pair<int, std::string>> &modes,
                const std::vector<int> &ports = {1, 2, 3, 4, 5, 6, 7, 8})
{
    static int generation;
    generation++;
    std::string dir = SimDir();
    for (int n : ports) {
        std::string mode = "silent";
        for (auto &m : modes)
            if (m.first == n)
                mode = m.second;
        WriteBytes(dir + "mode" + std::to_string(n), mode + " " + std::to_string(generation));
    }
    for (int n : ports) {
        std::string ack;
        for (int i = 0; i < 200; i++) {
            ack = ReadWholeFile(dir + "ack" + std::to_string(n));
            if (ack == std::to_string(generation))
                break;
            Sleep(10);
        }
        ASSERT_EQ(ack, std::to_string(generation)) << "simulator did not take the mode of COM" << n;
    }
    Sleep(100);  // stray bytes ("+junk") reach the port
    for (int n : ports)
        WriteBytes(dir + "log" + std::to_string(n), "");
}

// What the device on COMn received, once it has received want (or after a
// second, whatever it has).
std::string DeviceLog(int n, const std::string &want)
{
    std::string got;
    for (int i = 0; i < 100; i++) {
        got = ReadWholeFile(SimDir() + "log" + std::to_string(n));
        if (got == want)
            break;
        Sleep(10);
    }
    return got;
}

void ExpectDeviceLogs(const std::vector<std::pair<int, std::string>> &want)
{
    for (auto &w : want)
        EXPECT_EQ(Hex(DeviceLog(w.first, w.second)), Hex(w.second)) << "bytes received on COM" << w.first;
}

HANDLE OpenPort(int n)
{
    std::string name = "COM" + std::to_string(n) + ":.";
    return CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
}

DCB PortState(int n)
{
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    HANDLE port = OpenPort(n);
    EXPECT_NE(port, INVALID_HANDLE_VALUE) << "COM" << n;
    GetCommState(port, &dcb);
    CloseHandle(port);
    return dcb;
}

void GiveOwnSettings(int n)
{
    HANDLE port = OpenPort(n);
    ASSERT_NE(port, INVALID_HANDLE_VALUE) << "COM" << n;
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    GetCommState(port, &dcb);
    dcb.BaudRate = kOwnBaud;
    dcb.StopBits = kOwnStopBits;
    dcb.XonChar = kOwnXon;
    dcb.XoffChar = kOwnXoff;
    EXPECT_TRUE(SetCommState(port, &dcb));
    CloseHandle(port);
}

void ExpectOwnSettings(const DCB &dcb, const std::string &where)
{
    EXPECT_EQ(dcb.BaudRate, kOwnBaud) << where;
    EXPECT_EQ(dcb.StopBits, kOwnStopBits) << where;
    EXPECT_EQ(dcb.XonChar, kOwnXon) << where;
    EXPECT_EQ(dcb.XoffChar, kOwnXoff) << where;
}

void ExpectOwnTimeouts(const COMMTIMEOUTS &t, const std::string &where)
{
    EXPECT_EQ(t.ReadIntervalTimeout, kOwnTimeouts.ReadIntervalTimeout) << where;
    EXPECT_EQ(t.ReadTotalTimeoutMultiplier, kOwnTimeouts.ReadTotalTimeoutMultiplier) << where;
    EXPECT_EQ(t.ReadTotalTimeoutConstant, kOwnTimeouts.ReadTotalTimeoutConstant) << where;
    EXPECT_EQ(t.WriteTotalTimeoutMultiplier, kOwnTimeouts.WriteTotalTimeoutMultiplier) << where;
    EXPECT_EQ(t.WriteTotalTimeoutConstant, kOwnTimeouts.WriteTotalTimeoutConstant) << where;
}

// A scan over eight silent ports takes about five seconds. One that blocks
// (a read on something that is no serial port waits for ever: time-outs
// don't apply there) ends the test program with what it hangs in, long
// before CTest's time-out.
const DWORD kScanDeadlineMs = 20000;

DWORD WINAPI WatchScan(void *done)
{
    if (WaitForSingleObject(done, kScanDeadlineMs) != WAIT_TIMEOUT)
        return 0;
    std::string call = CommCallUnderWay();
    fflush(stdout);
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    fprintf(stderr, "FAIL: %s.%s: ScanComPorts has not returned after %lu s; %s\n",
            test->test_suite_name(), test->name(),
            (unsigned long)(kScanDeadlineMs / 1000),
            call.empty() ? "no serial call under way" : ("still in " + call).c_str());
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 1);
    return 0;
}

// ScanComPorts under the trace (own: as StartCommTrace) and the deadline.
int Scan(const COMMTIMEOUTS *own = nullptr, std::vector<PortTrace> *trace = nullptr)
{
    StartCommTrace(own);
    HANDLE done = CreateEventA(NULL, TRUE, FALSE, NULL);
    HANDLE watchdog = CreateThread(NULL, 0, WatchScan, done, 0, NULL);
    int result = ScanComPorts();
    SetEvent(done);
    WaitForSingleObject(watchdog, INFINITE);
    CloseHandle(watchdog);
    CloseHandle(done);
    std::vector<PortTrace> seen = StopCommTrace();
    if (trace)
        *trace = seen;
    return result;
}

// The line settings that the scan asks of an RS-232 port: the port's own
// written back as read, then 9600 baud, 8 data bits, even parity, one stop
// bit, DTR and RTS on (in the DCB and by EscapeCommFunction), and the own
// ones again at the end. A pseudo-terminal shows neither parity nor line
// signals, so these are the requests, not the line.
void ExpectProbeLine(const PortTrace &p)
{
    std::vector<std::string> lineCalls;
    for (const std::string &c : p.calls)
        if (c == "SetCommState" || c.rfind("EscapeCommFunction", 0) == 0)
            lineCalls.push_back(c);
    EXPECT_EQ(lineCalls, (std::vector<std::string>{"SetCommState", "SetCommState", "EscapeCommFunction 5",
                                                   "EscapeCommFunction 3", "SetCommState"})) << p.name;
    ASSERT_EQ(p.stateRequests.size(), 3u) << p.name;
    const DCB &own = p.stateRequests[0], &probe = p.stateRequests[1];
    ExpectOwnSettings(own, p.name + " as first set");
    EXPECT_EQ(probe.BaudRate, 9600u) << p.name;
    EXPECT_EQ((int)probe.ByteSize, 8) << p.name;
    EXPECT_EQ((int)probe.Parity, EVENPARITY) << p.name;
    EXPECT_EQ((int)probe.StopBits, ONESTOPBIT) << p.name;
    EXPECT_EQ((int)probe.fDtrControl, DTR_CONTROL_ENABLE) << p.name;
    EXPECT_EQ((int)probe.fRtsControl, RTS_CONTROL_ENABLE) << p.name;
    DCB rest = probe;
    rest.BaudRate = own.BaudRate;
    rest.ByteSize = own.ByteSize;
    rest.Parity = own.Parity;
    rest.StopBits = own.StopBits;
    rest.fDtrControl = own.fDtrControl;
    rest.fRtsControl = own.fRtsControl;
    EXPECT_EQ(memcmp(&rest, &own, sizeof own), 0) << p.name << ": the probe changed more than its six settings";
    EXPECT_EQ(memcmp(&p.stateRequests[2], &own, sizeof own), 0)
        << p.name << ": the restore asked for other settings than the port's own";
}

// The ports the scan tried, in order: COM1:. to COM8:., one open each.
void ExpectEightPortsInOrder(const std::vector<PortTrace> &trace)
{
    ASSERT_EQ(trace.size(), 8u);
    for (int n = 1; n <= 8; n++)
        EXPECT_EQ(trace[n - 1].name, "COM" + std::to_string(n) + ":.");
}

class ScanPty : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (SimDir().empty())
            GTEST_SKIP() << "run through scan_e2e.sh";
    }
};

TEST_F(ScanPty, TabletOnCom3IsFoundEveryPortIsProbedAndRestored)
{
    for (int n = 1; n <= 8; n++) {
        GiveOwnSettings(n);
        ExpectOwnSettings(PortState(n), "COM" + std::to_string(n) + " before the scan");
    }
    // Stray bytes wait on the tablet's line: the probe must discard them.
    SetDevices({{3, "correct+junk"}});

    std::vector<PortTrace> trace;
    int result = Scan(&kOwnTimeouts, &trace);

    EXPECT_EQ(result, 3);
    ExpectDeviceLogs({{1, kTwoRuns}, {2, kTwoRuns}, {3, kOneRun}, {4, kTwoRuns},
                      {5, kTwoRuns}, {6, kTwoRuns}, {7, kTwoRuns}, {8, kTwoRuns}});
    ExpectEightPortsInOrder(trace);
    for (size_t i = 0; i < trace.size(); i++) {
        const PortTrace &p = trace[i];
        std::string where = p.name + " as the scan closed it";
        ASSERT_TRUE(p.opened && p.rs232 && p.closed) << p.name;
        EXPECT_EQ(p.openAtOnce, 0) << "another port was still open when " << p.name << " opened";
        ExpectOwnSettings(p.closingState, where);
        ExpectOwnTimeouts(p.closingTimeouts, where);
        ExpectProbeLine(p);
        // Each run: 00, FA 72 and 05 as three writes, FA 40 as a fourth.
        std::vector<DWORD> oneRun = {1, 2, 1, 2};
        std::vector<DWORD> twoRuns = {1, 2, 1, 2, 1, 2, 1, 2};
        EXPECT_EQ(p.writeSizes, i == 2 ? oneRun : twoRuns) << p.name;
    }
    for (int n = 1; n <= 8; n++)
        ExpectOwnSettings(PortState(n), "COM" + std::to_string(n) + " after the scan");
}

TEST_F(ScanPty, HighestAnsweringPortWinsAndNearMissesAreNotTablets)
{
    SetDevices({{2, "correct"}, {3, "echo"}, {5, "correct"}, {6, "lower"}, {7, "short"}, {8, "high"}});
    // COM8 sends the text with the high bit set in one byte: no tablet.
    EXPECT_EQ(Scan(), 5);
    // Both tablets were asked once; the others twice, all eight probed.
    ExpectDeviceLogs({{1, kTwoRuns}, {2, kOneRun}, {3, kTwoRuns}, {4, kTwoRuns},
                      {5, kOneRun}, {6, kTwoRuns}, {7, kTwoRuns}, {8, kTwoRuns}});
}

TEST_F(ScanPty, TabletAnsweringOnlyTheSecondRequestIsFound)
{
    SetDevices({{8, "second"}});
    EXPECT_EQ(Scan(), 8);
    ExpectDeviceLogs({{8, kTwoRuns}});
}

TEST_F(ScanPty, SixteenthByteIsDroppedAndTheRestStaysOnTheLine)
{
    // The tablet sends "QUORVIX PR-4417#ABC": found on the first run; the
    // '#' is read and dropped; "ABC" is still waiting on the line.
    SetDevices({{7, "extra"}});
    EXPECT_EQ(Scan(), 7);
    ExpectDeviceLogs({{7, kOneRun}});

    HANDLE port = OpenPort(7);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    COMMTIMEOUTS quick = {20, 10, 100, 10, 100};
    SetCommTimeouts(port, &quick);
    std::string left;
    char c;
    DWORD got;
    while (left.size() < 16 && ReadFile(port, &c, 1, &got, NULL) && got == 1)
        left += c;
    CloseHandle(port);
    EXPECT_EQ(left, "ABC");
}

class ScanNoPort : public ScanPty {};

TEST_F(ScanNoPort, NoPortOpensGivesMinusOne)
{
    std::vector<PortTrace> trace;
    int result = Scan(nullptr, &trace);
    EXPECT_EQ(result, -1);
    ExpectEightPortsInOrder(trace);
    for (const PortTrace &p : trace) {
        EXPECT_FALSE(p.opened) << p.name;
        EXPECT_TRUE(p.calls.empty()) << p.name;
    }
}

class ScanMixed : public ScanPty {};

TEST_F(ScanMixed, PortsThatAreNotRs232GetNothing)
{
    std::string plain = SimDir() + "plain1";
    std::string before = ReadWholeFile(plain);
    SetDevices({{5, "correct"}}, {2, 5, 7, 8});

    std::vector<PortTrace> trace;
    int result = Scan(nullptr, &trace);

    EXPECT_EQ(result, 5);
    ExpectDeviceLogs({{2, ""}, {5, kOneRun}, {7, kTwoRuns}, {8, kTwoRuns}});
    EXPECT_EQ(ReadWholeFile(plain), before) << "the regular file behind COM1 changed";
    ExpectEightPortsInOrder(trace);
    for (const PortTrace &p : trace) {
        if (!p.opened || p.rs232)
            continue;
        // Asked what it is, then closed: no settings, no bytes.
        EXPECT_EQ(p.calls, std::vector<std::string>{"GetCommProperties"}) << p.name;
        EXPECT_TRUE(p.closed) << p.name;
    }
    int notSerial = 0;
    for (const PortTrace &p : trace)
        notSerial += p.opened && !p.rs232;
    EXPECT_GE(notSerial, 3) << "the wrapper's file, fifo and null ports should open but not as RS-232";
}

}  // namespace
