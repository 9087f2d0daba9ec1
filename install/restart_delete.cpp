// Deleting at the next start a file that is in use now, the Windows 95/98
// way: WININIT.EXE, which runs before Windows loads, carries out the
// [rename] section of wininit.ini, and a line "NUL=<path>" deletes that
// file. WININIT runs in real mode, so the path must be the short (8.3) one.
#include "install/install.h"

#define WININIT_FILE "wininit.ini"
#define RENAME_SECTION "rename"

// The section may name NUL once per file and holds other programs' lines,
// which must all stay: it is read and written whole, as the profile API's
// key writes would keep a single NUL.
static char g_renameLines[16384];

// The package folder is recognised by the installer beside the running
// program: the uninstaller started from the driver disk. Nothing in it is
// ever scheduled (it is the user's disk, not part of the installation);
// the installed copy of the uninstaller has no installer beside it.
static int IsOnDriverDisk(const char *shortPath)
{
    char dir[MAX_PATH];
    char probe[MAX_PATH];
    char shortDir[MAX_PATH];
    if (!GetProgramDir(dir, sizeof dir))
        return 1;
    if (lstrlenA(dir) + lstrlenA("setup.exe") >= MAX_PATH)
        return 1;
    lstrcpyA(probe, dir);
    lstrcatA(probe, "setup.exe");
    DWORD attributes = GetFileAttributesA(probe);
    if (attributes == 0xFFFFFFFF || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return 0;
    DWORD n = GetShortPathNameA(dir, shortDir, sizeof shortDir);
    if (n == 0 || n >= sizeof shortDir)
        return 1;
    // Compared by their short forms, so that a long and a short spelling
    // of the same folder match; the short directory ends in its backslash.
    int dirLength = lstrlenA(shortDir);
    if (lstrlenA(shortPath) <= dirLength)
        return 0;
    char head[MAX_PATH];
    lstrcpynA(head, shortPath, dirLength + 1);
    return lstrcmpiA(head, shortDir) == 0;
}

// Reads the [rename] section whole into g_renameLines. Returns 0 when it
// does not fit: writing a section that was cut short back would drop other
// programs' lines.
static int ReadRenameSection(void)
{
    DWORD size = GetPrivateProfileSectionA(RENAME_SECTION, g_renameLines,
                                           sizeof g_renameLines, WININIT_FILE);
    return size < sizeof g_renameLines - 2;
}

// The line that deletes path at the restart, "NUL=<short path>"; 0 when the
// file is not there (nothing to delete, or to keep).
static int RestartDeleteLine(const char *path, char *line, int size)
{
    char shortPath[MAX_PATH];
    DWORD n = GetShortPathNameA(path, shortPath, sizeof shortPath);
    if (n == 0 || n >= sizeof shortPath || lstrlenA(shortPath) + 5 > size)
        return 0;
    lstrcpyA(line, "NUL=");
    lstrcatA(line, shortPath);
    return 1;
}

int DeleteAtRestart(const char *path)
{
    char line[MAX_PATH + 8];
    // A file that is not there (an older installation without it) needs
    // nothing at the restart.
    if (!RestartDeleteLine(path, line, sizeof line))
        return 0;
    if (IsOnDriverDisk(line + 4))
        return 0;
    if (!ReadRenameSection())
        return 0;
    char *end = g_renameLines;
    while (*end) {
        if (lstrcmpiA(end, line) == 0)
            return 1;   // already scheduled
        end += lstrlenA(end) + 1;
    }
    int length = lstrlenA(line);
    if ((end - g_renameLines) + length + 2 > (int)sizeof g_renameLines)
        return 0;
    lstrcpyA(end, line);
    end[length + 1] = '\0';
    return WritePrivateProfileSectionA(RENAME_SECTION, g_renameLines,
                                       WININIT_FILE) ? 1 : 0;
}

void KeepAtRestart(const char *path)
{
    char line[MAX_PATH + 8];
    if (!RestartDeleteLine(path, line, sizeof line) || !ReadRenameSection())
        return;
    // Move every other line down over the ones that name this file.
    char *from = g_renameLines;
    char *to = g_renameLines;
    int dropped = 0;
    while (*from) {
        int length = lstrlenA(from);
        if (lstrcmpiA(from, line) == 0) {
            dropped = 1;
        } else {
            // Forward, byte by byte: the two may overlap.
            for (int i = 0; i <= length; i++)
                to[i] = from[i];
            to += length + 1;
        }
        from += length + 1;
    }
    if (!dropped)
        return;
    *to = '\0';
    if (to == g_renameLines)
        WritePrivateProfileStringA(RENAME_SECTION, NULL, NULL, WININIT_FILE);
    else
        WritePrivateProfileSectionA(RENAME_SECTION, g_renameLines, WININIT_FILE);
}
