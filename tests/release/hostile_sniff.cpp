// A serial-mouse detector that misbehaves, put beside the program under test
// as ptrsniff.exe. Its one argument is the answer file, as for the real one;
// QVX_HOSTILE_SNIFF says what it does:
//   answer VALUE      write VALUE as the answer and end
//   crash             access violation at once, nothing written
//   exit              ExitProcess with a garbage code, nothing written
//   overflow          unbounded recursion until the stack runs out
//   divide            integer division by zero
//   hang              never end, write nothing
//   answer-crash VALUE  write VALUE as the answer, then an access violation
//   elsewhere         write port numbers under other keys and sections of
//                     the answer file and into other files, then crash
//   many-keys VALUE   write 300 other keys into section Mouse, then VALUE
// VALUE "hex:..." is given as hexadecimal bytes; "long:C" is C followed by
// 999 x's. Each start appends a line to QVX_HOSTILE_SNIFF_LOG if it is set.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void Log(const char *what)
{
    char path[MAX_PATH];
    if (!GetEnvironmentVariableA("QVX_HOSTILE_SNIFF_LOG", path, sizeof path))
        return;
    FILE *f = fopen(path, "ab");
    if (f) {
        fprintf(f, "%s\n", what);
        fclose(f);
    }
}

static void Decode(const char *answerText, char *value, size_t size)
{
    if (strncmp(answerText, "hex:", 4) == 0) {
        size_t n = 0;
        for (const char *p = answerText + 4; p[0] && p[1] && n + 1 < size; p += 2) {
            char two[3] = {p[0], p[1], 0};
            value[n++] = (char)strtoul(two, NULL, 16);
        }
        value[n] = '\0';
    } else if (strncmp(answerText, "long:", 5) == 0) {
        size_t n = 0;
        value[n++] = answerText[5];
        while (n < 1000 && n + 1 < size)
            value[n++] = 'x';
        value[n] = '\0';
    } else {
        snprintf(value, size, "%s", answerText);
    }
}

static void Crash()
{
    volatile int *nowhere = (int *)(ULONG_PTR)0x10;
    *nowhere = 1;
}

static int Recurse(volatile int depth)
{
    volatile char pad[4096];
    pad[0] = (char)depth;
    return Recurse(depth + 1) + pad[0];
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const char *file = __argc > 1 ? __argv[1] : "qvxinst.ini";
    char mode[2048] = "answer 1";
    GetEnvironmentVariableA("QVX_HOSTILE_SNIFF", mode, sizeof mode);
    char line[2100];
    snprintf(line, sizeof line, "start|%s|%s", file, mode);
    Log(line);

    char kind[32] = "", answerText[1024] = "";
    sscanf(mode, "%31s %1023s", kind, answerText);
    static char value[4096];
    Decode(answerText, value, sizeof value);

    if (strcmp(kind, "answer") == 0) {
        WritePrivateProfileStringA("Mouse", "DetectedPort", value, file);
    } else if (strcmp(kind, "crash") == 0) {
        Crash();
    } else if (strcmp(kind, "exit") == 0) {
        ExitProcess(0xDEADBEEF);
    } else if (strcmp(kind, "overflow") == 0) {
        return Recurse(0);
    } else if (strcmp(kind, "divide") == 0) {
        volatile int zero = 0;
        return 1 / zero;
    } else if (strcmp(kind, "hang") == 0) {
        for (;;)
            Sleep(1000);
    } else if (strcmp(kind, "answer-crash") == 0) {
        WritePrivateProfileStringA("Mouse", "DetectedPort", value, file);
        Crash();
    } else if (strcmp(kind, "elsewhere") == 0) {
        WritePrivateProfileStringA("Mouse", "Port", "3", file);
        WritePrivateProfileStringA("Mouse", "DetectedPort2", "3", file);
        WritePrivateProfileStringA("Mice", "DetectedPort", "3", file);
        WritePrivateProfileStringA("Mouse", "DetectedPort", "3", "qvxinst2.ini");
        WritePrivateProfileStringA("Mouse", "DetectedPort", "3", "C:\\qvxinst.ini");
        Crash();
    } else if (strcmp(kind, "many-keys") == 0) {
        char key[32];
        for (int n = 0; n < 300; n++) {
            snprintf(key, sizeof key, "Junk%d", n);
            WritePrivateProfileStringA("Mouse", key, "9", file);
        }
        WritePrivateProfileStringA("Mouse", "DetectedPort", value, file);
    }
    return 0;
}
