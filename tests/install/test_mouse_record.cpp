// The record of the serial-mouse disable that a completed installation
// keeps in the device class key, and the removal's giving the mouse back
// from it, against the registry of the test prefix. A registry write that
// fails is played in-process.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "install/install.h"
#include "tests/fake_import.h"
#include "tests/support/test_support.h"

// The record value whose write fails (empty: none).
static std::string g_failWrite;

static LONG WINAPI FakeRegSetValueEx(HKEY key, LPCSTR name, DWORD reserved, DWORD type,
                                     const BYTE *data, DWORD size)
{
    if (name && g_failWrite == name)
        return ERROR_OUTOFMEMORY;
    typedef LONG(WINAPI * Fn)(HKEY, LPCSTR, DWORD, DWORD, const BYTE *, DWORD);
    static Fn real = (Fn)(void *)GetProcAddress(LoadLibraryA("advapi32.dll"), "RegSetValueExA");
    return real(key, name, reserved, type, data, size);
}
QVX_FAKE_IMPORT(RegSetValueExA, 24, FakeRegSetValueEx);

namespace {

const char kDevice[] = "Enum\\QVXTEST\\*PNP0F0C\\0000";
const char *const kRecordValues[] = {"DisabledMouse", "DisabledMouseNewKey",
                                     "DisabledMouseFlagsType", "DisabledMouseFlags"};

// "type:hex bytes" of the device's CSConfigFlags, "none" without the value,
// "no key" without the device's profile key.
std::string ProfileFlags()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_CONFIG, kDevice, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "no key";
    BYTE data[32];
    DWORD type = 0, size = sizeof data;
    LONG status = RegQueryValueExA(key, "CSConfigFlags", NULL, &type, data, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return "none";
    std::string out = std::to_string(type) + ":";
    char hex[4];
    for (DWORD i = 0; i < size; i++) {
        wsprintfA(hex, "%02x", data[i]);
        out += hex;
    }
    return out;
}

void SetProfileFlags(DWORD type, const std::string &bytes)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_CONFIG, kDevice, &key));
    RegSetValueExA(key, "CSConfigFlags", 0, type, (const BYTE *)bytes.data(), (DWORD)bytes.size());
    RegCloseKey(key);
}

// The record's values present in the class key, by name.
std::string RecordValues()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, QVX_CLASS_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "no class key";
    std::string out;
    for (const char *name : kRecordValues)
        if (RegQueryValueExA(key, name, NULL, NULL, NULL, NULL) == ERROR_SUCCESS)
            out += std::string(out.empty() ? "" : " ") + name;
    RegCloseKey(key);
    return out;
}

const std::string kDisabled("\x01\0\0\0", 4);
const std::string kEnabled("\0\0\0\0", 4);

// What the wizard's disable found on the device: no key, a key without the
// value, or the value with its type and bytes; then the disable itself.
MouseDisable Disable(bool keyThere, bool valueThere, DWORD type, const std::string &bytes)
{
    MouseDisable d;
    ZeroMemory(&d, sizeof d);
    lstrcpyA(d.path, kDevice);
    d.keyCreated = !keyThere;
    d.hadFlags = valueThere;
    if (valueThere) {
        d.type = type;
        d.size = (DWORD)bytes.size();
        CopyMemory(d.flags, bytes.data(), bytes.size());
    }
    SetProfileFlags(REG_DWORD, kDisabled);
    return d;
}

class MouseRecord : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_failWrite.clear();
        DeleteTree(HKEY_CURRENT_CONFIG, "Enum\\QVXTEST");
        DeleteTree(HKEY_LOCAL_MACHINE, QVX_CLASS_KEY);
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_LOCAL_MACHINE, QVX_CLASS_KEY, &key));
        RegCloseKey(key);
    }
    void TearDown() override
    {
        DeleteTree(HKEY_CURRENT_CONFIG, "Enum\\QVXTEST");
        DeleteTree(HKEY_LOCAL_MACHINE, QVX_CLASS_KEY);
    }
};

// Removal puts back what the disable found, with its type, and takes the
// record with it.
TEST_F(MouseRecord, RemovalGivesBackWhatTheDisableFound)
{
    const struct { const char *what; bool key, value; DWORD type; std::string bytes, after; } cases[] = {
        {"no profile key", false, false, 0, "", "no key"},
        {"a key without the value", true, false, 0, "", "none"},
        {"enabled, REG_DWORD", true, true, REG_DWORD, kEnabled, "4:00000000"},
        {"enabled, four binary bytes", true, true, REG_BINARY, kEnabled, "3:00000000"},
        {"another flag", true, true, REG_DWORD, std::string("\x04\0\0\0", 4), "4:04000000"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        if (c.key && !c.value) {
            HKEY key;
            RegCreateKeyA(HKEY_CURRENT_CONFIG, kDevice, &key);
            RegCloseKey(key);
        }
        MouseDisable d = Disable(c.key, c.value, c.type, c.bytes);
        KeepMouseRecord(&d);
        EXPECT_EQ("DisabledMouse DisabledMouseNewKey" +
                      std::string(c.value ? " DisabledMouseFlagsType DisabledMouseFlags" : ""),
                  RecordValues());
        GiveBackMouse();
        EXPECT_EQ(c.after, ProfileFlags());
        EXPECT_EQ("", RecordValues());
    }
}

// By the time of the removal Windows 95's registry may hold the disable's
// flag word as four binary bytes (Device Manager writes it so): still the
// disable, and given back. Any other word is a choice made since, and stays.
TEST_F(MouseRecord, DisableHeldAsBinaryBytesIsStillTheDisable)
{
    const struct { const char *what; DWORD type; std::string now, after; } cases[] = {
        {"disabled as binary", REG_BINARY, kDisabled, "4:00000000"},
        {"enabled since, as binary", REG_BINARY, kEnabled, "3:00000000"},
        {"another flag, as binary", REG_BINARY, std::string("\x02\0\0\0", 4), "3:02000000"},
        {"five binary bytes", REG_BINARY, std::string("\x01\0\0\0\0", 5), "3:0100000000"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        MouseDisable d = Disable(true, true, REG_DWORD, kEnabled);
        KeepMouseRecord(&d);
        SetProfileFlags(c.type, c.now);
        GiveBackMouse();
        EXPECT_EQ(c.after, ProfileFlags());
        EXPECT_EQ("", RecordValues());
    }
}

// A record is written whole or not at all: one without the value found
// would make the removal delete that value, one without its type would be
// unreadable. With any of its values unwritten there is no record, and the
// removal leaves the device as it is.
TEST_F(MouseRecord, ValueThatCannotBeWrittenLeavesNoRecord)
{
    for (const char *failing : kRecordValues) {
        SCOPED_TRACE(std::string("writing ") + failing + " fails");
        SetUp();
        MouseDisable d = Disable(true, true, REG_DWORD, kEnabled);
        g_failWrite = failing;
        KeepMouseRecord(&d);
        g_failWrite.clear();
        EXPECT_EQ("", RecordValues());
        GiveBackMouse();
        EXPECT_EQ("4:01000000", ProfileFlags());
    }
}

}  // namespace
