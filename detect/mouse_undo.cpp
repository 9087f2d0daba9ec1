// Taking back the disable of a serial mouse in the current hardware profile.
#include "detect/mouse_disable.h"

#define CSCONFIGFLAG_DISABLED 1

void UndoMouseDisable(const MouseDisable *disable)
{
    HKEY profile;
    if (RegOpenKeyExA(HKEY_CURRENT_CONFIG, disable->path, 0, KEY_ALL_ACCESS,
                      &profile) != ERROR_SUCCESS)
        return;
    // Anything but the disable's own value is a choice made since, in
    // Device Manager or by another program. The same flag word stored as
    // four binary bytes means the same.
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExA(profile, "CSConfigFlags", NULL, &type, (BYTE *)&value,
                         &size) != ERROR_SUCCESS ||
        (type != REG_DWORD && type != REG_BINARY) || size != sizeof value ||
        value != CSCONFIGFLAG_DISABLED) {
        RegCloseKey(profile);
        return;
    }
    if (disable->hadFlags)
        RegSetValueExA(profile, "CSConfigFlags", 0, disable->type,
                       disable->flags, disable->size);
    else
        RegDeleteValueA(profile, "CSConfigFlags");
    DWORD subkeys = 1, values = 1;
    RegQueryInfoKeyA(profile, NULL, NULL, NULL, &subkeys, NULL, NULL, &values,
                     NULL, NULL, NULL, NULL);
    RegCloseKey(profile);
    // Only a key the disable created and nothing has filled since goes:
    // Windows 95 would delete a key's subkeys with it.
    if (disable->keyCreated && subkeys == 0 && values == 0)
        RegDeleteKeyA(HKEY_CURRENT_CONFIG, disable->path);
}
