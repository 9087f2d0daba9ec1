// Stand-in for the external serial-mouse detector ptrsniff.exe, for tests.
// Takes the answer file's name as its one argument, like the real one, and
// behaves as the environment says:
//   QVX_SNIFF_MODE  "answer VALUE DELAY"  wait DELAY ms, write VALUE
//                   "empty VALUE DELAY"   write an empty value at once, then
//                                         VALUE after DELAY ms
//                   "never DELAY"         stay DELAY ms, write nothing
//                   "exit"                end at once, write nothing
//                   (unset: "answer 1 0")
//   QVX_SNIFF_LOG   file to which each start appends one line:
//                   start|<module path>|<argument count>|<arg1>|<arg2>...
//                   and each write one line: wrote|<value>|<FILETIME>
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void LogLine(const char *line)
{
    char path[MAX_PATH];
    if (!GetEnvironmentVariableA("QVX_SNIFF_LOG", path, sizeof path))
        return;
    FILE *f = fopen(path, "ab");
    if (!f)
        return;
    fprintf(f, "%s\n", line);
    fclose(f);
}

static void WriteAnswer(const char *file, const char *value)
{
    WritePrivateProfileStringA("Mouse", "DetectedPort", value, file);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    unsigned long long stamp = ((unsigned long long)now.dwHighDateTime << 32) | now.dwLowDateTime;
    char line[128];
    snprintf(line, sizeof line, "wrote|%s|%llu", value, stamp);
    LogLine(line);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // The installer starts the detector with CreateProcessA, which does
    // not wait for it. A starter using WinExec would be held until the
    // program first waits for input; a detector with a message loop does
    // that at once, and so does this stand-in.
    MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);

    char line[2048];
    char module[MAX_PATH];
    GetModuleFileNameA(NULL, module, sizeof module);
    snprintf(line, sizeof line, "start|%s|%d", module, __argc - 1);
    for (int i = 1; i < __argc; i++) {
        strncat(line, "|", sizeof line - strlen(line) - 1);
        strncat(line, __argv[i], sizeof line - strlen(line) - 1);
    }
    LogLine(line);
    const char *file = __argc > 1 ? __argv[1] : "qvxinst.ini";

    char mode[128] = "answer 1 0";
    GetEnvironmentVariableA("QVX_SNIFF_MODE", mode, sizeof mode);
    char kind[32] = "", value[32] = "";
    unsigned delay = 0;
    if (strncmp(mode, "never", 5) == 0) {
        sscanf(mode, "%31s %u", kind, &delay);
        Sleep(delay);
    } else if (strncmp(mode, "exit", 4) == 0) {
        return 0;
    } else {
        sscanf(mode, "%31s %31s %u", kind, value, &delay);
        if (strcmp(kind, "empty") == 0)
            WriteAnswer(file, "");
        Sleep(delay);
        WriteAnswer(file, value);
    }
    return 0;
}
