// Timings of port detection, run by bench_detect.sh (not a test):
//   detect_bench scan LABEL FLOOR_SECONDS RUNS   time ScanComPorts
//   detect_bench mouse RUNS                      time a 3-second detector wait
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "detect/detect.h"

static double Now()
{
    LARGE_INTEGER count, freq;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&freq);
    return (double)count.QuadPart / (double)freq.QuadPart;
}

static unsigned long long FileTimeNow()
{
    FILETIME t;
    GetSystemTimeAsFileTime(&t);
    return ((unsigned long long)t.dwHighDateTime << 32) | t.dwLowDateTime;
}

static unsigned long long ProcessCpu()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    return (((unsigned long long)kernel.dwHighDateTime << 32) | kernel.dwLowDateTime) +
           (((unsigned long long)user.dwHighDateTime << 32) | user.dwLowDateTime);
}

static int BenchScan(const char *label, double floor, int runs)
{
    for (int i = 1; i <= runs; i++) {
        double start = Now();
        int port = ScanComPorts();
        double took = Now() - start;
        printf("scan %-14s run %d: result %2d  %.3f s  floor %.2f s  ratio %.3f\n",
               label, i, port, took, floor, took / floor);
    }
    return 0;
}

// The detector stand-in answers 3 s after it starts and logs the moment
// it wrote; the lookup's return is compared with that moment.
static int BenchMouse(int runs)
{
    char log[MAX_PATH];
    GetEnvironmentVariableA("QVX_SNIFF_LOG", log, sizeof log);
    SetEnvironmentVariableA("QVX_SNIFF_MODE", "answer 2 3000");
    RegDeleteKeyA(HKEY_DYN_DATA, "Config Manager\\Enum");
    MSG msg;
    PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE);  // a queue, as the wizard has
    for (int i = 1; i <= runs; i++) {
        DeleteFileA(log);
        double start = Now();
        unsigned long long cpuBefore = ProcessCpu();
        int port = FindMousePort(0);
        unsigned long long returned = FileTimeNow();
        double wall = Now() - start;
        double cpu = (ProcessCpu() - cpuBefore) / 1e7;
        unsigned long long wrote = 0;
        FILE *f = fopen(log, "rb");
        char line[512];
        while (f && fgets(line, sizeof line, f))
            if (strncmp(line, "wrote|", 6) == 0)
                wrote = strtoull(strrchr(line, '|') + 1, NULL, 10);
        if (f)
            fclose(f);
        printf("mouse run %d: result %d  wall %.3f s  cpu %.4f s (%.2f%% of wall)  "
               "answer-to-return %.1f ms\n",
               i, port, wall, cpu, 100.0 * cpu / wall,
               wrote ? (double)(long long)(returned - wrote) / 1e4 : -1.0);
    }
    return 0;
}

int main(int argc, char **argv)
{
    setvbuf(stdout, NULL, _IONBF, 0);
    if (argc == 5 && strcmp(argv[1], "scan") == 0)
        return BenchScan(argv[2], atof(argv[3]), atoi(argv[4]));
    if (argc == 3 && strcmp(argv[1], "mouse") == 0)
        return BenchMouse(atoi(argv[2]));
    fprintf(stderr, "usage: detect_bench scan LABEL FLOOR RUNS | mouse RUNS\n");
    return 2;
}
