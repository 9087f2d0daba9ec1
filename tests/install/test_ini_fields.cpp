// Word-list edits against real INI files in a temporary directory.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "install/install.h"

namespace {

const char *kAbsent = "<absent>";

class IniFields : public ::testing::Test {
protected:
    // Directive fields hold at most 31 characters, so the edited file is
    // named bare (it lives in the Windows directory) as in real scripts.
    std::string dir, ini = "qvxtest.ini", iniPath, script;

    void SetUp() override
    {
        char tmp[MAX_PATH];
        GetTempPathA(sizeof tmp, tmp);
        dir = std::string(tmp) + "qvx-ini-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        CreateDirectoryA(dir.c_str(), NULL);
        char win[MAX_PATH];
        GetWindowsDirectoryA(win, sizeof win);
        iniPath = std::string(win) + "\\" + ini;
        script = dir + "\\setup.ini";
        DeleteFileA(iniPath.c_str());
        DeleteFileA(script.c_str());
    }
    void TearDown() override
    {
        WritePrivateProfileStringA(NULL, NULL, NULL, ini.c_str());
        DeleteFileA(iniPath.c_str());
        DeleteFileA(script.c_str());
        RemoveDirectoryA(dir.c_str());
    }

    void Put(const char *value, const char *key = "drivers")
    {
        WritePrivateProfileStringA("boot", key, value, ini.c_str());
    }
    std::string Get(const char *key = "drivers")
    {
        char buf[1024];
        GetPrivateProfileStringA("boot", key, kAbsent, buf, sizeof buf,
                                 ini.c_str());
        return buf;
    }
    // The directive for the test file: "<ini>,boot,drivers" + tail.
    void Edit(const std::string &tail)
    {
        EditIniField((ini + ",boot,drivers" + tail).c_str());
    }
    std::string Words(int count, const char *stem)
    {
        std::string s;
        for (int i = 0; i < count; i++)
            s += (i ? " " : "") + std::string(stem) + std::to_string(i);
        return s;
    }
};

// The profile API drops trailing blanks when it reads a value back, so the
// blank that a removal leaves at the end is not visible here; the words and
// the separators between them are.
TEST_F(IniFields, ExamplesOfRemovingAndAdding)
{
    struct Row { const char *before, *tail, *after; } rows[] = {
        {"a b c", ",b", "a c"},
        {"a b c", ", ,d", "a b c d"},
        {"a b c", ", ,B", "a b c"},
        {"a b c", ",b,d", "a c  d"},
        {nullptr, ",b,d", "d"},
        {nullptr, ",b", kAbsent},
        {"a b", "", ""},
        {"a b", ", , ", ""},
    };
    for (const Row &r : rows) {
        WritePrivateProfileStringA("boot", NULL, NULL, ini.c_str());
        if (r.before)
            Put(r.before);
        Edit(r.tail);
        EXPECT_EQ(Get(), r.after) << "before '" << (r.before ? r.before : "(absent)")
                                  << "' directive tail '" << r.tail << "'";
    }
}

TEST_F(IniFields, AdjacentCommasAreOneSeparator)
{
    Put("mmsystem.dll x.drv power.drv");
    Edit(",,x.drv");   // x.drv is the word to remove, there is no add word
    EXPECT_EQ(Get(), "mmsystem.dll power.drv");
    Edit(", ,x.drv");  // a blank between the commas: x.drv is added
    EXPECT_EQ(Get(), "mmsystem.dll power.drv x.drv");
}

TEST_F(IniFields, RemovalMatchesWholeWordsWithoutRegardToCase)
{
    Put("X.DRV x.drvy  a x.Drv");
    Edit(",x.drv");
    EXPECT_EQ(Get(), "x.drvy a");
}

TEST_F(IniFields, LeadingBlanksDroppedTrailingBlanksKept)
{
    Put("a b c");
    EditIniField(("  " + ini + ",  boot,   drivers,   b").c_str());
    EXPECT_EQ(Get(), "a c");
    // A trailing blank stays part of the word, which then matches nothing.
    Put("a b c");
    Edit(",b ");
    EXPECT_EQ(Get(), "a b c");
}

TEST_F(IniFields, MalformedDirectivesChangeNothing)
{
    Put("a b c");
    EditIniField("");
    EditIniField((ini + ",boot").c_str());
    EditIniField((ini + ", ,drivers,b").c_str());       // blank section
    EXPECT_EQ(Get(), "a b c");
}

TEST_F(IniFields, SectionStopsAtTheFirstGapInTheNumbering)
{
    Put("a b c");
    WritePrivateProfileStringA("MyUpdateIniFields", "0",
                               (ini + ",boot,drivers, ,d").c_str(), script.c_str());
    WritePrivateProfileStringA("MyUpdateIniFields", "2",
                               (ini + ",boot,drivers, ,e").c_str(), script.c_str());
    ApplyIniFieldEdits(script.c_str(), "MyUpdateIniFields");
    EXPECT_EQ(Get(), "a b c d");
}

TEST_F(IniFields, MalformedEntryDoesNotStopTheSection)
{
    Put("a b c");
    WritePrivateProfileStringA("MyRemoveIniFields", "0", "junk", script.c_str());
    WritePrivateProfileStringA("MyRemoveIniFields", "1",
                               (ini + ",boot,drivers,a").c_str(), script.c_str());
    ApplyIniFieldEdits(script.c_str(), "MyRemoveIniFields");
    EXPECT_EQ(Get(), "b c");
    ApplyIniFieldEdits((dir + "\\missing.ini").c_str(), "MyRemoveIniFields");
    EXPECT_EQ(Get(), "b c");
}

// A long list may have been cut by the 254-character read; writing it back
// would destroy the words beyond the cut.
TEST_F(IniFields, ValueThatFillsTheReadIsLeftAlone)
{
    std::string longList = Words(40, "driver");   // well over 254 characters
    ASSERT_GT(longList.size(), 254u);
    Put(longList.c_str());
    Edit(",driver3,new.drv");
    EXPECT_EQ(Get(), longList);

    std::string exact(254, 'w');                   // exactly fills the read
    Put(exact.c_str());
    Edit(", ,new.drv");
    EXPECT_EQ(Get(), exact);
}

TEST_F(IniFields, EditThatWouldNotFitIsSkipped)
{
    std::string list(240, 'w');
    Put(list.c_str());
    Edit(", ,abcdefghijklmnopqrstuvwxyz.drv");  // 241 + 30 characters
    EXPECT_EQ(Get(), list);
    Edit(", ,short.drv");                       // still fits: added
    EXPECT_EQ(Get(), list + " short.drv");
}

TEST_F(IniFields, FieldsLongerThan31CharactersSkipTheDirective)
{
    Put("a b c");
    std::string word32(32, 'x'), word31(31, 'y');
    Edit(", ," + word32);
    EXPECT_EQ(Get(), "a b c");
    EditIniField((ini + ",boot," + std::string(40, 'k') + ", ,z").c_str());
    EXPECT_EQ(Get(std::string(31, 'k').c_str()), kAbsent);
    Edit(", ," + word31);
    EXPECT_EQ(Get(), "a b c " + word31);
}

TEST_F(IniFields, OtherSectionsAndKeysAreUntouched)
{
    Put("a b c");
    Put("a b c", "other");
    WritePrivateProfileStringA("extra", "drivers", "a b c", ini.c_str());
    Edit(",a,z");
    EXPECT_EQ(Get(), "b c  z");
    EXPECT_EQ(Get("other"), "a b c");
    char buf[64];
    GetPrivateProfileStringA("extra", "drivers", "", buf, sizeof buf, ini.c_str());
    EXPECT_STREQ(buf, "a b c");
}

}  // namespace
