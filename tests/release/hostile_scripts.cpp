// Broken installation scripts against the installer's and the uninstaller's
// runs: truncated, binary, overlong, with sections missing, with gaps in the
// directive numbering and with thousands of directives.
#include <gtest/gtest.h>

#include "hostile_runs.h"

namespace {

// The sample's own word-list results, before and after.
const std::vector<Expect> kSampleInstalled = {
    {"system.ini", "boot", "drivers", "mmsystem.dll power.drv  wtqvx.drv"},
    {"system.ini", "386Enh", "Pointing", "vmouse.386 msmouse.vxd tpadvx.386"}};
const std::vector<Expect> kSampleRemoved = {
    {"system.ini", "boot", "drivers", "mmsystem.dll power.drv"},
    {"system.ini", "386Enh", "Pointing", "vmouse.386 msmouse.vxd"}};
const std::vector<Expect> kListsUntouchedBySetup = {
    {"system.ini", "boot", "drivers", kCleanDrivers},
    {"system.ini", "386Enh", "Pointing", kCleanPointing}};
const std::vector<Expect> kListsUntouchedByPruninst = {
    {"system.ini", "boot", "drivers", kInstalledDrivers},
    {"system.ini", "386Enh", "Pointing", kInstalledPointing}};

ScriptCase Case(const std::string &name, const std::string &script, int opens)
{
    ScriptCase c;
    c.name = name;
    c.script = script;
    c.opens = opens;
    c.programs = kBothPrograms;
    return c;
}

void RunAll(const char *category, const std::vector<ScriptCase> &cases)
{
    for (const ScriptCase &c : cases)
        RunScriptCase(category, c);
}

std::string Utf16(const std::string &text, bool bigEndian)
{
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (unsigned char ch : text) {
        char hi = 0, lo = (char)ch;
        out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
}

std::string Directives(const std::vector<std::string> &lines)
{
    std::string body;
    for (size_t i = 0; i < lines.size(); i++)
        body += std::to_string(i) + "=" + lines[i] + "\n";
    return body;
}

// The sample with its own word lists replaced.
std::string WithDirectives(const std::string &update, const std::string &remove)
{
    return WithSection(WithSection(SampleScript(), "MyUpdateIniFields", update),
                       "MyRemoveIniFields", remove);
}

} // namespace

TEST(HostileScripts, Truncated)
{
    std::string s = SampleScript();
    std::vector<ScriptCase> cases = {
        Case("cut in the [Version] header", CutAfter(s, "[Vers"), 0),
        Case("cut in the Class line", CutAfter(s, "Class=Quorv"), 0),
        Case("cut after [Version]", CutBefore(s, "[QVXVersion]"), 1),
        Case("cut inside the banner", CutAfter(s, "Cycle=\"Penrel PR-4417 tabl"), 1),
        Case("cut in a registry line", CutAfter(s, "HKR,,DevLoader,,tpad"), 1),
        Case("cut in an INI operation", CutAfter(s, "wintab.ini,Penrel Tablet Driver,,\"Driver=WT"), 1),
        Case("cut in a section header", CutAfter(s, "[WTQVX:WTQVX.D"), -1),
        Case("cut in the strings", CutAfter(s, "ClassName=\"Penrel Tab"), 1),
        Case("no final line end", s.substr(0, s.find_last_not_of("\r\n") + 1), 1),
        Case("old Mac line ends", [&] {
            std::string t = s;
            for (char &ch : t)
                if (ch == '\n')
                    ch = '\r';
            return t;
        }(), -1),
    };
    // Cut inside the first directive's key: a directive for a key named
    // "dri" that has no words, which writes nothing.
    ScriptCase key = Case("cut in a directive's key", CutAfter(s, "0=system.ini,boot,dri"), 1);
    key.afterSetup = kListsUntouchedBySetup;
    key.afterSetup.push_back({"system.ini", "boot", "dri", "<absent>"});
    cases.push_back(key);
    // Cut inside the add word of the second directive: the cut word is added.
    ScriptCase word = Case("cut in a directive's word",
                           CutAfter(s, "1=system.ini,386Enh,Pointing, ,tpad"), 1);
    word.afterSetup = {{"system.ini", "boot", "drivers", "mmsystem.dll power.drv  wtqvx.drv"},
                       {"system.ini", "386Enh", "Pointing", "vmouse.386 msmouse.vxd tpad"}};
    cases.push_back(word);
    ScriptCase removal = Case("cut in a removal directive",
                              CutAfter(s, "[MyRemoveIniFields]\n0=system.ini,boot,drivers,wtq"), 1);
    removal.afterPruninst = {{"system.ini", "boot", "drivers", "mmsystem.dll power.drv wtqvx.drv"},
                             {"system.ini", "386Enh", "Pointing", kInstalledPointing}};
    cases.push_back(removal);
    ScriptCase whole = Case("whole sample (reference)", s, 1);
    whole.afterSetup = kSampleInstalled;
    whole.afterPruninst = kSampleRemoved;
    cases.push_back(whole);
    RunAll("script: truncated", cases);
}

TEST(HostileScripts, Binary)
{
    std::string s = SampleScript();
    std::string nulInDirective = ReplaceOnce(s, "0=system.ini,boot,drivers",
                                             std::string("0=system.ini,bo\0ot,drivers", 26));
    std::string junkAfter = s + "\n" + RandomBytes(4096, 7);
    std::string highBytes = ReplaceOnce(s, "Cycle=\"Penrel PR-4417 tablet driver",
                                        "Cycle=\"\xA9\xE9\x80\x1A\xFF Penrel");
    RunAll("script: binary",
           {
               Case("empty file", "", 0),
               Case("4 KB of random bytes", RandomBytes(4096, 1), 0),
               Case("1 KB of NULs", std::string(1024, '\0'), 0),
               Case("random bytes with CR LF", [] {
                   std::string t = RandomBytes(8192, 3);
                   for (size_t i = 60; i < t.size(); i += 61)
                       t[i] = '\n';
                   return t;
               }(), 0),
               Case("UTF-16 LE with BOM", Utf16(s, false), -1),
               Case("UTF-16 BE with BOM", Utf16(s, true), -1),
               Case("UTF-16 LE without BOM", Utf16(s, false).substr(2), -1),
               Case("UTF-8 BOM", "\xEF\xBB\xBF" + s, -1),
               Case("NUL inside a directive", nulInDirective, -1),
               Case("random bytes after the sample", junkAfter, -1),
               Case("control and high bytes in the banner", highBytes, 1),
               Case("NUL at the start", std::string(1, '\0') + s, -1),
           });
}

TEST(HostileScripts, Overlong)
{
    std::string s = SampleScript();
    std::string x10k(10000, 'x');
    std::string comment = ReplaceOnce(s, "[Version]\n", "[Version]\n;" + x10k + "\n");
    std::string provider = ReplaceOnce(s, "Provider=%Penrel%", "Provider=" + x10k);
    std::string cls300 = ReplaceOnce(s, "Class=QuorvixDevice", "Class=QuorvixDevice" + std::string(287, 'x'));
    std::string section300 = s + "\n[" + std::string(300, 'S') + "]\nkey=" + std::string(300, 'v') + "\n";
    std::string banner300 = ReplaceOnce(s, "Cycle=\"Penrel PR-4417 tablet driver, release 2.1 (sample package)\"",
                                        "Cycle=" + std::string(300, 'B'));
    std::string banner10k = ReplaceOnce(s, "Cycle=\"Penrel PR-4417 tablet driver, release 2.1 (sample package)\"",
                                        "Cycle=\"" + std::string(10000, 'C') + "\"");
    std::string iniOp = ReplaceOnce(s, "[DriverInis]\n", "[DriverInis]\nsystem.ini,386Enh,,\"huge=" +
                                                         std::string(10000, 'h') + "\"\n");
    std::string copy300 = ReplaceOnce(s, "[DriverFiles]\nWTQVX.DRV", "[DriverFiles]\n" + std::string(300, 'F') + ".DRV");
    std::string line10k = ReplaceOnce(s, "[Strings]\n", "[Strings]\n" + x10k + "\n");
    std::string commas = WithDirectives(std::string("0=") + std::string(10000, ',') + "\n1=hostile.ini,Shared,list, ,zeta\n",
                                        std::string("0=") + std::string(10000, ',') + "\n1=hostile.ini,Shared,list,beta\n");

    std::vector<ScriptCase> cases = {
        Case("10 000-character comment in [Version]", comment, -1),
        Case("10 000-character Provider", provider, -1),
        Case("300-character class name", cls300, 0),
        Case("300-character section name and value", section300, -1),
        Case("300-character banner", banner300, 1),
        Case("10 000-character banner", banner10k, -1),
        Case("10 000-character INI operation", iniOp, -1),
        Case("300-character file to copy", copy300, 1),
        Case("10 000-character line without '='", line10k, -1),
    };
    ScriptCase commaCase = Case("directive of 10 000 commas", commas, -1);
    commaCase.afterSetup = {{"hostile.ini", "Shared", "list", "alpha beta gamma zeta"}};
    commaCase.afterPruninst = {{"hostile.ini", "Shared", "list", "alpha gamma"}};
    cases.push_back(commaCase);

    // Directive lines and fields beyond their buffers: skipped, never cut
    // (a cut name edits some other file, section or key; a cut word takes
    // out or puts in a word nobody named). The next directive still runs.
    struct Long {
        const char *name;
        std::string update, remove;
    };
    std::string f40(40, 'f'), s40(40, 's'), k40(40, 'k'), w40(40, 'w');
    std::vector<Long> longs = {
        {"300-character directive", "hostile.ini,Shared,list, ," + std::string(274, 'w'),
         "hostile.ini,Shared,list,alpha" + std::string(270, ' ') + ",x"},
        {"10 000-character directive", "hostile.ini,Shared,list, ,zeta," + x10k,
         "hostile.ini,Shared,list,alpha,," + x10k},
        {"40-character file name", f40 + ".ini,Shared,list, ,zeta", f40 + ".ini,Shared,list,alpha"},
        {"40-character section", "hostile.ini," + s40 + ",list, ,zeta", "hostile.ini," + s40 + ",list,alpha"},
        {"40-character key", "hostile.ini,Shared," + k40 + ", ,zeta", "hostile.ini,Shared," + k40 + ",alpha"},
        {"40-character words", "hostile.ini,Shared,list," + w40 + "," + w40,
         "hostile.ini,Shared,list,alpha" + w40 + ",x"},
        {"300-character file name", std::string(300, 'f') + ".ini,Shared,list, ,zeta",
         std::string(300, 'f') + ".ini,Shared,list,alpha"},
    };
    for (const Long &l : longs) {
        ScriptCase c = Case(l.name, WithDirectives(Directives({l.update, "hostile.ini,Other,key, ,omega"}),
                                                  Directives({l.remove, "hostile.ini,Other,key,value"})),
                            1);
        c.afterSetup = {{"hostile.ini", "Shared", "list", "alpha beta gamma"},
                        {"hostile.ini", "Other", "key", "value omega"}};
        c.afterPruninst = {{"hostile.ini", "Shared", "list", "alpha beta gamma"},
                           {"hostile.ini", "Other", "key", ""}};
        cases.push_back(c);
    }
    // A directive of 253 characters, text after its fifth field, is whole.
    std::string d253 = "hostile.ini,Shared,list,beta,zeta,";
    d253 += std::string(253 - d253.size(), 'p');
    std::string r253 = "hostile.ini,Shared,list,beta, ,";
    r253 += std::string(253 - r253.size(), 'p');
    ScriptCase fits = Case("directive of 253 characters", WithDirectives(Directives({d253}), Directives({r253})), 1);
    fits.afterSetup = {{"hostile.ini", "Shared", "list", "alpha gamma  zeta"}};
    fits.afterPruninst = {{"hostile.ini", "Shared", "list", "alpha gamma"}};
    cases.push_back(fits);
    RunAll("script: overlong", cases);
}

TEST(HostileScripts, MissingSections)
{
    std::string s = SampleScript();
    std::vector<ScriptCase> cases = {
        Case("no [Version]", DropSection(s, "Version"), 0),
        Case("no Class line", ReplaceOnce(s, "Class=QuorvixDevice\n", ""), 0),
        Case("no Signature line", ReplaceOnce(s, "Signature=\"$CHICAGO$\"\n", ""), -1),
        Case("no [ClassInstall]", DropSection(s, "ClassInstall"), 1),
        Case("no [WTQVX:WTQVX.DRV:PNP]", DropSection(s, "WTQVX:WTQVX.DRV:PNP"), 1),
        Case("no [ClassUnInstall]", DropSection(s, "ClassUnInstall"), 1),
        Case("no [Uninstall]", DropSection(s, "Uninstall"), 1),
        Case("no [QVXVersion]", DropSection(s, "QVXVersion"), 1),
        Case("no [Strings]", DropSection(s, "Strings"), 1),
        Case("no [DestinationDirs]", DropSection(s, "DestinationDirs"), 1),
        Case("no source disks", DropSection(DropSection(s, "SourceDisksNames"), "SourceDisksFiles"), 1),
        Case("referenced sections missing",
             DropSection(DropSection(DropSection(DropSection(s, "DriverFiles"), "DriverInis"), "ClassAddReg"),
                         "ClassFiles"),
             1),
        Case("only [Version]", "[Version]\nSignature=\"$CHICAGO$\"\nClass=QuorvixDevice\n", 1),
        Case("class in small letters", ReplaceOnce(s, "Class=QuorvixDevice", "Class=quorvixdevice"), 1),
        Case("[Version] twice, second of another class",
             s + "\n[Version]\nSignature=\"$CHICAGO$\"\nClass=Mouse\n", -1),
    };
    ScriptCase noUpdate = Case("no [MyUpdateIniFields]", DropSection(s, "MyUpdateIniFields"), 1);
    noUpdate.afterSetup = kListsUntouchedBySetup;
    noUpdate.afterPruninst = kSampleRemoved;
    cases.push_back(noUpdate);
    ScriptCase noRemove = Case("no [MyRemoveIniFields]", DropSection(s, "MyRemoveIniFields"), 1);
    noRemove.afterSetup = kSampleInstalled;
    noRemove.afterPruninst = kListsUntouchedByPruninst;
    cases.push_back(noRemove);
    RunAll("script: missing sections", cases);
}

TEST(HostileScripts, Numbering)
{
    struct Numbered {
        const char *name;
        std::string update, remove, afterSetup, afterPruninst;
    };
    const std::string add = "=hostile.ini,Shared,list, ,";
    const std::string take = "=hostile.ini,Shared,list,";
    std::vector<Numbered> list = {
        {"0 and 2, no 1", "0" + add + "zeta\n2" + add + "omega\n", "0" + take + "alpha\n2" + take + "gamma\n",
         "alpha beta gamma zeta", "beta gamma"},
        {"starting at 1", "1" + add + "zeta\n2" + add + "omega\n", "1" + take + "alpha\n", "alpha beta gamma",
         "alpha beta gamma"},
        {"00 and 01", "00" + add + "zeta\n01" + add + "omega\n", "00" + take + "alpha\n", "alpha beta gamma",
         "alpha beta gamma"},
        {"0 twice", "0" + add + "zeta\n0" + add + "omega\n", "0" + take + "alpha\n0" + take + "gamma\n",
         "alpha beta gamma zeta", "beta gamma"},
        {"empty 1 between 0 and 2", "0" + add + "zeta\n1=\n2" + add + "omega\n",
         "0" + take + "alpha\n1=\n2" + take + "gamma\n", "alpha beta gamma zeta", "beta gamma"},
        {"-1 and 4294967296 beside 0", "-1" + add + "omega\n0" + add + "zeta\n4294967296" + add + "omega\n",
         "-1" + take + "gamma\n0" + take + "alpha\n4294967296" + take + "gamma\n", "alpha beta gamma zeta",
         "beta gamma"},
        {"blanks around the number", " 0 " + add + "zeta\n", " 0 " + take + "alpha\n", "alpha beta gamma zeta",
         "beta gamma"},
        {"1 before 0", "1" + add + "omega\n0" + add + "zeta\n", "1" + take + "gamma\n0" + take + "alpha\n",
         "alpha beta gamma zeta omega", "beta "},
        {"malformed 0 before a good 1", "0=hostile.ini,Shared\n1" + add + "zeta\n",
         "0=,,,hostile.ini\n1" + take + "alpha\n", "alpha beta gamma zeta", "beta gamma"},
    };
    std::vector<ScriptCase> cases;
    for (const Numbered &n : list) {
        ScriptCase c = Case(n.name, WithDirectives(n.update, n.remove), 1);
        c.afterSetup = {{"hostile.ini", "Shared", "list", n.afterSetup}};
        std::string removed = n.afterPruninst;
        while (!removed.empty() && removed.back() == ' ')
            removed.pop_back();
        c.afterPruninst = {{"hostile.ini", "Shared", "list", removed}};
        cases.push_back(c);
    }
    RunAll("script: numbering", cases);
}

TEST(HostileScripts, ThousandsOfDirectives)
{
    const int kMany = 5000;
    std::vector<ScriptCase> cases;

    // Each directive takes the previous one's word out and puts its own in.
    std::string swap, removals;
    for (int n = 0; n < kMany; n++) {
        swap += std::to_string(n) + "=system.ini,boot,drivers," +
                (n ? "hw" + std::to_string(n - 1) : std::string("hwx")) + ",hw" + std::to_string(n) + "\n";
        removals += std::to_string(n) + "=system.ini,boot,drivers," +
                    (n == kMany - 1 ? std::string("wtqvx.drv") : "hw" + std::to_string(n)) + "\n";
    }
    ScriptCase chain = Case("5000 directives on one list", WithDirectives(swap, removals), 1);
    chain.afterSetup = {{"system.ini", "boot", "drivers",
                         std::string(kCleanDrivers) + "  hw" + std::to_string(kMany - 1)}};
    chain.afterPruninst = {{"system.ini", "boot", "drivers", "mmsystem.dll power.drv"}};
    cases.push_back(chain);

    // Malformed directives (two fields) are passed over; the one after them runs.
    std::string malformed;
    for (int n = 0; n < kMany; n++)
        malformed += std::to_string(n) + "=system.ini,boot\n";
    ScriptCase skip = Case("5000 malformed directives, then a good one",
                           WithDirectives(malformed + std::to_string(kMany) + "=hostile.ini,Shared,list, ,zeta\n",
                                          malformed + std::to_string(kMany) + "=hostile.ini,Shared,list,beta\n"),
                           1);
    skip.afterSetup = {{"hostile.ini", "Shared", "list", "alpha beta gamma zeta"}};
    skip.afterPruninst = {{"hostile.ini", "Shared", "list", "alpha gamma"}};
    cases.push_back(skip);

    // Words added until the list is full: no value is ever cut or overlong.
    std::string adds, drops;
    for (int n = 0; n < kMany; n++) {
        adds += std::to_string(n) + "=hostile.ini,Shared,list, ,w" + std::to_string(n) + "\n";
        drops += std::to_string(n) + "=hostile.ini,Shared,list,w" + std::to_string(n) + "\n";
    }
    ScriptCase full = Case("5000 words for one list", WithDirectives(adds, drops), 1);
    full.extra = [](unsigned, Findings &f) {
        char buf[1024];
        DWORD len = GetPrivateProfileStringA("Shared", "list", "", buf, sizeof buf, "hostile.ini");
        std::vector<std::string> w = Words(buf);
        if (len >= 254 || w.size() < 3 || w[0] != "alpha" || w[1] != "beta" || w[2] != "gamma")
            f.Wrong("list after 5000 additions: '" + Shorten(buf, 80) + "'");
        for (size_t i = 3; i < w.size(); i++)
            if (w[i] != "w" + std::to_string(i - 3))
                f.Wrong("word " + std::to_string(i) + " is '" + w[i] + "'");
    };
    full.afterPruninst = {{"hostile.ini", "Shared", "list", "alpha beta gamma"}};
    cases.push_back(full);

    // One new key each: the file grows to thousands of entries. (Each write
    // rewrites the whole file, so the time grows with the square of the
    // count: 5000 took 16 s here on a quiet machine, over 30 s on a busy one.)
    const int kKeys = 2000;
    std::string keys, keyDrops;
    for (int n = 0; n < kKeys; n++) {
        keys += std::to_string(n) + "=hostile.ini,Many,k" + std::to_string(n) + ", ,v" + std::to_string(n) + "\n";
        keyDrops += std::to_string(n) + "=hostile.ini,Many,k" + std::to_string(n) + ",v" + std::to_string(n) + "\n";
    }
    ScriptCase grow = Case("2000 new keys", WithDirectives(keys, keyDrops), 1);
    grow.afterSetup = {{"hostile.ini", "Many", "k0", "v0"},
                       {"hostile.ini", "Many", "k1999", "v1999"},
                       {"hostile.ini", "Shared", "list", "alpha beta gamma"}};
    grow.afterPruninst = {{"hostile.ini", "Many", "k0", "<absent>"},
                          {"hostile.ini", "Shared", "list", "alpha beta gamma"}};
    cases.push_back(grow);
    RunAll("script: thousands of directives", cases);
}
