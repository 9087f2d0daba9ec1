// The installation wizard: six pages on a modal wizard sheet.
#include "wizard/wizard_pages.h"
#include "host/host.h"

int g_selectedPort;
int g_probeFound;
int g_disableMouse;
int g_deviceSetChoice;
int g_recoveryChoice;
int g_agreedMousePort;
HINSTANCE g_wizardInstance;

// Windows 95's comctl32 knows only the first-version page records. The
// sheet steps through the array by each record's dwSize, so the records
// must be laid out at exactly the size they declare: an array of the full,
// later structure marked with the first-version size is read at the wrong
// places from the second page on.
static void InitWizardPage(PROPSHEETPAGEA_V1 *page, HINSTANCE instance,
                           int templateId, DLGPROC proc)
{
    ZeroMemory(page, sizeof *page);
    page->dwSize = sizeof *page;
    page->dwFlags = PSP_DEFAULT;
    page->hInstance = instance;
    page->pszTemplate = MAKEINTRESOURCEA(templateId);
    page->pfnDlgProc = proc;
    page->lParam = 0;
}

INT_PTR RunWizard(HWND owner, HINSTANCE instance)
{
    static const struct { int templateId; DLGPROC proc; } pages[PAGE_COUNT] = {
        {IDD_WELCOME, WelcomePageProc},
        {IDD_PLUGTABLET, PlugTabletPageProc},
        {IDD_CONFIG, ConfigPageProc},
        {IDD_NOTDETECTED, NotDetectedPageProc},
        {IDD_MANUAL, ManualPageProc},
        {IDD_FINISH, FinishPageProc},
    };
    PROPSHEETPAGEA_V1 records[PAGE_COUNT];
    for (int i = 0; i < PAGE_COUNT; i++)
        InitWizardPage(&records[i], instance, pages[i].templateId, pages[i].proc);

    PROPSHEETHEADERA header;
    ZeroMemory(&header, sizeof header);
    header.dwSize = PROPSHEETHEADERA_V1_SIZE;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_WIZARD | PSH_NOAPPLYNOW;
    header.hwndParent = owner;
    header.hInstance = instance;
    header.pszCaption = "Product Install";
    header.nPages = PAGE_COUNT;
    header.nStartPage = 0;
    header.ppsp = (LPCPROPSHEETPAGEA)records;

    g_deviceSetChoice = IDC_TABLETONLY;
    g_recoveryChoice = IDC_RETRY;
    g_probeFound = 0;
    g_disableMouse = 0;
    g_selectedPort = 0;
    g_agreedMousePort = 0;
    g_wizardInstance = instance;
    return PropertySheetA(&header);
}
