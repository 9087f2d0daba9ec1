// Keeps a file open the way a loaded driver would: readers and writers may
// share it, nobody may delete it. Usage: hold_file PATH SECONDS. Prints
// "held" once the file is open, then waits and exits.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    HANDLE h = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) {
        printf("cannot open %s: error %lu\n", argv[1], GetLastError());
        return 1;
    }
    printf("held\n");
    fflush(stdout);
    Sleep((DWORD)atoi(argv[2]) * 1000);
    CloseHandle(h);
    return 0;
}
