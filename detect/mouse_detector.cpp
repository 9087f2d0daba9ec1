// The detector half of the serial-mouse lookup: the external detector
// ptrsniff.exe, started from the program directory, writes the mouse's
// port into the section "Mouse" of qvxinst.ini in the Windows directory.
#include "detect/detect.h"
#include "host/program_dir.h"

#define DETECTOR_NAME "ptrsniff.exe"
#define ANSWER_FILE "qvxinst.ini"
#define ANSWER_SECTION "Mouse"
#define ANSWER_KEY "DetectedPort"

// Starts the detector hidden and returns its process handle, or NULL.
// CreateProcessA rather than WinExec: WinExec waits until the started
// program first waits for input, so a detector that never does would hold
// the wizard, unpainted, for WinExec's own time-out of 30 s or more.
static HANDLE StartDetector(char *command)
{
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL,
                        &startup, &process))
        return NULL;
    CloseHandle(process.hThread);
    return process.hProcess;
}

// Reads the answer file into answer (5 bytes) until the detector has
// written a value, the detector has ended without one, or limit
// milliseconds have passed since start, dispatching the thread's messages
// meanwhile so that the wizard repaints. Between two looks the thread
// sleeps until a message comes, the detector ends or the poll interval is
// over. Returns 1 when an answer came, 0 when the wait gave up.
static int WaitForAnswer(HANDLE detector, DWORD start, DWORD limit,
                         char *answer)
{
    int ended = 0;
    for (;;) {
        GetPrivateProfileStringA(ANSWER_SECTION, ANSWER_KEY, "", answer, 5,
                                 ANSWER_FILE);
        if (answer[0] != '\0')
            return 1;
        // Its answer is written before it ends: one more look came up empty.
        if (ended)
            return 0;
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            // A quit request belongs to the loop outside this wait: put it
            // back for that loop and stop waiting.
            if (msg.message == WM_QUIT) {
                PostQuitMessage((int)msg.wParam);
                return 0;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            // A queue that keeps refilling must not hold the wait past
            // its limit.
            if (GetTickCount() - start >= limit)
                return 0;
        }
        if (GetTickCount() - start >= limit)
            return 0;
        if (MsgWaitForMultipleObjects(1, &detector, FALSE, QVX_DETECTOR_POLL,
                                      QS_ALLINPUT) == WAIT_OBJECT_0)
            ended = 1;
    }
}

// Ends a detector that is still running once the wait has given up on it:
// left alone it could write its answer after the section is deleted (to be
// read by a later lookup as its own) and go on holding COM ports.
static void StopDetector(HANDLE detector)
{
    if (WaitForSingleObject(detector, 0) != WAIT_TIMEOUT)
        return;
    TerminateProcess(detector, 1);
    // Termination completes asynchronously; the answer section is deleted
    // only once nothing of the detector can write any more.
    WaitForSingleObject(detector, QVX_DETECTOR_STOP_WAIT);
}

int AskMouseDetector(DWORD limit)
{
    char dir[MAX_PATH];
    if (!GetProgramDir(dir, sizeof dir))
        return 0;
    int dirLength = lstrlenA(dir);
    if (dirLength > QVX_DETECTOR_DIR_MAX)
        return 0;

    // The program path is quoted: the package directory often holds a blank
    // ("C:\Program Files\..."), and unquoted the system would try to start
    // the part before the blank.
    char command[QVX_DETECTOR_DIR_MAX + 32];
    lstrcpyA(command, "\"");
    lstrcatA(command, dir);
    lstrcatA(command, DETECTOR_NAME "\" " ANSWER_FILE);

    // An answer left from an earlier run must not be taken for this one.
    WritePrivateProfileStringA(ANSWER_SECTION, NULL, NULL, ANSWER_FILE);
    DWORD start = GetTickCount();
    int port = 0;
    HANDLE detector = StartDetector(command);
    if (detector) {
        char answer[5];
        if (!WaitForAnswer(detector, start, limit, answer))
            StopDetector(detector);
        // One decimal digit names COM1..COM9; anything else is no port.
        else if (answer[0] >= '1' && answer[0] <= '9')
            port = answer[0] - '0';
        CloseHandle(detector);
    }
    WritePrivateProfileStringA(ANSWER_SECTION, NULL, NULL, ANSWER_FILE);
    return port;
}
