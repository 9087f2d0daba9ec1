// ptrsniff.exe ANSWERFILE: looks for a serial mouse on COM1 to COM4 and
// writes its port as one digit ("0" for none) to the key DetectedPort of
// the section Mouse of ANSWERFILE (a bare name means the Windows
// directory), then ends. It has no window.
#include "tools/ptrsniff/ptrsniff.h"

#define ANSWER_SECTION "Mouse"
#define ANSWER_KEY "DetectedPort"
#define DEFAULT_ANSWER_FILE "qvxinst.ini"

static int IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The answer file from the process command line: what follows the program
// name, without surrounding blanks or quotes. An empty argument gives the
// installer's usual file. Returns 0 when the name does not fit.
static int GetAnswerFile(char *file, int size)
{
    const char *p = GetCommandLineA();
    if (*p == '"') {
        p++;
        while (*p != '\0' && *p != '"')
            p++;
        if (*p == '"')
            p++;
    } else {
        while (*p != '\0' && !IsBlank(*p))
            p++;
    }
    while (IsBlank(*p))
        p++;

    int length = lstrlenA(p);
    while (length > 0 && IsBlank(p[length - 1]))
        length--;
    if (length >= 2 && p[0] == '"' && p[length - 1] == '"') {
        p++;
        length -= 2;
    }
    if (length == 0) {
        lstrcpyA(file, DEFAULT_ANSWER_FILE);
        return 1;
    }
    if (length >= size)
        return 0;
    lstrcpynA(file, p, length + 1);
    return 1;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev, LPSTR cmdLine, int show)
{
    // The installer starts the detector with CreateProcessA, so that it
    // can end a detector that hangs, and does not wait for it to start. A
    // starter that uses WinExec (as earlier installers did) is held until
    // the new program first looks for input: look once, at once.
    MSG msg;
    PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE);

    char file[MAX_PATH];
    if (!GetAnswerFile(file, sizeof file))
        return 2;

    char answer[4];
    wsprintfA(answer, "%d", FindSerialMouse());
    WritePrivateProfileStringA(ANSWER_SECTION, ANSWER_KEY, answer, file);
    // Windows 95 keeps profile writes in a cache; write it out now.
    WritePrivateProfileStringA(NULL, NULL, NULL, file);
    return 0;
}
