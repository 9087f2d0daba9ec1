// The installer's run: the wizard settles the port, then the script's install
// sections copy the driver and apply their registry and INI operations.
#include "detect/detect.h"
#include "install/install.h"
#include "wizard/wizard.h"

#define CLASS_SECTION "ClassInstall"
#define DRIVER_SECTION "WTQVX:WTQVX.DRV:PNP"

static void WritePort(void)
{
    char port[16];
    wsprintfA(port, "%d", g_selectedPort);
    WritePrivateProfileStringA("Penrel Tablet Driver", "Com", port,
                               "wintab.ini");
    WritePrivateProfileStringA("tpadvx.386", "WTQVX", port, "system.ini");
}

int RunInstall(HWND owner, HINSTANCE instance)
{
    char dir[MAX_PATH];
    char script[MAX_PATH];
    if (!GetScriptPath(dir, script))
        return 0;
    ShowScriptBanner(owner, script, "PR-4417 Installer");

    HINF inf = OpenInstallScript(script);
    if (inf == INVALID_HANDLE_VALUE)
        return 0;
    // Only Finish goes on, and only with a port to record: the sheet
    // answers -1 when it cannot be made at all (a template or the common
    // controls failing, low memory), and Windows would then be told the
    // driver sits on port 0.
    INT_PTR finished = RunWizard(owner, instance);
    if (finished <= 0 || g_selectedPort < 1 || g_selectedPort > 8) {
        SetupCloseInfFile(inf);
        return 0;
    }
    HSPFILEQ queue;
    QueueContext context;
    if (!OpenFileQueue(owner, &queue, &context)) {
        SetupCloseInfFile(inf);
        RestoreMouseDevice();
        return 0;
    }

    // Windows must never be told about a driver whose files did not all
    // arrive: it would look for them at every start. Files this run copied
    // before the failure stay; without references they do no harm, and
    // deleting could take an older installation's working files.
    BOOL installed = FALSE;
    if (CopySectionFiles(owner, inf, queue, &context, dir, CLASS_SECTION,
                         DRIVER_SECTION)) {
        ApplyClassRegistry(owner, inf, CLASS_SECTION);
        installed = ApplyIniSection(owner, inf, DRIVER_SECTION);
        // The word-list edits run whatever the INI section's result.
        ApplyIniFieldEdits(script, "MyUpdateIniFields");
    }

    CloseFileQueue(queue, &context);
    SetupCloseInfFile(inf);

    if (installed) {
        WritePort();
        MouseDisable disable;
        if (LastMouseDisable(&disable))
            KeepMouseRecord(&disable);
        SetupPromptReboot(NULL, NULL, FALSE);
    } else {
        // The wizard's Finish may have disabled the serial mouse on the
        // tablet's port; without a working driver the user would be left
        // with no pointer at all.
        RestoreMouseDevice();
        MessageBoxA(owner, "Installation did not complete successfully!",
                    "Error", MB_OK);
    }
    return 1;
}
