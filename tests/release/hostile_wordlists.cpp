// Hostile content in the INI files that the word-list edits touch: values at
// and beyond the read limit, lines without '=', duplicate keys and sections,
// binary junk, tabs, quotes, a directory in the file's place. Run through
// the installer's and the uninstaller's whole run.
#include <gtest/gtest.h>
#include <stdio.h>

#include "hostile_runs.h"

namespace {

std::string Directives(const std::vector<std::string> &lines)
{
    std::string body;
    for (size_t i = 0; i < lines.size(); i++)
        body += std::to_string(i) + "=" + lines[i] + "\n";
    return body;
}

FileFixture File(const std::string &name, const std::string &bytes)
{
    return FileFixture{name, bytes, false, false};
}

ScriptCase WordCase(const std::string &name, std::vector<FileFixture> files,
                    const std::vector<std::string> &update, const std::vector<std::string> &remove)
{
    ScriptCase c;
    c.name = name;
    c.script = WithSection(WithSection(SampleScript(), "MyUpdateIniFields", Directives(update)),
                           "MyRemoveIniFields", Directives(remove));
    c.opens = 1;
    c.programs = kBothPrograms;
    c.files = files;
    return c;
}

// "alpha beta gamma" and filler words, exactly length characters long.
std::string ListOfLength(size_t length)
{
    std::string list = "alpha beta gamma";
    for (int n = 0; list.size() + 6 <= length; n++) {
        char word[8];
        snprintf(word, sizeof word, " x%03d", n);
        list += word;
    }
    list += std::string(length - list.size(), 'y');
    return list;
}

std::string Without(const std::string &list, const std::string &word)
{
    std::string out;
    for (const std::string &w : Words(list))
        if (w != word)
            out += (out.empty() ? "" : " ") + w;
    return out;
}

std::string Shared(const std::string &list)
{
    return "[Shared]\r\nlist=" + list + "\r\n[Other]\r\nkey=value\r\n";
}

std::string SystemIni(const std::string &middle)
{
    return "[mci]\r\ncdaudio=mcicda.dll\r\n" + middle + "[boot]\r\ndrivers=" + kCleanDrivers +
           "\r\n[386Enh]\r\nPointing=" + kCleanPointing + "\r\n";
}

const std::vector<std::string> kSampleUpdate = {"system.ini,boot,drivers,qvxold.drv,wtqvx.drv",
                                                "system.ini,386Enh,Pointing, ,tpadvx.386"};
const std::vector<std::string> kSampleRemove = {"system.ini,boot,drivers,wtqvx.drv",
                                                "system.ini,386Enh,Pointing,tpadvx.386"};
// The sample's edits on the lists as SystemIni() holds them.
const std::vector<Expect> kSampleOnClean = {
    {"system.ini", "boot", "drivers", "mmsystem.dll power.drv  wtqvx.drv"},
    {"system.ini", "386Enh", "Pointing", "vmouse.386 msmouse.vxd tpadvx.386"}};
const std::vector<Expect> kRemovalOnClean = {
    {"system.ini", "boot", "drivers", kCleanDrivers},
    {"system.ini", "386Enh", "Pointing", kCleanPointing}};

const char kAddZeta[] = "hostile.ini,Shared,list, ,zeta";
const char kDropBeta[] = "hostile.ini,Shared,list,beta";
const char kSwapBeta[] = "hostile.ini,Shared,list,beta,zeta";

} // namespace

TEST(HostileWordLists, ValueLengths)
{
    std::vector<ScriptCase> cases;
    std::string l253 = ListOfLength(253);
    ScriptCase out253 = WordCase("253 characters, a word out", {File("hostile.ini", Shared(l253))},
                                 {kDropBeta}, {"hostile.ini,Shared,list,gamma"});
    out253.afterSetup = {{"hostile.ini", "Shared", "list", Without(l253, "beta")}};
    out253.afterPruninst = {{"hostile.ini", "Shared", "list", Without(l253, "gamma")}};
    cases.push_back(out253);
    // Longer values either stay as they are or are edited whole: a value
    // cut at the read limit would lose other software's words.
    for (size_t length : {253, 254, 255, 300, 2000}) {
        std::string list = ListOfLength(length);
        std::string n = std::to_string(length) + " characters";
        cases.push_back(WordCase(n + ", a word in", {File("hostile.ini", Shared(list))}, {kAddZeta},
                                 {kSwapBeta}));
        if (length != 253)
            cases.push_back(WordCase(n + ", a word out", {File("hostile.ini", Shared(list))},
                                     {kDropBeta}, {kSwapBeta}));
    }
    cases.push_back(WordCase("300-character single word", {File("hostile.ini", Shared(std::string(300, 'W')))},
                             {kAddZeta}, {kDropBeta}));
    ScriptCase word200 = WordCase("200-character single word",
                                  {File("hostile.ini", Shared(std::string(200, 'W')))}, {kAddZeta},
                                  {kDropBeta});
    word200.afterSetup = {{"hostile.ini", "Shared", "list", std::string(200, 'W') + " zeta"}};
    word200.afterPruninst = {{"hostile.ini", "Shared", "list", std::string(200, 'W')}};
    cases.push_back(word200);
    ScriptCase blanks = WordCase("300 blanks", {File("hostile.ini", Shared(std::string(300, ' ')))},
                                 {kAddZeta}, {kDropBeta});
    blanks.afterSetup = {{"hostile.ini", "Shared", "list", "zeta"}};
    blanks.afterPruninst = {{"hostile.ini", "Shared", "list", ""}};
    cases.push_back(blanks);
    for (const ScriptCase &c : cases)
        RunScriptCase("word lists: value lengths", c);
}

TEST(HostileWordLists, OddLines)
{
    std::vector<ScriptCase> cases;
    ScriptCase bare = WordCase(
        "lines without '='",
        {File("hostile.ini", "[Shared]\r\norphan line\r\nlist=alpha beta gamma\r\n; a comment\r\n"
                             "another bare line\r\nlist2\r\n[Other]\r\nkey=value\r\n")},
        {kAddZeta, "hostile.ini,Shared,list2, ,omega"}, {kDropBeta, "hostile.ini,Shared,list2,omega"});
    bare.afterSetup = {{"hostile.ini", "Shared", "list", "alpha beta gamma zeta"}};
    bare.afterPruninst = {{"hostile.ini", "Shared", "list", "alpha gamma"}};
    cases.push_back(bare);
    ScriptCase dup = WordCase("duplicate keys",
                              {File("hostile.ini", "[Shared]\r\nlist=alpha beta gamma\r\nlist=delta beta epsilon\r\n")},
                              {kSwapBeta}, {kDropBeta});
    dup.afterSetup = {{"hostile.ini", "Shared", "list", "alpha gamma  zeta"}};
    dup.afterPruninst = {{"hostile.ini", "Shared", "list", "alpha gamma"}};
    cases.push_back(dup);
    // The profile API shows only the first section of a name; the second
    // must come through the rewrite as it was.
    ScriptCase twice = WordCase("the section twice",
                                {File("hostile.ini", "[Shared]\r\nlist=alpha beta gamma\r\n[Other]\r\nkey=value\r\n"
                                                     "[Shared]\r\nlist=delta beta\r\nmore=x\r\n")},
                                {kSwapBeta}, {kDropBeta});
    twice.afterSetup = {{"hostile.ini", "Shared", "list", "alpha gamma  zeta"}};
    twice.afterPruninst = {{"hostile.ini", "Shared", "list", "alpha gamma"}};
    twice.extra = [](unsigned, Findings &f) {
        std::string bytes = ReadBytes(WindowsDir() + "\\hostile.ini");
        if (bytes.find("[Shared]\r\nlist=delta beta\r\nmore=x") == std::string::npos)
            f.Damage("the second [Shared] section changed: '" + Shorten(bytes, 200) + "'");
    };
    cases.push_back(twice);
    ScriptCase tabs = WordCase("tabs between words", {File("hostile.ini", Shared("alpha\tbeta\tgamma"))},
                               {kSwapBeta}, {kDropBeta});
    tabs.afterSetup = {{"hostile.ini", "Shared", "list", "alpha\tbeta\tgamma  zeta"}};
    tabs.afterPruninst = {{"hostile.ini", "Shared", "list", "alpha\tbeta\tgamma"}};
    cases.push_back(tabs);
    ScriptCase runs = WordCase("runs of blanks", {File("hostile.ini", Shared("alpha     beta   gamma"))},
                               {kSwapBeta}, {kDropBeta});
    runs.afterSetup = {{"hostile.ini", "Shared", "list", "alpha gamma  zeta"}};
    runs.afterPruninst = {{"hostile.ini", "Shared", "list", "alpha gamma"}};
    cases.push_back(runs);
    ScriptCase quoted = WordCase("quoted value", {File("hostile.ini", Shared("\"alpha beta gamma\""))},
                                 {kAddZeta}, {kDropBeta});
    quoted.afterSetup = {{"hostile.ini", "Shared", "list", "alpha beta gamma zeta"}};
    quoted.afterPruninst = {{"hostile.ini", "Shared", "list", "alpha gamma"}};
    cases.push_back(quoted);
    ScriptCase marks = WordCase("'=' and ';' inside the value", {File("hostile.ini", Shared("a=b ;c beta"))},
                                {kAddZeta}, {kDropBeta});
    marks.afterSetup = {{"hostile.ini", "Shared", "list", "a=b ;c beta zeta"}};
    marks.afterPruninst = {{"hostile.ini", "Shared", "list", "a=b ;c"}};
    cases.push_back(marks);
    ScriptCase upper = WordCase("names in other letter case, blanks around",
                                {File("system.ini", "[BOOT]\r\nDRIVERS = mmsystem.dll qvxold.drv power.drv \r\n"
                                                    "[386ENH]\r\n  pointing=vmouse.386 msmouse.vxd\r\n")},
                                kSampleUpdate, kSampleRemove);
    upper.afterSetup = kSampleOnClean;
    upper.afterPruninst = kRemovalOnClean;
    cases.push_back(upper);
    ScriptCase longLine = WordCase("10 000-character lines beside the list",
                                   {File("system.ini", "[boot]\r\njunk=" + std::string(10000, 'j') + "\r\n" +
                                                           std::string(10000, 'k') + "\r\ndrivers=" + kCleanDrivers +
                                                           "\r\n" + std::string(10000, 'l') + "\r\n[386Enh]\r\nPointing=" +
                                                           kCleanPointing + "\r\n")},
                                   kSampleUpdate, kSampleRemove);
    longLine.afterSetup = kSampleOnClean;
    longLine.afterPruninst = kRemovalOnClean;
    cases.push_back(longLine);
    for (const ScriptCase &c : cases)
        RunScriptCase("word lists: odd lines", c);
}

TEST(HostileWordLists, BinaryAndOddFiles)
{
    std::vector<ScriptCase> cases;
    for (unsigned seed : {11u, 12u, 13u}) {
        ScriptCase junk = WordCase("binary junk in system.ini, seed " + std::to_string(seed),
                                   {File("system.ini", SystemIni("\r\n" + RandomBytes(2048, seed) + "\r\n") +
                                                           RandomBytes(1024, seed + 100))},
                                   kSampleUpdate, kSampleRemove);
        junk.afterSetup = {kSampleOnClean[0]};
        junk.afterPruninst = {kRemovalOnClean[0]};
        cases.push_back(junk);
    }
    static const char kNulLine[] = "[boot]\r\ndrivers=mmsystem.dll\0hidden.drv qvxold.drv power.drv\r\n"
                                   "[386Enh]\r\nPointing=vmouse.386\r\n";
    // The profile API ends the value at the NUL; what follows it is out of
    // the programs' sight (logged, not judged).
    ScriptCase nul = WordCase("NUL inside the list's line",
                              {File("system.ini", std::string(kNulLine, sizeof kNulLine - 1))},
                              kSampleUpdate, kSampleRemove);
    nul.extra = [](unsigned, Findings &f) {
        std::string bytes = ReadBytes(WindowsDir() + "\\system.ini");
        size_t at = bytes.find("drivers=");
        f.note = "; file now holds '" + Shorten(at == std::string::npos ? "" : bytes.substr(at, 60)) + "'";
    };
    cases.push_back(nul);
    std::string utf16 = "\xFF\xFE";
    for (char ch : Shared("alpha beta gamma"))
        utf16 += std::string{ch, '\0'};
    cases.push_back(WordCase("UTF-16 INI file", {File("hostile.ini", utf16)}, {kSwapBeta}, {kDropBeta}));
    ScriptCase big = WordCase("1 MB system.ini", {File("system.ini", [] {
                                  std::string middle;
                                  for (int n = 0; n < 4000; n++)
                                      middle += "[S" + std::to_string(n) + "]\r\nk=v" + std::to_string(n) + " " +
                                                std::string(240, 'p') + "\r\n";
                                  return SystemIni(middle);
                              }())},
                              kSampleUpdate, kSampleRemove);
    big.afterSetup = kSampleOnClean;
    big.afterPruninst = kRemovalOnClean;
    cases.push_back(big);

    ScriptCase dir = WordCase("INI file that is a directory", {FileFixture{"hostdir.ini", "", true, false}},
                              {"hostdir.ini,Shared,list, ,zeta"}, {"hostdir.ini,Shared,list,zeta"});
    dir.extra = [](unsigned, Findings &f) {
        DWORD attr = GetFileAttributesA((WindowsDir() + "\\hostdir.ini").c_str());
        if (attr == INVALID_FILE_ATTRIBUTES || !(attr & FILE_ATTRIBUTE_DIRECTORY))
            f.Damage("the directory hostdir.ini is gone");
    };
    cases.push_back(dir);

    for (const ScriptCase &c : cases)
        RunScriptCase("word lists: binary and odd files", c);
}
