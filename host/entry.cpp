// Process entry for programs linked without the C runtime: Windows 95 ships
// no msvcrt.dll, so the programs start here and import only system DLLs.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev, LPSTR cmdLine, int show);

extern "C" void WinMainCRTStartup(void)
{
    ExitProcess((UINT)WinMain(GetModuleHandleA(NULL), NULL, GetCommandLineA(),
                              SW_SHOWDEFAULT));
}

// The compiler may emit calls to these for structure copies and clears.
// The loops must not be turned back into calls to themselves.
extern "C" __attribute__((optimize("no-tree-loop-distribute-patterns")))
void *memset(void *dst, int value, size_t count)
{
    unsigned char *p = (unsigned char *)dst;
    while (count--)
        *p++ = (unsigned char)value;
    return dst;
}

extern "C" __attribute__((optimize("no-tree-loop-distribute-patterns")))
void *memcpy(void *dst, const void *src, size_t count)
{
    unsigned char *d = (unsigned char *)dst;
    const unsigned char *s = (const unsigned char *)src;
    while (count--)
        *d++ = *s++;
    return dst;
}
