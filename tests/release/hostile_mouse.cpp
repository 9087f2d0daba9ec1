// The serial-mouse lookup against odd registry fixtures (value types and
// sizes, long names, thousands of entries, keys that cannot be opened) and
// against detectors that crash, hang or answer junk.
#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>
#include <tlhelp32.h>
#include <stdlib.h>
#include <functional>
#include <set>

#include "detect/detect.h"
#include "hostile_harness.h"
#include "hostile_runs.h"

namespace {

// The detector's wait (15 s) and a margin.
const DWORD kLookupLimitMs = QVX_DETECTOR_TIME_LIMIT + 5000;
DWORD LookupLimit()
{
    char text[32];
    if (GetEnvironmentVariableA("QVX_HOSTILE_LOOKUP_LIMIT", text, sizeof text))
        return (DWORD)atol(text);
    return kLookupLimitMs;
}

const char kDynEnum[] = "Config Manager\\Enum";
const char kHwRoot[] = "QVXHOSTILE";
const char kAnswerFile[] = "qvxinst.ini";
const char kSniffLog[] = "C:\\qvx-hostile-sniff.log";
// What the detector says when a registry case reaches it.
const int kDetectorPort = 7;

// --- Registry fixtures -----------------------------------------------------

// Gives the key a DACL that lets everybody in again (the owner may always
// change it), or one that lets nobody in.
void SetKeyOpen(HKEY root, const std::string &path, bool open)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, WRITE_DAC, &key) != ERROR_SUCCESS)
        return;
    SECURITY_DESCRIPTOR sd;
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    ACL empty;
    InitializeAcl(&empty, sizeof empty, ACL_REVISION);
    SetSecurityDescriptorDacl(&sd, TRUE, open ? NULL : &empty, FALSE);
    RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd);
    RegCloseKey(key);
}

// Deletes a key and every key below it, each let in again first.
void UnlockAndDeleteTree(HKEY root, const std::string &path)
{
    SetKeyOpen(root, path, true);
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    std::vector<std::string> children;
    char child[1024];
    for (DWORD i = 0;; i++) {
        DWORD size = sizeof child;
        if (RegEnumKeyExA(key, i, child, &size, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        children.push_back(child);
    }
    RegCloseKey(key);
    for (const std::string &c : children)
        UnlockAndDeleteTree(root, path + "\\" + c);
    RegDeleteKeyA(root, path.c_str());
}

void SetValue(HKEY root, const std::string &path, const char *name, DWORD type,
              const std::string &bytes)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL),
              ERROR_SUCCESS)
        << path;
    // The system takes a NUL right after string data for its terminator, so
    // data without one is followed by another byte.
    std::string data = bytes + "X";
    RegSetValueExA(key, name, 0, type, (const BYTE *)data.data(), (DWORD)bytes.size());
    RegCloseKey(key);
}

void MakeKey(HKEY root, const std::string &path)
{
    HKEY key;
    if (RegCreateKeyExA(root, path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) ==
        ERROR_SUCCESS)
        RegCloseKey(key);
}

std::string Sz(const std::string &text) { return text + std::string(1, '\0'); }
std::string Dword(DWORD v) { return std::string((const char *)&v, 4); }

// A running device: its entry under HKEY_DYN_DATA naming the hardware key.
void Entry(const std::string &name, DWORD type, const std::string &hardwareKey)
{
    SetValue(HKEY_DYN_DATA, std::string(kDynEnum) + "\\" + name, "HardWareKey", type, hardwareKey);
}

void ComInfo(const std::string &hardwareKey, DWORD type, const std::string &bytes)
{
    SetValue(HKEY_LOCAL_MACHINE, "Enum\\" + hardwareKey, "ComInfo", type, bytes);
}

std::string Hw(const std::string &rest) { return std::string(kHwRoot) + "\\" + rest; }

// --- Registry snapshots ------------------------------------------------------

// Every key under a root path: its values (type and bytes), or "<closed>"
// when it cannot be opened.
typedef std::map<std::string, std::map<std::string, std::string>> RegTree;

void Dump(HKEY root, const std::string &path, const std::string &label, RegTree &tree)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        if (RegOpenKeyExA(root, path.c_str(), 0, READ_CONTROL, &key) == ERROR_SUCCESS) {
            RegCloseKey(key);
            tree[label + path]["<closed>"] = "";
        }
        return;
    }
    std::map<std::string, std::string> &values = tree[label + path];
    std::vector<char> name(17000);
    std::vector<BYTE> data(1 << 16);
    for (DWORD i = 0;; i++) {
        DWORD nameSize = (DWORD)name.size(), dataSize = (DWORD)data.size(), type = 0;
        if (RegEnumValueA(key, i, name.data(), &nameSize, NULL, &type, data.data(), &dataSize) !=
            ERROR_SUCCESS)
            break;
        values[name.data()] = std::to_string(type) + ":" + std::string((char *)data.data(), dataSize);
    }
    std::vector<std::string> children;
    for (DWORD i = 0;; i++) {
        DWORD nameSize = (DWORD)name.size();
        if (RegEnumKeyExA(key, i, name.data(), &nameSize, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        children.push_back(name.data());
    }
    RegCloseKey(key);
    for (const std::string &c : children)
        Dump(root, path + "\\" + c, label, tree);
}

RegTree TakeRegistry()
{
    RegTree tree;
    Dump(HKEY_DYN_DATA, kDynEnum, "DYN\\", tree);
    Dump(HKEY_LOCAL_MACHINE, std::string("Enum\\") + kHwRoot, "HKLM\\", tree);
    Dump(HKEY_CURRENT_CONFIG, "Enum", "HKCC\\", tree);
    return tree;
}

// Differences between two trees, less the one disabling value allowed.
void CompareRegistry(const RegTree &before, const RegTree &after,
                     const std::set<std::string> &mayDisableAny, Findings &f)
{
    std::set<std::string> keys;
    for (const auto &k : before)
        keys.insert(k.first);
    for (const auto &k : after)
        keys.insert(k.first);
    for (const std::string &k : keys) {
        auto b = before.find(k), a = after.find(k);
        std::map<std::string, std::string> vb, va;
        if (b != before.end())
            vb = b->second;
        if (a != after.end())
            va = a->second;
        std::string mayDisable;
        for (const std::string &m : mayDisableAny)
            if (Lower("HKCC\\Enum\\" + m).compare(0, k.size(), Lower(k)) == 0)
                mayDisable = m;
        bool disabling = !mayDisable.empty() && Lower(k) == Lower("HKCC\\Enum\\" + mayDisable);
        if (disabling) {
            // Created if missing (so its parents may appear too), and its
            // flags set to the DWORD 1.
            auto flags = va.find("CSConfigFlags");
            if (flags != va.end() && flags->second != std::to_string(REG_DWORD) + ":" + Dword(1))
                f.Damage("CSConfigFlags of " + k + " is not the DWORD 1");
            va.erase("CSConfigFlags");
            vb.erase("CSConfigFlags");
            if (b == before.end() && va.empty())
                continue;
        }
        if (b == before.end() && !mayDisable.empty() &&
            Lower("HKCC\\Enum\\" + mayDisable).compare(0, k.size() + 1, Lower(k) + "\\") == 0 &&
            va.empty())
            continue;   // a parent of the disabling key
        if (b == before.end())
            f.Damage("registry key appeared: " + Shorten(k, 120));
        else if (a == after.end())
            f.Damage("registry key disappeared: " + Shorten(k, 120));
        else if (vb != va)
            f.Damage("registry values changed under " + Shorten(k, 120));
    }
}

// --- The detector --------------------------------------------------------------

void SetDetector(const std::string &mode) { SetEnvironmentVariableA("QVX_HOSTILE_SNIFF", mode.c_str()); }

int DetectorStarts()
{
    std::string log = ReadBytes(kSniffLog);
    int n = 0;
    for (size_t at = log.find("start|"); at != std::string::npos; at = log.find("start|", at + 1))
        n++;
    return n;
}

// Ends detector processes this program started that are still running.
int EndLeftoverDetectors()
{
    int ended = 0;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return 0;
    PROCESSENTRY32 pe;
    pe.dwSize = sizeof pe;
    for (BOOL more = Process32First(snap, &pe); more; more = Process32Next(snap, &pe)) {
        if (pe.th32ParentProcessID != GetCurrentProcessId() || lstrcmpiA(pe.szExeFile, "ptrsniff.exe") != 0)
            continue;
        HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pe.th32ProcessID);
        if (p) {
            TerminateProcess(p, 1);
            WaitForSingleObject(p, 5000);
            CloseHandle(p);
            ended++;
        }
    }
    CloseHandle(snap);
    return ended;
}

void ResetAnswerFile()
{
    WriteBytes(WindowsDir() + "\\" + kAnswerFile, "[Other]\r\nkeep=1\r\n");
}

void CheckAnswerFile(Findings &f)
{
    char buf[256];
    if (GetPrivateProfileSectionA("Mouse", buf, sizeof buf, kAnswerFile) != 0)
        f.Wrong("section Mouse left in qvxinst.ini");
    GetPrivateProfileStringA("Other", "keep", "<absent>", buf, sizeof buf, kAnswerFile);
    if (lstrcmpA(buf, "1") != 0)
        f.Damage(std::string("qvxinst.ini [Other] keep is '") + buf + "'");
}

// --- Cases ---------------------------------------------------------------------

struct LookupCase {
    std::string name;
    std::function<void()> fixture;
    std::set<int> results;          // what the lookup may return
    std::set<std::string> matched;  // hardware keys that disable mode may disable
    bool detectorMayRun;
};

void ResetRegistry()
{
    UnlockAndDeleteTree(HKEY_DYN_DATA, kDynEnum);
    UnlockAndDeleteTree(HKEY_LOCAL_MACHINE, std::string("Enum\\") + kHwRoot);
    UnlockAndDeleteTree(HKEY_CURRENT_CONFIG, std::string("Enum\\") + kHwRoot);
    MakeKey(HKEY_DYN_DATA, kDynEnum);
}

std::string Results(const std::set<int> &results)
{
    std::string out;
    for (int r : results)
        out += (out.empty() ? "" : " or ") + std::to_string(r);
    return out;
}

void RunLookup(const std::string &category, const LookupCase &c, int disable)
{
    if (!Selected(c.name))
        return;
    ResetRegistry();
    ResetAnswerFile();
    DeleteFileA(kSniffLog);
    SetEnvironmentVariableA("QVX_HOSTILE_SNIFF_LOG", kSniffLog);
    c.fixture();
    RegTree before = TakeRegistry();
    int result = -12345;
    BoundedRun run = RunBounded([&] { result = FindMousePort(disable); }, LookupLimit());
    int leftovers = EndLeftoverDetectors();
    Findings f;
    if (run.finished) {
        if (!c.results.count(result))
            f.Wrong("result " + std::to_string(result) + ", want " + Results(c.results));
        int starts = DetectorStarts();
        if (!c.detectorMayRun && starts)
            f.Wrong("the detector ran although the registry named the port");
        if (starts)
            CheckAnswerFile(f);
        CompareRegistry(before, TakeRegistry(), disable ? c.matched : std::set<std::string>(), f);
        // A port from the registry in disable mode: that device is disabled
        // in the current profile (unless its key there is locked).
        if (disable && result > 0 && !starts) {
            bool disabled = false, locked = false;
            for (const std::string &m : c.matched) {
                locked = locked || before.count("HKCC\\Enum\\" + m);
                HKEY key;
                DWORD value = 0, size = sizeof value, type = 0;
                if (RegOpenKeyExA(HKEY_CURRENT_CONFIG, ("Enum\\" + m).c_str(), 0, KEY_QUERY_VALUE, &key) ==
                    ERROR_SUCCESS) {
                    disabled = disabled || (RegQueryValueExA(key, "CSConfigFlags", NULL, &type, (BYTE *)&value,
                                                             &size) == ERROR_SUCCESS &&
                                            type == REG_DWORD && value == 1);
                    RegCloseKey(key);
                }
            }
            if (!disabled && !locked)
                f.Wrong("disable mode left the device enabled");
        }
        f.note = "result " + std::to_string(result) + ", detector started " + std::to_string(starts) +
                 " time(s)" + (leftovers ? ", a hung detector was ended" : "");
    }
    CountCase(category, c.name + (disable ? " (disable)" : ""), run, f);
}

// Several entries that no lookup may take, before the one to find.
void Decoys()
{
    Entry("A0000001", REG_SZ, Sz(Hw("PNP0500\\0000")));
    ComInfo(Hw("PNP0500\\0000"), REG_BINARY, Dword(0x3F8));
}

} // namespace

TEST(HostileRegistry, ValueTypesAndSizes)
{
    const std::string mouse = Hw("*PNP0F0C\\0000");
    const std::set<int> detector = {kDetectorPort};
    SetDetector("answer " + std::to_string(kDetectorPort));
    std::string key95 = Hw("*PNP0F0C\\");
    key95 += std::string(94 - key95.size(), 'k');   // 94 characters and the NUL
    std::string key96 = key95 + "k";
    std::vector<LookupCase> cases = {
        {"HardWareKey as REG_DWORD", [] { Entry("C0000001", REG_DWORD, Dword(0x5C)); }, detector, {}, true},
        {"HardWareKey as REG_BINARY without NUL",
         [&] { Entry("C0000001", REG_BINARY, mouse); ComInfo(mouse, REG_BINARY, Dword(0x2F8)); },
         {2, kDetectorPort}, {mouse}, true},
        {"HardWareKey as REG_BINARY with NUL",
         [&] { Entry("C0000001", REG_BINARY, Sz(mouse)); ComInfo(mouse, REG_BINARY, Dword(0x2F8)); },
         {2, kDetectorPort}, {mouse}, true},
        {"HardWareKey of no bytes", [&] { Entry("C0000001", REG_SZ, ""); ComInfo(mouse, REG_BINARY, Dword(0x2F8)); },
         detector, {}, true},
        {"HardWareKey empty string", [&] { Entry("C0000001", REG_SZ, Sz("")); }, detector, {}, true},
        {"HardWareKey without NUL",
         [&] { Entry("C0000001", REG_SZ, mouse); ComInfo(mouse, REG_BINARY, Dword(0x3E8)); },
         {3, kDetectorPort}, {mouse}, true},
        {"HardWareKey of 5000 characters",
         [&] {
             std::string k = Hw("*PNP0F0C\\" + std::string(4000, 'k'));
             Entry("C0000001", REG_SZ, Sz(k));
         },
         detector, {}, true},
        {"HardWareKey of exactly 95 bytes",
         [&] { Entry("C0000001", REG_SZ, Sz(key95)); ComInfo(key95, REG_BINARY, Dword(0x2E8)); }, {4}, {key95}, false},
        {"HardWareKey of 96 bytes",
         [&] { Entry("C0000001", REG_SZ, Sz(key96)); ComInfo(key96, REG_BINARY, Dword(0x2E8)); }, detector, {}, true},
        {"HardWareKey without a backslash", [] { Entry("C0000001", REG_SZ, Sz("QVXHOSTILE*PNP0F0C")); }, detector, {},
         true},
        {"HardWareKey ending in its backslash", [] { Entry("C0000001", REG_SZ, Sz("QVXHOSTILE\\")); }, detector, {},
         true},
        {"HardWareKey with a NUL before the backslash",
         [&] { Entry("C0000001", REG_SZ, std::string("QVXHOSTILE\0\\*PNP0F0C\\0000\0", 26)); }, detector, {}, true},
        {"HardWareKey missing", [] { SetValue(HKEY_DYN_DATA, std::string(kDynEnum) + "\\C0000001", "Other", REG_SZ, Sz("x")); },
         detector, {}, true},
        {"ComInfo of 0 bytes", [&] { Entry("C0000001", REG_SZ, Sz(mouse)); ComInfo(mouse, REG_BINARY, ""); },
         detector, {mouse}, true},
        {"ComInfo of 1 byte", [&] { Entry("C0000001", REG_SZ, Sz(mouse)); ComInfo(mouse, REG_BINARY, "\xF8"); },
         detector, {mouse}, true},
        {"ComInfo of 3 bytes",
         [&] { Entry("C0000001", REG_SZ, Sz(mouse)); ComInfo(mouse, REG_BINARY, std::string("\xF8\x02\x00", 3)); },
         {2, kDetectorPort}, {mouse}, true},
        {"ComInfo of 4 bytes", [&] { Decoys(); Entry("C0000002", REG_SZ, Sz(mouse)); ComInfo(mouse, REG_BINARY, Dword(0x3F8)); },
         {1}, {mouse}, false},
        {"ComInfo of 100 bytes",
         [&] { Entry("C0000001", REG_SZ, Sz(mouse)); ComInfo(mouse, REG_BINARY, Dword(0x3F8) + std::string(96, '\x55')); },
         {1, kDetectorPort}, {mouse}, true},
        {"ComInfo as REG_SZ",
         [&] { Entry("C0000001", REG_SZ, Sz(mouse)); ComInfo(mouse, REG_SZ, std::string("\xF8\x02\x00", 3)); },
         {2, kDetectorPort}, {mouse}, true},
        {"ComInfo as REG_DWORD", [&] { Entry("C0000001", REG_SZ, Sz(mouse)); ComInfo(mouse, REG_DWORD, Dword(0x2F8)); },
         {2}, {mouse}, false},
        {"ComInfo of an unknown base", [&] { Entry("C0000001", REG_SZ, Sz(mouse)); ComInfo(mouse, REG_BINARY, Dword(0xFFFF)); },
         detector, {mouse}, true},
    };
    for (const LookupCase &c : cases)
        for (int disable : {0, 1})
            RunLookup("registry: value types and sizes", c, disable);
}

TEST(HostileRegistry, NamesCountsAndAccess)
{
    const std::string mouse = Hw("*PNP0F0C\\0000");
    const std::string other = Hw("*PNP0F0E\\0001");
    const std::set<int> detector = {kDetectorPort};
    SetDetector("answer " + std::to_string(kDetectorPort));
    std::vector<LookupCase> cases = {
        {"entry name of 10 characters",
         [&] { Entry("C123456789", REG_SZ, Sz(mouse)); ComInfo(mouse, REG_BINARY, Dword(0x3F8)); },
         {1, kDetectorPort}, {mouse}, true},
        {"entry name of 200 characters",
         [&] { Entry(std::string(200, 'C'), REG_SZ, Sz(mouse)); ComInfo(mouse, REG_BINARY, Dword(0x3F8)); },
         {1, kDetectorPort}, {mouse}, true},
        {"long names before the mouse",
         [&] {
             Entry("C123456789", REG_SZ, Sz(other));
             Entry(std::string(200, 'D'), REG_SZ, Sz(other));
             ComInfo(other, REG_BINARY, Dword(0x3F8));
             Entry("E0000001", REG_SZ, Sz(mouse));
             ComInfo(mouse, REG_BINARY, Dword(0x3E8));
         },
         {1, 3}, {other, mouse}, false},
        {"3000 entries, the mouse last",
         [&] {
             for (int n = 0; n < 3000; n++) {
                 char name[16];
                 snprintf(name, sizeof name, "C%07d", n);
                 Entry(name, REG_SZ, Sz(Hw("PNP0500\\" + std::to_string(n))));
             }
             Entry("ZZZZZZZZ", REG_SZ, Sz(mouse));
             ComInfo(mouse, REG_BINARY, Dword(0x3E8));
         },
         {3}, {mouse}, false},
        {"3000 entries, no mouse",
         [&] {
             for (int n = 0; n < 3000; n++) {
                 char name[16];
                 snprintf(name, sizeof name, "C%07d", n);
                 Entry(name, REG_SZ, Sz(Hw("PNP0500\\" + std::to_string(n))));
             }
         },
         detector, {}, true},
        {"an entry that cannot be opened, then the mouse",
         [&] {
             Entry("A0000001", REG_SZ, Sz(other));
             ComInfo(other, REG_BINARY, Dword(0x3F8));
             SetKeyOpen(HKEY_DYN_DATA, std::string(kDynEnum) + "\\A0000001", false);
             Entry("B0000002", REG_SZ, Sz(mouse));
             ComInfo(mouse, REG_BINARY, Dword(0x2E8));
         },
         {4}, {mouse}, false},
        {"Config Manager\\Enum cannot be opened",
         [&] {
             Entry("C0000001", REG_SZ, Sz(mouse));
             ComInfo(mouse, REG_BINARY, Dword(0x3F8));
             SetKeyOpen(HKEY_DYN_DATA, kDynEnum, false);
         },
         detector, {}, true},
        {"Config Manager\\Enum missing", [] { UnlockAndDeleteTree(HKEY_DYN_DATA, kDynEnum); }, detector, {}, true},
        {"the device's key cannot be opened",
         [&] {
             Entry("C0000001", REG_SZ, Sz(mouse));
             ComInfo(mouse, REG_BINARY, Dword(0x3F8));
             SetKeyOpen(HKEY_LOCAL_MACHINE, "Enum\\" + mouse, false);
         },
         detector, {mouse}, true},
        {"the profile's key cannot be opened",
         [&] {
             Entry("C0000001", REG_SZ, Sz(mouse));
             ComInfo(mouse, REG_BINARY, Dword(0x2F8));
             MakeKey(HKEY_CURRENT_CONFIG, "Enum\\" + mouse);
             SetKeyOpen(HKEY_CURRENT_CONFIG, "Enum\\" + mouse, false);
         },
         {2}, {mouse}, false},
    };
    for (const LookupCase &c : cases)
        for (int disable : {0, 1})
            RunLookup("registry: names, counts, access", c, disable);
}

TEST(HostileDetector, CannotStart)
{
    const std::set<int> none = {0, -1};
    // Something in the detector's place that cannot be started.
    std::string detector = ProgramDir() + "ptrsniff.exe";
    std::string saved = ReadBytes(detector);
    struct Broken {
        const char *name;
        std::string bytes;
        bool present;
    };
    std::vector<Broken> broken = {{"detector file of random bytes", RandomBytes(4096, 5), true},
                                  {"detector file empty", {}, true},
                                  {"detector file missing", {}, false}};
    SetDetector("answer 4");
    for (const Broken &b : broken) {
        DeleteFileA(detector.c_str());
        if (b.present)
            WriteBytes(detector, b.bytes);
        LookupCase c = {b.name, [] {}, none, {}, true};
        RunLookup("detector: cannot start", c, 0);
    }
    WriteBytes(detector, saved);
}

TEST(HostileDetector, CrashesAndJunk)
{
    struct DetectorCase {
        std::string name, mode;
        std::set<int> results;
    };
    // Junk answers never name a port beyond COM1..COM9: a result above 0
    // is taken for a port by the wizard.
    const std::set<int> none = {0, -1};
    std::vector<DetectorCase> cases = {
        {"access violation at once", "crash", none},
        {"ExitProcess with a garbage code", "exit", none},
        {"stack overflow", "overflow", none},
        {"junk elsewhere, then a crash", "elsewhere", none},
        {"answers 3, then crashes", "answer-crash 3", {3}},
        {"answers X, then crashes", "answer-crash X", none},
        {"answers byte FF, then crashes", "answer-crash hex:FF", none},
        {"answers -1", "answer -1", none},
        {"answers 0", "answer 0", none},
        {"answers 99999", "answer 99999", {9}},
        {"answers 5 and 999 more characters", "answer long:5", {5}},
        {"answers blank and 3", "answer hex:2033", {3}},
        {"answers 1a", "answer 1a", {1}},
        {"answers byte B3", "answer hex:B3", none},
        {"300 junk keys, then 2", "many-keys 2", {2}},
        // Last: a hang ends the group.
        {"never ends", "hang", none},
    };
    for (const DetectorCase &d : cases) {
        LookupCase c = {"detector " + d.name, [] {}, d.results, {}, true};
        SetDetector(d.mode);
        RunLookup("detector: crashes and junk", c, 0);
    }
}

