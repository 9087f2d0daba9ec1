// The installation wizard and the state its pages share with the run.
#ifndef QVX_WIZARD_H
#define QVX_WIZARD_H

#include <windows.h>

// Wizard state: set by RunWizard on every call, read by the installation
// run after the sheet has closed.
extern int g_selectedPort;     // 1..8 = COMn; 0 none; below 0 not found
extern int g_probeFound;       // the latest port scan found the tablet
extern int g_disableMouse;     // disabling the serial mouse was agreed
extern int g_deviceSetChoice;  // 1029 tablet only, 1030 mouse and tablet
extern int g_recoveryChoice;   // 1021 retry, 1022 manual, 1023 abort

// Runs the modal wizard sheet; positive after Finish, 0 after Cancel or
// the abort choice.
INT_PTR RunWizard(HWND owner, HINSTANCE instance);

#endif
