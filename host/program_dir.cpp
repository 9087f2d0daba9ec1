// The running program's directory, from its module path.
#include "host/program_dir.h"

int GetProgramDir(char *dir, int size)
{
    DWORD len = GetModuleFileNameA(NULL, dir, (DWORD)size);
    if (len == 0 || len >= (DWORD)size) {
        dir[0] = '\0';
        return 0;
    }
    char *cut = dir;
    for (char *p = dir; *p; p++)
        if (*p == '\\')
            cut = p + 1;
    *cut = '\0';
    return 1;
}
