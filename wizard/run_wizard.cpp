// The installation wizard: six pages on a modal wizard sheet.
#include "wizard/wizard_pages.h"
#include "host/host.h"

int g_selectedPort;
int g_probeFound;
int g_disableMouse;
int g_deviceSetChoice;
int g_recoveryChoice;
int g_agreedMousePort;

// Windows 95's comctl32 knows only the first-version records. The 64-bit
// build, used for tests under Wine, needs the full page record: with the
// first-version size there Wine's sheet loses the pages' answers.
#ifdef _WIN64
#define PAGE_RECORD_SIZE sizeof(PROPSHEETPAGEA)
#else
#define PAGE_RECORD_SIZE PROPSHEETPAGEA_V1_SIZE
#endif

static void InitWizardPage(PROPSHEETPAGEA *page, HINSTANCE instance,
                           int templateId, DLGPROC proc)
{
    ZeroMemory(page, sizeof *page);
    page->dwSize = PAGE_RECORD_SIZE;
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
    PROPSHEETPAGEA records[PAGE_COUNT];
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
    header.ppsp = records;

    g_deviceSetChoice = IDC_TABLETONLY;
    g_recoveryChoice = IDC_RETRY;
    g_probeFound = 0;
    g_disableMouse = 0;
    g_selectedPort = 0;
    g_agreedMousePort = 0;
    return PropertySheetA(&header);
}
