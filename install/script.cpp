// Finding and opening the installation script beside the program.
#include "install/install.h"

int GetProgramDir(char *dir, int size)
{
    DWORD len = GetModuleFileNameA(NULL, dir, (DWORD)size);
    if (len == 0 || len >= (DWORD)size) {
        dir[0] = '\0';
        return 0;
    }
    char *cut = dir;
    for (char *p = dir; *p; p++)
        if (*p == '\\')
            cut = p + 1;
    *cut = '\0';
    return 1;
}

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

UINT CALLBACK QueueFileCallback(PVOID context, UINT notification,
                                UINT_PTR param1, UINT_PTR param2)
{
    // A driver file in use cannot be deleted; pass over it without asking.
    if (notification == SPFILENOTIFY_DELETEERROR)
        return FILEOP_SKIP;
    return SetupDefaultQueueCallbackA(*(PVOID *)context, notification, param1,
                                      param2);
}
