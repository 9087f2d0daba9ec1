// The record of the serial-mouse disable that a completed installation
// keeps in the tablet's device class key, where the installed uninstaller
// finds it once the driver disk is gone; the uninstaller gives the mouse
// back from it before the class key goes.
#include "install/install.h"

// The device's key in the current hardware profile (its presence is the
// record's), whether the disable created that key, and the "CSConfigFlags"
// value found there, as its type and bytes (both absent when there was
// none).
#define RECORD_PATH "DisabledMouse"
#define RECORD_NEW_KEY "DisabledMouseNewKey"
#define RECORD_TYPE "DisabledMouseFlagsType"
#define RECORD_FLAGS "DisabledMouseFlags"

static int ReadDword(HKEY key, const char *name, DWORD *value)
{
    DWORD type = 0, size = sizeof *value;
    return RegQueryValueExA(key, name, NULL, &type, (BYTE *)value, &size) ==
               ERROR_SUCCESS &&
           type == REG_DWORD && size == sizeof *value;
}

// Reads the record; 0 when there is none or it is damaged. A record names
// a device key of the profile's Enum tree, and nothing else is ever taken
// back from it.
static int ReadRecord(HKEY classKey, MouseDisable *disable)
{
    ZeroMemory(disable, sizeof *disable);
    DWORD type = 0, size = sizeof disable->path;
    if (RegQueryValueExA(classKey, RECORD_PATH, NULL, &type,
                         (BYTE *)disable->path, &size) != ERROR_SUCCESS ||
        type != REG_SZ || size == 0 || disable->path[size - 1] != '\0')
        return 0;
    char head[QVX_ENUM_PREFIX_LENGTH + 1];
    lstrcpynA(head, disable->path, sizeof head);
    if (lstrcmpiA(head, QVX_ENUM_PREFIX) != 0)
        return 0;
    DWORD created;
    if (!ReadDword(classKey, RECORD_NEW_KEY, &created))
        return 0;
    disable->keyCreated = created != 0;
    size = sizeof disable->flags;
    LONG status = RegQueryValueExA(classKey, RECORD_FLAGS, NULL, &type,
                                   disable->flags, &size);
    if (status == ERROR_FILE_NOT_FOUND)
        return 1;
    if (status != ERROR_SUCCESS || type != REG_BINARY ||
        !ReadDword(classKey, RECORD_TYPE, &disable->type))
        return 0;
    disable->hadFlags = 1;
    disable->size = size;
    return 1;
}

static void DeleteRecord(HKEY classKey)
{
    RegDeleteValueA(classKey, RECORD_PATH);
    RegDeleteValueA(classKey, RECORD_NEW_KEY);
    RegDeleteValueA(classKey, RECORD_TYPE);
    RegDeleteValueA(classKey, RECORD_FLAGS);
}

void KeepMouseRecord(const MouseDisable *disable)
{
    HKEY classKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, QVX_CLASS_KEY, 0, KEY_ALL_ACCESS,
                      &classKey) != ERROR_SUCCESS)
        return;
    // Installed again over an installation: the mouse is disabled by the
    // first one, and only its record knows how it was before that.
    MouseDisable first;
    if (!ReadRecord(classKey, &first)) {
        DeleteRecord(classKey);
        DWORD created = disable->keyCreated ? 1 : 0;
        int written = RegSetValueExA(classKey, RECORD_NEW_KEY, 0, REG_DWORD,
                                     (const BYTE *)&created,
                                     sizeof created) == ERROR_SUCCESS;
        if (written && disable->hadFlags)
            written = RegSetValueExA(classKey, RECORD_TYPE, 0, REG_DWORD,
                                     (const BYTE *)&disable->type,
                                     sizeof disable->type) == ERROR_SUCCESS &&
                      RegSetValueExA(classKey, RECORD_FLAGS, 0, REG_BINARY,
                                     disable->flags,
                                     disable->size) == ERROR_SUCCESS;
        // Last, and only over a whole record: one without the value found
        // would delete that value at the removal. Without the path the
        // rest is no record either, and goes.
        if (written)
            written = RegSetValueExA(classKey, RECORD_PATH, 0, REG_SZ,
                                     (const BYTE *)disable->path,
                                     lstrlenA(disable->path) + 1) == ERROR_SUCCESS;
        if (!written)
            DeleteRecord(classKey);
    }
    RegCloseKey(classKey);
}

void GiveBackMouse(void)
{
    HKEY classKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, QVX_CLASS_KEY, 0, KEY_ALL_ACCESS,
                      &classKey) != ERROR_SUCCESS)
        return;
    MouseDisable disable;
    if (ReadRecord(classKey, &disable)) {
        UndoMouseDisable(&disable);
        // Taken back once: should the class key outlive this run, a later
        // removal must not act on it again.
        DeleteRecord(classKey);
    }
    RegCloseKey(classKey);
}
