// Prints the entries of INI files as the profile API sees them, one
// "file [section] key=value" line each, so that a test can compare the
// state before and after a run. Arguments: FILE or FILE:SECTION (a section
// that the listing of section names may miss, such as a win.ini section
// that the system keeps in the registry).
#include <windows.h>
#include <stdio.h>
#include <string.h>

static void DumpSection(const char *file, const char *section)
{
    static char keys[32768];
    DWORD n = GetPrivateProfileStringA(section, NULL, "", keys, sizeof keys, file);
    for (const char *k = keys; k < keys + n && *k; k += strlen(k) + 1) {
        char value[4096];
        GetPrivateProfileStringA(section, k, "", value, sizeof value, file);
        printf("%s [%s] %s=%s\n", file, section, k, value);
    }
}

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; i++) {
        char file[MAX_PATH];
        lstrcpynA(file, argv[i], sizeof file);
        char *colon = strchr(file, ':');
        if (colon) {
            *colon = '\0';
            DumpSection(file, colon + 1);
            continue;
        }
        static char sections[32768];
        DWORD n = GetPrivateProfileSectionNamesA(sections, sizeof sections, file);
        for (const char *s = sections; s < sections + n && *s; s += strlen(s) + 1)
            DumpSection(file, s);
    }
    return 0;
}
