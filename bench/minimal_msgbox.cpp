// The smallest start-up peer for setup.exe: a Win32 program that shows one
// message box and ends. Built like the product (no C runtime, own entry) so
// the two differ only in what they do before their first window.
#include <windows.h>

extern "C" void WinMainCRTStartup(void)
{
    MessageBoxA(NULL, "Minimal program", "Minimal", MB_OK);
    ExitProcess(0);
}
