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

int OpenFileQueue(HWND owner, HSPFILEQ *queue, PVOID *context)
{
    *queue = SetupOpenFileQueue();
    if (*queue == NULL || *queue == INVALID_HANDLE_VALUE)
        return 0;
    *context = SetupInitDefaultQueueCallbackEx(owner, NULL, 0, 0, NULL);
    if (*context == NULL) {
        SetupCloseFileQueue(*queue);
        return 0;
    }
    return 1;
}

void CloseFileQueue(HSPFILEQ queue, PVOID context)
{
    SetupTermDefaultQueueCallback(context);
    SetupCloseFileQueue(queue);
}

void CopySectionFiles(HWND owner, HINF inf, HSPFILEQ queue, PVOID *context,
                      const char *dir, const char *first, const char *second)
{
    // Only the second section's result decides whether the queue is
    // committed: the first one may have no file operations at all.
    SetupInstallFilesFromInfSectionA(inf, NULL, queue, first, dir,
                                     QVX_COPY_NEWER);
    if (SetupInstallFilesFromInfSectionA(inf, NULL, queue, second, dir,
                                         QVX_COPY_NEWER))
        SetupCommitFileQueueA(owner, queue, QueueFileCallback, context);
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

// A folder that the last deleted file left empty (the installed
// uninstaller's, removed from the driver disk) goes too; RemoveDirectoryA
// removes only an empty one, so nothing else can be lost.
static void RemoveEmptyFolderOf(const char *path)
{
    char folder[MAX_PATH];
    if (lstrlenA(path) >= MAX_PATH)
        return;
    lstrcpyA(folder, path);
    char *cut = NULL;
    for (char *p = folder; *p; p++)
        if (*p == '\\')
            cut = p;
    if (!cut || cut == folder || cut[-1] == ':')
        return;
    *cut = '\0';
    RemoveDirectoryA(folder);
}

UINT CALLBACK QueueFileCallback(PVOID context, UINT notification,
                                UINT_PTR param1, UINT_PTR param2)
{
    const FILEPATHS_A *paths = (const FILEPATHS_A *)param1;
    switch (notification) {
    case SPFILENOTIFY_DELETEERROR:
        // A file in use (the running uninstaller, a driver Windows holds)
        // cannot be deleted now: Windows deletes it at the restart the run
        // asks for, and the queue goes on without asking the user.
        if (paths && paths->Target)
            DeleteAtRestart(paths->Target);
        return FILEOP_SKIP;
    case SPFILENOTIFY_ENDDELETE:
        if (paths && paths->Target &&
            GetFileAttributesA(paths->Target) == 0xFFFFFFFF)
            RemoveEmptyFolderOf(paths->Target);
        break;
    case SPFILENOTIFY_ENDCOPY:
        // Installed again before the restart that was to delete it (removed,
        // then set up again without restarting): the file must stay.
        if (paths && paths->Target && paths->Win32Error == NO_ERROR)
            KeepAtRestart(paths->Target);
        break;
    }
    return SetupDefaultQueueCallbackA(*(PVOID *)context, notification, param1,
                                      param2);
}
