#include "hostile_runs.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <setupapi.h>
#include <set>

#include "install/install.h"
#include "uninstall/uninstall.h"
#include "tests/fake_import.h"

// --- What the runs call besides the script ---------------------------------

// The wizard is scripted: Finish on kWizardPort.
int g_selectedPort, g_probeFound, g_disableMouse, g_deviceSetChoice, g_recoveryChoice;
INT_PTR RunWizard(HWND, HINSTANCE)
{
    g_selectedPort = kWizardPort;
    return 1;
}

namespace {
volatile LONG g_rebootCalls;
UINT WINAPI CountReboot(HSPFILEQ, HWND, BOOL)
{
    InterlockedIncrement(&g_rebootCalls);
    return 0;
}
} // namespace

// The restart prompt is counted rather than shown.
QVX_FAKE_IMPORT(SetupPromptReboot, 12, CountReboot);

const char kCleanDrivers[] = "mmsystem.dll qvxold.drv power.drv";
const char kCleanPointing[] = "vmouse.386 msmouse.vxd";
const char kInstalledDrivers[] = "mmsystem.dll power.drv  wtqvx.drv";
const char kInstalledPointing[] = "vmouse.386 tpadvx.386 msmouse.vxd";

namespace {

const char kVictimIni[] =
    "[Shared]\r\nlist=alpha beta gamma\r\nplain=untouched value\r\n"
    "[Other]\r\nkey=value\r\n";

std::string g_wineSystemIni;   // system.ini as the prefix came
bool g_haveWineSystemIni;

std::string PackageFile(const char *name)
{
    return ProgramDir() + name;
}

// --- Registry and profile helpers -----------------------------------------

std::string SkipRedetect()
{
    char buf[64];
    GetProfileStringA("Windows", "SkipMouseRedetect", "<absent>", buf, sizeof buf);
    return buf;
}

// --- Baselines -------------------------------------------------------------

void PutFile(const std::string &path, const std::string &bytes)
{
    RemoveDirectoryA(path.c_str());
    WriteBytes(path, bytes);
}

void RemoveFileOrDir(const std::string &path)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
    RemoveDirectoryA(path.c_str());
}

void PrepareFixtures(const ScriptCase &c, unsigned program)
{
    std::string win = WindowsDir() + "\\";
    if (!g_haveWineSystemIni) {
        g_wineSystemIni = ReadBytes(win + "system.ini");
        g_haveWineSystemIni = true;
    }
    std::string sys = g_wineSystemIni;
    if (program == kSetup)
        sys += std::string("[boot]\r\ndrivers=") + kCleanDrivers + "\r\n[386Enh]\r\nPointing=" +
               kCleanPointing + "\r\n";
    else
        sys += std::string("[boot]\r\ndrivers=") + kInstalledDrivers +
               "\r\n[386Enh]\r\nPointing=" + kInstalledPointing +
               "\r\ntpadvx=tpadvx.386\r\n[tpadvx.386]\r\nWTQVX=5\r\n";
    PutFile(win + "system.ini", sys);
    RemoveFileOrDir(win + "wintab.ini");
    if (program == kPruninst)
        PutFile(win + "wintab.ini",
                "[Penrel Tablet Driver]\r\nDriver=WTQVX.DRV\r\nModel=PR-4417\r\nCom=5\r\n");
    RemoveFileOrDir(win + "hostile.ini");
    PutFile(win + "hostile.ini", kVictimIni);
    for (const FileFixture &f : c.files) {
        RemoveFileOrDir(win + f.name);
        if (f.directory) {
            CreateDirectoryA((win + f.name).c_str(), NULL);
            continue;
        }
        PutFile(win + f.name, f.bytes);
        if (f.readOnly)
            SetFileAttributesA((win + f.name).c_str(), FILE_ATTRIBUTE_READONLY);
    }

    std::string sysDir = SystemDir() + "\\";
    for (const char *name : {"tpadvx.386", "WTQVX.DRV"}) {
        DeleteFileA((sysDir + name).c_str());
        if (program == kPruninst)
            CopyFileA(PackageFile(name).c_str(), (sysDir + name).c_str(), FALSE);
    }
    DeleteTree(HKEY_LOCAL_MACHINE, QVX_CLASS_KEY);
    if (program == kPruninst) {
        HKEY key;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, QVX_CLASS_KEY, 0, NULL, 0, KEY_ALL_ACCESS,
                            NULL, &key, NULL) == ERROR_SUCCESS) {
            RegSetValueExA(key, NULL, 0, REG_SZ, (const BYTE *)"Penrel Tablets", 15);
            RegSetValueExA(key, "Model", 0, REG_SZ, (const BYTE *)"PR-4417", 8);
            RegCloseKey(key);
        }
    }
    WriteProfileStringA("Windows", "SkipMouseRedetect", "0");
    PutFile(ProgramDir() + "setup.ini", c.script);
}

// --- What the script asks for ----------------------------------------------

std::string Unquote(std::string s)
{
    s = Trim(s);
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
        s = s.substr(1, s.size() - 2);
    return Trim(s);
}

std::vector<std::string> SplitCommas(const std::string &s)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t comma = s.find(',', start);
        parts.push_back(s.substr(start, comma == std::string::npos ? std::string::npos
                                                                    : comma - start));
        if (comma == std::string::npos)
            return parts;
        start = comma + 1;
    }
}

// The lines of a script section as the profile API returns them.
std::vector<std::string> SectionLines(const std::string &script, const std::string &section)
{
    std::vector<std::string> lines;
    const DWORD size = 8 << 20;
    static std::vector<char> buf(size);
    DWORD len = GetPrivateProfileSectionA(section.c_str(), buf.data(), size, script.c_str());
    for (const char *p = buf.data(); p < buf.data() + len && *p; p += lstrlenA(p) + 1)
        lines.push_back(p);
    return lines;
}

std::string ScriptValue(const std::string &script, const std::string &section,
                        const std::string &key)
{
    for (const std::string &line : SectionLines(script, section)) {
        size_t eq = line.find('=');
        if (eq != std::string::npos && Lower(Trim(line.substr(0, eq))) == Lower(key))
            return Trim(line.substr(eq + 1));
    }
    return "";
}

struct WordRule {
    std::set<std::string> removable, addable;   // lower case
};

// Everything the script may change: INI files, whole sections (the Setup
// API's INI operations), word-list keys (the directives) and single keys.
struct Allowed {
    std::set<std::string> files, sections, keys, systemFiles;
    std::map<std::string, WordRule> wordKeys;
};

std::string KeyId(const std::string &file, const std::string &section, const std::string &key)
{
    return Lower(Trim(file)) + "|" + Lower(Trim(section)) + "|" + Lower(Trim(key));
}

// Directive fields as a comma tokenizer gives them: runs of commas are one
// separator.
std::vector<std::string> DirectiveFields(const std::string &line)
{
    std::vector<std::string> fields;
    for (const std::string &part : SplitCommas(line))
        if (!part.empty())
            fields.push_back(Trim(part));
    return fields;
}

// The fields of an INF line as the Setup API reads them.
std::vector<std::string> InfFields(INFCONTEXT *line)
{
    std::vector<std::string> fields;
    DWORD count = SetupGetFieldCount(line);
    std::vector<char> buf(1 << 16);
    for (DWORD i = 1; i <= count; i++) {
        buf[0] = '\0';
        SetupGetStringFieldA(line, i, buf.data(), (DWORD)buf.size(), NULL);
        fields.push_back(buf.data());
    }
    return fields;
}

std::vector<std::vector<std::string>> InfLines(HINF inf, const std::string &section,
                                               const char *key)
{
    std::vector<std::vector<std::string>> lines;
    INFCONTEXT line;
    if (!SetupFindFirstLineA(inf, section.c_str(), key, &line))
        return lines;
    do
        lines.push_back(InfFields(&line));
    while (key ? SetupFindNextMatchLineA(&line, key, &line) : SetupFindNextLine(&line, &line));
    return lines;
}

// The script's INI and file operations as the Setup API reads them, which
// may see more than the profile API does (a script in UTF-16 without a
// byte-order mark, say).
void AddInfOperations(const std::string &script, const char *iniSection, Allowed &a)
{
    HINF inf = SetupOpenInfFileA(script.c_str(), NULL, INF_STYLE_WIN4, NULL);
    if (inf == INVALID_HANDLE_VALUE)
        return;
    for (const auto &names : InfLines(inf, iniSection, "UpdateInis"))
        for (const std::string &name : names)
            for (const auto &f : InfLines(inf, name, NULL))
                if (f.size() >= 2) {
                    a.files.insert(Lower(Trim(f[0])));
                    a.sections.insert(Lower(Trim(f[0])) + "|" + Lower(Trim(f[1])));
                }
    const char *withFiles[] = {"ClassInstall", "WTQVX:WTQVX.DRV:PNP", "ClassUnInstall",
                               "Uninstall"};
    for (const char *s : withFiles)
        for (const char *key : {"CopyFiles", "DelFiles"})
            for (const auto &names : InfLines(inf, s, key))
                for (const std::string &name : names)
                    for (const auto &f : InfLines(inf, name, NULL))
                        if (!f.empty())
                            a.systemFiles.insert(Lower(Trim(f[0])));
    SetupCloseInfFile(inf);
}

Allowed WhatTheScriptAsks(const std::string &script, unsigned program)
{
    Allowed a;
    const char *directives = program == kSetup ? "MyUpdateIniFields" : "MyRemoveIniFields";
    for (const std::string &line : SectionLines(script, directives)) {
        size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::vector<std::string> f = DirectiveFields(Unquote(line.substr(eq + 1)));
        if (f.size() < 3)
            continue;
        a.files.insert(Lower(f[0]));
        WordRule &rule = a.wordKeys[KeyId(f[0], f[1], f[2])];
        for (size_t i = 3; i < f.size(); i++) {
            rule.removable.insert(Lower(f[i]));
            rule.addable.insert(Lower(f[i]));
        }
    }
    const char *iniSection = program == kSetup ? "WTQVX:WTQVX.DRV:PNP" : "Uninstall";
    std::vector<std::string> fileSections;
    const char *withFiles[] = {"ClassInstall", "WTQVX:WTQVX.DRV:PNP", "ClassUnInstall",
                               "Uninstall"};
    for (const char *s : withFiles) {
        for (const std::string &name : SplitCommas(ScriptValue(script, s, "CopyFiles")))
            fileSections.push_back(Trim(name));
        for (const std::string &name : SplitCommas(ScriptValue(script, s, "DelFiles")))
            fileSections.push_back(Trim(name));
    }
    for (const std::string &name : fileSections)
        for (const std::string &line : SectionLines(script, name))
            a.systemFiles.insert(Lower(Unquote(SplitCommas(line)[0])));
    a.systemFiles.insert("tpadvx.386");
    a.systemFiles.insert("wtqvx.drv");
    for (const std::string &name : SplitCommas(ScriptValue(script, iniSection, "UpdateInis")))
        for (const std::string &line : SectionLines(script, Trim(name))) {
            std::vector<std::string> f = SplitCommas(line);
            if (f.size() < 2)
                continue;
            a.files.insert(Lower(Unquote(f[0])));
            a.sections.insert(Lower(Unquote(f[0])) + "|" + Lower(Unquote(f[1])));
        }
    AddInfOperations(script, iniSection, a);
    a.files.insert("wintab.ini");
    a.files.insert("system.ini");
    a.keys.insert(KeyId("wintab.ini", "Penrel Tablet Driver", "Com"));
    a.keys.insert(KeyId("system.ini", "tpadvx.386", "WTQVX"));
    a.files.insert("win.ini");
    a.keys.insert(KeyId("win.ini", "Windows", "SkipMouseRedetect"));
    return a;
}

// --- Snapshots -------------------------------------------------------------

struct Snapshot {
    DirListing windows, system, program;
    std::map<std::string, IniView> inis;
    std::string script;
    bool classKey;
    std::string skipRedetect;
};

Snapshot Take()
{
    Snapshot s;
    s.windows = ListDir(WindowsDir());
    s.system = ListDir(SystemDir());
    s.program = ListDir(ProgramDir().substr(0, ProgramDir().size() - 1));
    for (const auto &entry : s.windows) {
        const std::string &name = entry.first;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".ini") == 0)
            s.inis[name] = ReadIniView(name);
    }
    s.script = ReadBytes(ProgramDir() + "setup.ini");
    s.classKey = ClassKeyExists();
    s.skipRedetect = SkipRedetect();
    return s;
}

std::string LineText(const IniLine &l)
{
    return l.hasValue ? l.key + "=" + l.value : l.key;
}

std::vector<IniLine> LinesOf(const IniView &view, const std::string &section)
{
    auto it = view.find(section);
    return it == view.end() ? std::vector<IniLine>() : it->second;
}

// The words of a list that no directive may take out or put in, in order.
std::vector<std::string> FixedWords(const std::string &value, const WordRule &rule)
{
    // A value read through the profile API loses its surrounding quotes.
    std::string list = value;
    if (list.size() >= 2 && (list[0] == '"' || list[0] == '\'') && list.back() == list[0])
        list = list.substr(1, list.size() - 2);
    std::vector<std::string> out;
    for (const std::string &w : Words(list))
        if (!rule.removable.count(Lower(w)) && !rule.addable.count(Lower(w)))
            out.push_back(w);
    return out;
}

void CompareIni(const std::string &file, const IniView &before, const IniView &after,
                const Allowed &allowed, Findings &f)
{
    std::set<std::string> sections;
    for (const auto &s : before)
        sections.insert(s.first);
    for (const auto &s : after)
        sections.insert(s.first);
    for (const std::string &section : sections) {
        if (allowed.sections.count(file + "|" + section))
            continue;
        std::vector<IniLine> b = LinesOf(before, section), a = LinesOf(after, section);
        std::vector<std::string> fixedB, fixedA;
        std::map<std::string, std::vector<std::string>> keyB, keyA;
        for (const IniLine &l : b) {
            std::string id = KeyId(file, section, l.key);
            if (allowed.keys.count(id) || allowed.wordKeys.count(id))
                keyB[id].push_back(l.value);
            else
                fixedB.push_back(LineText(l));
        }
        for (const IniLine &l : a) {
            std::string id = KeyId(file, section, l.key);
            if (allowed.keys.count(id) || allowed.wordKeys.count(id))
                keyA[id].push_back(l.value);
            else
                fixedA.push_back(LineText(l));
        }
        if (fixedB != fixedA) {
            f.Damage(file + " [" + section + "] lines changed: " +
                     std::to_string(fixedB.size()) + " -> " + std::to_string(fixedA.size()) +
                     " unrelated lines");
            for (size_t i = 0; i < std::max(fixedB.size(), fixedA.size()); i++) {
                std::string x = i < fixedB.size() ? fixedB[i] : "<none>";
                std::string y = i < fixedA.size() ? fixedA[i] : "<none>";
                if (x != y) {
                    f.Damage("first difference: '" + Shorten(x) + "' -> '" + Shorten(y) + "'");
                    break;
                }
            }
        }
        std::set<std::string> ids;
        for (const auto &k : keyB)
            ids.insert(k.first);
        for (const auto &k : keyA)
            ids.insert(k.first);
        for (const std::string &id : ids) {
            std::vector<std::string> vb = keyB[id], va = keyA[id];
            // One entry may appear (a word added to a missing key); the
            // entries after the first are never the run's to change.
            bool created = vb.empty() && va.size() == 1;
            if (!created && vb.size() != va.size()) {
                f.Damage(id + ": " + std::to_string(vb.size()) + " entries became " +
                         std::to_string(va.size()));
                continue;
            }
            for (size_t i = 1; i < vb.size(); i++)
                if (vb[i] != va[i])
                    f.Damage(id + " duplicate #" + std::to_string(i + 1) + " changed: '" +
                             Shorten(vb[i]) + "' -> '" + Shorten(va[i]) + "'");
            auto rule = allowed.wordKeys.find(id);
            if (rule == allowed.wordKeys.end() || va.empty())
                continue;
            std::string old = vb.empty() ? "" : vb[0];
            if (va[0] != old && va[0].size() >= 254)
                f.Damage(id + " written with " + std::to_string(va[0].size()) +
                         " characters, more than a word-list read takes whole");
            if (FixedWords(old, rule->second) != FixedWords(va[0], rule->second))
                f.Damage(id + " lost or gained other words: '" + Shorten(old, 80) + "' -> '" +
                         Shorten(va[0], 80) + "'");
        }
    }
}

void CompareListing(const char *where, const DirListing &before, const DirListing &after,
                    const std::set<std::string> &mayChange, Findings &f)
{
    std::set<std::string> names;
    for (const auto &e : before)
        names.insert(e.first);
    for (const auto &e : after)
        names.insert(e.first);
    for (const std::string &name : names) {
        if (mayChange.count(name))
            continue;
        auto b = before.find(name), a = after.find(name);
        if (b == before.end())
            f.Damage(std::string(where) + "\\" + name + " appeared");
        else if (a == after.end())
            f.Damage(std::string(where) + "\\" + name + " disappeared");
        else if (b->second != a->second)
            f.Damage(std::string(where) + "\\" + name + " changed");
    }
}

// Damage: anything outside what the script asks for.
void CheckDamage(const Snapshot &before, const Snapshot &after, const Allowed &allowed,
                 Findings &f)
{
    if (before.script != after.script)
        f.Damage("setup.ini itself changed");
    CompareListing("program dir", before.program, after.program, {}, f);
    CompareListing("windows", before.windows, after.windows, allowed.files, f);
    CompareListing("system", before.system, after.system, allowed.systemFiles, f);
    std::set<std::string> files;
    for (const auto &e : before.inis)
        files.insert(e.first);
    for (const auto &e : after.inis)
        files.insert(e.first);
    for (const std::string &file : files) {
        auto b = before.inis.find(file), a = after.inis.find(file);
        CompareIni(file, b == before.inis.end() ? IniView() : b->second,
                   a == after.inis.end() ? IniView() : a->second, allowed, f);
    }
    for (const char *name : {"tpadvx.386", "WTQVX.DRV"}) {
        bool there = false;
        std::string bytes = ReadBytes(SystemDir() + "\\" + name, &there);
        if (there && bytes != ReadBytes(PackageFile(name)))
            f.Damage(std::string("system\\") + name + " differs from the package's");
    }
}

bool SameInis(const Snapshot &a, const Snapshot &b, std::string *which)
{
    for (const auto &e : a.inis) {
        if (e.first == "win.ini")
            continue;
        auto other = b.inis.find(e.first);
        IniView empty;
        const IniView &v = other == b.inis.end() ? empty : other->second;
        if (e.second.size() != v.size()) {
            *which = e.first;
            return false;
        }
        for (const auto &s : e.second) {
            auto t = v.find(s.first);
            if (t == v.end() || t->second.size() != s.second.size()) {
                *which = e.first + " [" + s.first + "]";
                return false;
            }
            for (size_t i = 0; i < s.second.size(); i++)
                if (LineText(s.second[i]) != LineText(t->second[i])) {
                    *which = e.first + " [" + s.first + "] " + Shorten(s.second[i].key);
                    return false;
                }
        }
    }
    return true;
}

// --- The documented course of each run --------------------------------------

std::string ExpectedBanner(const std::string &script)
{
    std::vector<char> buf(1 << 16);
    GetPrivateProfileStringA("QVXVersion", "Cycle", "", buf.data(), (DWORD)buf.size(),
                             script.c_str());
    return std::string(buf.data()).substr(0, 79);
}

void CheckDialogs(const std::vector<Dialog> &dialogs, const std::string &banner,
                  const char *bannerCaption, const char *failureText, bool failureAllowed,
                  bool *failureShown, Findings &f)
{
    size_t next = 0;
    *failureShown = false;
    if (!banner.empty()) {
        if (dialogs.empty() || dialogs[0].caption != bannerCaption ||
            dialogs[0].text != banner)
            f.Wrong("banner '" + Shorten(banner) + "' not shown as the first dialog");
        else
            next = 1;
    }
    for (; next < dialogs.size(); next++) {
        const Dialog &d = dialogs[next];
        if (failureAllowed && !*failureShown && d.caption == "Error" && d.text == failureText) {
            *failureShown = true;
            continue;
        }
        f.Wrong("unexpected dialog '" + Shorten(d.caption) + "': '" + Shorten(d.text) + "'");
    }
}

void CheckExpects(const std::vector<Expect> &expects, Findings &f)
{
    for (const Expect &e : expects) {
        std::string got = ProfileValue(e.file, e.section, e.key);
        if (got != e.value)
            f.Wrong(e.file + " [" + e.section + "] " + e.key + " = '" + Shorten(got, 90) +
                    "', want '" + Shorten(e.value, 90) + "'");
    }
}

void RunOne(const std::string &category, const ScriptCase &c, unsigned program)
{
    PrepareFixtures(c, program);
    std::string script = ProgramDir() + "setup.ini";
    Allowed allowed = WhatTheScriptAsks(script, program);
    std::string banner = ExpectedBanner(script);
    Snapshot before = Take();

    HWND owner = NULL;
    int result = -1;
    g_rebootCalls = 0;
    StartDialogWatch();
    BoundedRun run = RunBounded(
        [&] {
            owner = CreateWindowExA(0, "STATIC", "hostile owner", WS_POPUP, 0, 0, 0, 0, NULL,
                                    NULL, GetModuleHandleA(NULL), NULL);
            result = program == kSetup ? RunInstall(owner, GetModuleHandleA(NULL))
                                       : RunUninstall(owner);
            DestroyWindow(owner);
        },
        kRunLimitMs);
    std::vector<Dialog> dialogs = StopDialogWatch();
    Findings f;
    if (run.finished) {
        Snapshot after = Take();
        CheckDamage(before, after, allowed, f);
        bool failure = false;
        bool setup = program == kSetup;
        CheckDialogs(dialogs, banner, setup ? "PR-4417 Installer" : "PR-4417 Uninstaller",
                     setup ? "Installation did not complete successfully!"
                           : "Uninstallation did not complete successfully!",
                     result == 1, &failure, f);
        if (result != 0 && result != 1)
            f.Wrong("result " + std::to_string(result));
        if (c.opens == 1 && result != 1)
            f.Wrong("the script should open; result " + std::to_string(result));
        if (c.opens == 0 && result != 0)
            f.Wrong("the script should not open; result " + std::to_string(result));
        std::string which;
        if (result == 0) {
            if (g_rebootCalls)
                f.Wrong("restart offered after an early stop");
            if (after.classKey != before.classKey)
                f.Wrong("class key touched after an early stop");
            if (after.skipRedetect != before.skipRedetect)
                f.Wrong("SkipMouseRedetect written after an early stop");
            if (after.system != before.system)
                f.Wrong("system directory touched after an early stop");
            // Only the uninstaller edits word lists before it opens the script.
            if (setup && !SameInis(before, after, &which))
                f.Wrong("INI values changed after an early stop: " + which);
        } else if (result == 1) {
            if (failure == (g_rebootCalls != 0))
                f.Wrong(failure ? "restart offered after the failure message"
                                : "neither the restart prompt nor the failure message");
            if (g_rebootCalls > 1)
                f.Wrong("restart offered " + std::to_string(g_rebootCalls) + " times");
            if (setup) {
                std::string want = failure ? "<absent>" : std::to_string(kWizardPort);
                std::string com = ProfileValue("wintab.ini", "Penrel Tablet Driver", "Com");
                std::string wtqvx = ProfileValue("system.ini", "tpadvx.386", "WTQVX");
                if (com != want || wtqvx != want)
                    f.Wrong("port entries '" + com + "', '" + wtqvx + "', want '" + want + "'");
            } else {
                if (after.skipRedetect != "1")
                    f.Wrong("SkipMouseRedetect '" + after.skipRedetect + "' after the run");
                if (ClassKeyExists())
                    f.Wrong("class key left behind");
            }
        }
        if (!setup || result == 1)
            CheckExpects(setup ? c.afterSetup : c.afterPruninst, f);
        if (c.extra)
            c.extra(program, f);
        f.note = "result " + std::to_string(result) + ", " + std::to_string(dialogs.size()) +
                 " dialog(s)" + (failure ? " incl. the failure message" : "") +
                 (g_rebootCalls ? ", restart offered" : "") + f.note;
    }
    CountCase(category + (program == kSetup ? " setup" : " pruninst"), c.name, run, f);
}

} // namespace

std::string SampleScript()
{
    return ReadBytes(std::string(QVX_PACKAGE_DIR_WIN) + "\\setup.ini");
}

void RunScriptCase(const std::string &category, const ScriptCase &c)
{
    if (!Selected(c.name))
        return;
    if (c.programs & kSetup)
        RunOne(category, c, kSetup);
    if (c.programs & kPruninst)
        RunOne(category, c, kPruninst);
}

// --- Building hostile scripts ------------------------------------------------

namespace {
size_t FindMarker(const std::string &text, const std::string &marker)
{
    size_t at = text.find(marker);
    EXPECT_NE(at, std::string::npos) << "marker '" << marker << "' not in the script";
    return at;
}
} // namespace

std::string CutAfter(const std::string &text, const std::string &marker)
{
    size_t at = FindMarker(text, marker);
    return at == std::string::npos ? text : text.substr(0, at + marker.size());
}

std::string CutBefore(const std::string &text, const std::string &marker)
{
    size_t at = FindMarker(text, marker);
    return at == std::string::npos ? text : text.substr(0, at);
}

std::string ReplaceOnce(const std::string &text, const std::string &from, const std::string &to)
{
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << "'" << from << "' not in the script";
    if (at == std::string::npos)
        return text;
    return text.substr(0, at) + to + text.substr(at + from.size());
}

namespace {
// Where a section starts (its header) and ends (the next header or the end).
bool FindSection(const std::string &text, const std::string &section, size_t *begin,
                 size_t *end)
{
    std::string header = "[" + section + "]";
    size_t at = text.find(header);
    if (at == std::string::npos)
        return false;
    *begin = at;
    size_t next = text.find("\n[", at + header.size());
    *end = next == std::string::npos ? text.size() : next + 1;
    return true;
}
} // namespace

std::string DropSection(const std::string &text, const std::string &section)
{
    size_t begin, end;
    bool found = FindSection(text, section, &begin, &end);
    EXPECT_TRUE(found) << "no section " << section;
    if (!found)
        return text;
    return text.substr(0, begin) + text.substr(end);
}

std::string WithSection(const std::string &text, const std::string &section,
                        const std::string &body)
{
    std::string block = "[" + section + "]\n" + body;
    size_t begin, end;
    if (!FindSection(text, section, &begin, &end))
        return text + "\n" + block;
    return text.substr(0, begin) + block + text.substr(end);
}

std::string RandomBytes(size_t count, unsigned seed)
{
    std::string out(count, '\0');
    unsigned x = seed;
    for (size_t i = 0; i < count; i++) {
        x = x * 1103515245u + 12345u;
        out[i] = (char)(x >> 16);
    }
    return out;
}
