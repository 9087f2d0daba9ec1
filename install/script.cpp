// Finding and opening the installation script beside the program.
#include "install/install.h"

int GetScriptPath(char *dir, char *script)
{
    script[0] = '\0';
    if (!GetProgramDir(dir, MAX_PATH))
        return 0;
    if (lstrlenA(dir) + lstrlenA(QVX_SCRIPT_NAME) >= MAX_PATH)
        return 0;
    lstrcpyA(script, dir);
    lstrcatA(script, QVX_SCRIPT_NAME);
    return 1;
}

void ShowScriptBanner(HWND owner, const char *script, const char *caption)
{
    char banner[80];
    GetPrivateProfileStringA("QVXVersion", "Cycle", "", banner, sizeof banner,
                             script);
    if (banner[0])
        MessageBoxA(owner, banner, caption, MB_OK);
}

HINF OpenInstallScript(const char *script)
{
    UINT errorLine;
    HINF inf = SetupOpenInfFileA(script, QVX_CLASS_NAME, INF_STYLE_WIN4,
                                 &errorLine);
    if (inf == INVALID_HANDLE_VALUE)
        return inf;
    // Some setupapi versions (Wine's among them) ignore the class argument;
    // a script meant for another device must never be carried out.
    char cls[64];
    if (!SetupGetLineTextA(NULL, inf, "Version", "Class", cls, sizeof cls,
                           NULL) ||
        lstrcmpiA(cls, QVX_CLASS_NAME) != 0) {
        SetupCloseInfFile(inf);
        return INVALID_HANDLE_VALUE;
    }
    return inf;
}

void ApplyClassRegistry(HWND owner, HINF inf, const char *section)
{
    HKEY classKey;
    DWORD disposition;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, QVX_CLASS_KEY, 0, NULL, 0,
                        KEY_ALL_ACCESS, NULL, &classKey,
                        &disposition) != ERROR_SUCCESS)
        return;
    SetupInstallFromInfSectionA(owner, inf, section, SPINST_REGISTRY,
                                classKey, NULL, 0, NULL, NULL, NULL, NULL);
    RegCloseKey(classKey);
}

BOOL ApplyIniSection(HWND owner, HINF inf, const char *section)
{
    // Some setupapi versions (Wine's) report success for a section that is
    // not there; the run would then record a port and offer a restart for
    // a driver it never installed.
    if (SetupGetLineCountA(inf, section) < 0)
        return FALSE;
    return SetupInstallFromInfSectionA(owner, inf, section, SPINST_INIFILES,
                                       NULL, NULL, 0, NULL, NULL, NULL, NULL);
}
