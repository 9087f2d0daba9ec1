// The registry half of the serial-mouse lookup: the Plug and Play devices
// that Windows 95/98 has running, their hardware keys, and the I/O base of
// the serial port a pointing device sits on.
#include "detect/detect.h"

#define PATH_SIZE QVX_MOUSE_PATH_SIZE
#define ENTRY_NAME_SIZE 10
#define MATCH_LENGTH 6

// Reads the entry's "HardWareKey" into key (room bytes). Only a value that
// fits with its terminator counts; anything else leaves key empty.
static int ReadHardwareKey(HKEY list, const char *entry, char *key, DWORD room)
{
    key[0] = '\0';
    HKEY entryKey;
    if (RegOpenKeyExA(list, entry, 0, KEY_QUERY_VALUE, &entryKey) != ERROR_SUCCESS)
        return 0;
    DWORD size = room;
    LONG status = RegQueryValueExA(entryKey, "HardWareKey", NULL, NULL,
                                   (BYTE *)key, &size);
    RegCloseKey(entryKey);
    if (status != ERROR_SUCCESS || size == 0 || size > room || key[size - 1] != '\0') {
        key[0] = '\0';
        return 0;
    }
    return 1;
}

// A pointing device: the part of the hardware key after its first
// backslash begins with "*PNP0F" (a PnP mouse ID) or "Mouse\".
static int IsPointingDevice(const char *key)
{
    while (*key && *key != '\\')
        key++;
    if (*key != '\\')
        return 0;
    key++;
    char head[MATCH_LENGTH + 1];
    int i = 0;
    while (i < MATCH_LENGTH && key[i]) {
        head[i] = key[i];
        i++;
    }
    head[i] = '\0';
    return lstrcmpiA(head, "*PNP0F") == 0 || lstrcmpiA(head, "Mouse\\") == 0;
}

// The COM port whose I/O base the device's "ComInfo" names, or 0.
static int ReadComInfoPort(const char *path)
{
    HKEY device;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, &device) != ERROR_SUCCESS)
        return 0;
    BYTE info[4];
    DWORD size = sizeof info;
    LONG status = RegQueryValueExA(device, "ComInfo", NULL, NULL, info, &size);
    RegCloseKey(device);
    if (status != ERROR_SUCCESS || size != sizeof info)
        return 0;
    switch (info[0] | (info[1] << 8)) {
    case 0x3F8: return 1;
    case 0x2F8: return 2;
    case 0x3E8: return 3;
    case 0x2E8: return 4;
    }
    return 0;
}

// What the last disable changed, so that an installation that fails can
// give Windows back the pointer it had, and one that completes can leave a
// record for the uninstaller.
static MouseDisable s_disable;
static int s_disableSaved;

// Marks the device disabled in the current hardware profile.
static void DisableDevice(const char *path)
{
    s_disableSaved = 0;
    HKEY profile;
    DWORD disposition;
    if (RegCreateKeyExA(HKEY_CURRENT_CONFIG, path, 0, (LPSTR)"",
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL,
                        &profile, &disposition) != ERROR_SUCCESS)
        return;
    s_disable.size = sizeof s_disable.flags;
    LONG status = RegQueryValueExA(profile, "CSConfigFlags", NULL,
                                   &s_disable.type, s_disable.flags,
                                   &s_disable.size);
    // A value too large to keep is no flag word Windows wrote; it is not
    // put back.
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
        lstrcpynA(s_disable.path, path, sizeof s_disable.path);
        s_disable.keyCreated = disposition == REG_CREATED_NEW_KEY;
        s_disable.hadFlags = status == ERROR_SUCCESS;
        if (!s_disable.hadFlags)
            s_disable.size = 0;
        s_disableSaved = 1;
    }
    DWORD disabled = 1;  // CSCONFIGFLAG_DISABLED
    RegSetValueExA(profile, "CSConfigFlags", 0, REG_DWORD,
                   (const BYTE *)&disabled, sizeof disabled);
    RegCloseKey(profile);
}

void RestoreMouseDevice(void)
{
    if (!s_disableSaved)
        return;
    s_disableSaved = 0;
    UndoMouseDisable(&s_disable);
}

int LastMouseDisable(MouseDisable *disable)
{
    if (!s_disableSaved)
        return 0;
    *disable = s_disable;
    return 1;
}

int FindRegisteredMouse(int disable)
{
    char path[PATH_SIZE];
    lstrcpyA(path, QVX_ENUM_PREFIX);
    char *key = path + QVX_ENUM_PREFIX_LENGTH;

    HKEY list;
    if (RegOpenKeyExA(HKEY_DYN_DATA, "Config Manager\\Enum", 0, KEY_READ, &list) != ERROR_SUCCESS)
        return 0;

    // A PS/2 or bus mouse matches too but has no COM port: the walk goes
    // past it, so only a mouse on a serial port is ever reported or
    // disabled.
    int port = 0;
    for (DWORD index = 0; port == 0; index++) {
        char entry[ENTRY_NAME_SIZE];
        DWORD entrySize = sizeof entry;
        LONG status = RegEnumKeyExA(list, index, entry, &entrySize, NULL, NULL, NULL, NULL);
        if (status == ERROR_MORE_DATA)
            continue;  // a name too long for a device node: not one of ours
        if (status != ERROR_SUCCESS)
            break;
        if (!ReadHardwareKey(list, entry, key, PATH_SIZE - QVX_ENUM_PREFIX_LENGTH))
            continue;
        if (!IsPointingDevice(key))
            continue;
        port = ReadComInfoPort(path);
    }
    RegCloseKey(list);

    if (port != 0 && disable)
        DisableDevice(path);
    return port;
}
