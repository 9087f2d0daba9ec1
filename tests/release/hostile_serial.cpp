// The port scan against serial devices that send noise, partial replies, a
// continuous stream of bytes, flow-control characters, or nothing, with a
// real tablet among them or not. hostile_run.sh maps COM1..COM8 to
// pseudo-terminals with hostile_peer.py behind them.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "detect/detect.h"
#include "hostile_harness.h"

namespace {

// Eight ports, each at most two probe runs of 16 one-byte reads at the
// probe time-outs and two 200 ms pauses.
const DWORD kScanLimitMs = 15000;

const std::string kOneRun("\x00\xFA\x72\x05\xFA\x40", 6);

std::string PeerDir() { return DirFromEnv("QVX_HOSTILE_PTY"); }

bool Answers(const std::string &mode) { return mode == "correct" || mode == "longreply"; }
bool Streams(const std::string &mode)
{
    return mode == "flood" || mode == "xoff" || mode == "trickle" || mode == "noise";
}

// Sets every peer's mode and waits until each has taken it.
bool SetModes(const std::vector<std::string> &modes)
{
    static int generation = 0;
    generation++;
    std::string dir = PeerDir();
    for (int n = 1; n <= 8; n++)
        WriteBytes(dir + "mode" + std::to_string(n), modes[n - 1] + " " + std::to_string(generation));
    for (int n = 1; n <= 8; n++) {
        bool taken = false;
        for (int i = 0; i < 200 && !taken; i++) {
            taken = ReadBytes(dir + "ack" + std::to_string(n)) == std::to_string(generation);
            if (!taken)
                Sleep(25);
        }
        if (!taken)
            return false;
    }
    return true;
}

// Takes whatever an earlier mode left on the line off it, so that a quiet
// device starts quiet.
void Drain(int port)
{
    char name[16];
    snprintf(name, sizeof name, "COM%d:.", port);
    HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return;
    COMMTIMEOUTS quick = {MAXDWORD, 0, 0, 0, 0};
    SetCommTimeouts(h, &quick);
    char buf[4096];
    DWORD got;
    for (int quiet = 0, rounds = 0; quiet < 3 && rounds < 100; rounds++) {
        if (ReadFile(h, buf, sizeof buf, &got, NULL) && got)
            quiet = 0;
        else
            quiet++;
        Sleep(30);
    }
    CloseHandle(h);
}

// Quiets every device and reads off what it left on the line. A device that
// floods fills the relay between the pseudo-terminals, and the relay then
// stops passing on the bytes written towards that device too: they would
// reach it only when the next scan opens the port, and count against the
// next case. Returns once the devices' logs have stopped growing.
void Settle()
{
    SetModes(std::vector<std::string>(8, "silent"));
    for (int n = 1; n <= 8; n++)
        Drain(n);
    std::string dir = PeerDir();
    std::vector<size_t> last(9, 0);
    for (int steady = 0, rounds = 0; steady < 4 && rounds < 60; rounds++) {
        bool same = true;
        for (int n = 1; n <= 8; n++) {
            size_t size = ReadBytes(dir + "log" + std::to_string(n)).size();
            same = same && size == last[n];
            last[n] = size;
        }
        steady = same ? steady + 1 : 0;
        Sleep(50);
    }
}

struct ScanCase {
    std::string name;
    std::vector<std::string> modes;   // COM1..COM8
    int expected;
};

void RunScan(const ScanCase &c)
{
    if (!Selected(c.name))
        return;
    ASSERT_FALSE(PeerDir().empty()) << "QVX_HOSTILE_PTY not set";
    ASSERT_TRUE(SetModes(c.modes)) << "peers did not take their modes";
    for (int n = 1; n <= 8; n++)
        if (!Streams(c.modes[n - 1]))
            Drain(n);
    std::vector<size_t> logStart(9);
    for (int n = 1; n <= 8; n++)
        logStart[n] = ReadBytes(PeerDir() + "log" + std::to_string(n)).size();

    int result = -12345;
    BoundedRun run = RunBounded([&] { result = ScanComPorts(); }, kScanLimitMs);
    Findings f;
    if (run.finished) {
        if (result != c.expected)
            f.Wrong("result " + std::to_string(result) + ", want " + std::to_string(c.expected));
        Settle();   // the last bytes on their way to the devices
        for (int n = 1; n <= 8; n++) {
            std::string sent = ReadBytes(PeerDir() + "log" + std::to_string(n)).substr(logStart[n]);
            // A device that answered may hear one run; any other two, and
            // nothing else: once the line has settled every byte written
            // has reached its device, floods or not.
            std::string twoRuns = kOneRun + kOneRun;
            bool expected = sent == twoRuns || (Answers(c.modes[n - 1]) && sent == kOneRun);
            if (!expected)
                f.Damage("COM" + std::to_string(n) + " (" + c.modes[n - 1] + ") was sent '" + Shorten(sent) + "'");
        }
        f.note = "result " + std::to_string(result);
    }
    else
        Settle();
    CountCase("serial: hostile peers", c.name, run, f);
}

std::vector<std::string> All(const std::string &mode, int tabletPort)
{
    std::vector<std::string> modes(8, mode);
    if (tabletPort > 0)
        modes[tabletPort - 1] = "correct";
    return modes;
}

} // namespace

TEST(HostileSerial, NoiseFloodsAndSilence)
{
    std::vector<ScanCase> cases = {
        {"noise everywhere, tablet on COM1", All("noise", 1), 1},
        {"partial replies, tablet on COM8", All("partial", 8), 8},
        {"15th byte late, tablet on COM4", All("late", 4), 4},
        {"NUL in the reply, tablet on COM5", All("nul", 5), 5},
        {"random floods, tablet on COM3", All("flood", 3), 3},
        {"XOFF/XON floods, tablet on COM6", All("xoff", 6), 6},
        {"silence, tablet on COM2", All("silent", 2), 2},
        {"identification and 5000 bytes more on every port", All("longreply", 0), 8},
        {"one of each, no tablet",
         {"noise", "partial", "late", "nul", "flood", "xoff", "trickle", "silent"}, -1},
        {"trickles beside the tablet",
         {"silent", "silent", "silent", "silent", "silent", "trickle", "correct", "trickle"}, 7},
        {"floods only, no tablet", All("flood", 0), -1},
    };
    for (const ScanCase &c : cases)
        RunScan(c);
}
