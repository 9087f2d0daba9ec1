// The uninstaller's run: the word-list removals first (they need only the
// profile API), then the script's removal sections through the Setup API,
// the serial mouse the installation disabled, the device class key, and the
// request to detect the mouse again.
#include "uninstall/uninstall.h"
#include "install/install.h"

#define CLASS_SECTION "ClassUnInstall"
#define DRIVER_SECTION "Uninstall"

int RunUninstall(HWND owner)
{
    char dir[MAX_PATH];
    char script[MAX_PATH];
    if (!GetScriptPath(dir, script))
        return 0;
    ShowScriptBanner(owner, script, "PR-4417 Uninstaller");

    // Before the script is opened as an INF, so that the shared lists are
    // cleaned even when the rest cannot run.
    ApplyIniFieldEdits(script, "MyRemoveIniFields");

    HINF inf = OpenInstallScript(script);
    if (inf == INVALID_HANDLE_VALUE)
        return 0;
    HSPFILEQ queue;
    QueueContext context;
    if (!OpenFileQueue(owner, &queue, &context)) {
        SetupCloseInfFile(inf);
        return 0;
    }

    // Files that cannot be deleted now go at the restart; the removal goes
    // on whatever the queue's result.
    CopySectionFiles(owner, inf, queue, &context, dir, CLASS_SECTION,
                     DRIVER_SECTION);

    // The serial mouse that the installation disabled comes back before
    // the class key that holds the record goes, whether the script's
    // removal section or the key's deletion would take it.
    GiveBackMouse();
    ApplyClassRegistry(owner, inf, CLASS_SECTION);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, QVX_CLASS_KEY);

    BOOL removed = ApplyIniSection(owner, inf, DRIVER_SECTION);

    CloseFileQueue(queue, &context);
    SetupCloseInfFile(inf);

    // The tablet no longer stands in for a mouse: let Windows look again,
    // whether or not the removal completed.
    WriteProfileStringA("Windows", "SkipMouseRedetect", "1");

    if (removed)
        SetupPromptReboot(NULL, NULL, FALSE);
    else
        MessageBoxA(owner, "Uninstallation did not complete successfully!",
                    "Error", MB_OK);
    return 1;
}
