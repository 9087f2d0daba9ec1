// TEMPORARY: stands in for the wizard sheet until its pages exist. It shows
// nothing and ends as Finish would, with the tablet taken to be on COM1.
#include "wizard/wizard.h"

int g_selectedPort;
int g_probeFound;
int g_disableMouse;
int g_deviceSetChoice;
int g_recoveryChoice;

INT_PTR RunWizard(HWND, HINSTANCE)
{
    g_deviceSetChoice = 1029;
    g_recoveryChoice = 1021;
    g_probeFound = 0;
    g_disableMouse = 0;
    g_selectedPort = 1;
    WriteProfileStringA("Windows", "SkipMouseRedetect", "0");
    return 1;
}
