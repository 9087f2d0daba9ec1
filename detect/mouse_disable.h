// What disabling a serial mouse in the current hardware profile changed,
// and taking it back. Both programs carry this: the installer to give the
// mouse back when its installation does not complete, the uninstaller when
// the driver is removed.
#ifndef QVX_MOUSE_DISABLE_H
#define QVX_MOUSE_DISABLE_H

#include <windows.h>

// A device's key in a hardware profile: its hardware key under this prefix.
#define QVX_ENUM_PREFIX "Enum\\"
#define QVX_ENUM_PREFIX_LENGTH 5
// The prefix and the device's hardware key.
#define QVX_MOUSE_PATH_SIZE 100
// A "CSConfigFlags" value larger than this is no flag word Windows wrote.
#define QVX_MOUSE_FLAGS_SIZE 16

struct MouseDisable {
    char path[QVX_MOUSE_PATH_SIZE];  // the device's key under HKEY_CURRENT_CONFIG
    int keyCreated;                  // the disable created that key
    int hadFlags;                    // "CSConfigFlags" was there before,
    DWORD type;                      // with this type
    BYTE flags[QVX_MOUSE_FLAGS_SIZE];
    DWORD size;                      // and these bytes
};

// Puts the device's profile back as the disable found it: the value that
// was there comes back with its type and data, one that was not goes, and
// so does a key the disable created and nothing has filled since. Only
// while the device is still disabled as the disable left it: a setting
// changed since (the device enabled or removed, another value) stays.
void UndoMouseDisable(const MouseDisable *disable);

#endif
