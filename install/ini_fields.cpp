// Word-list edits of INI values shared with other software: take one word out
// of a space-separated list, put one in, or both, leaving the other words.
#include "install/install.h"

#define FIELD_MAX 31     // characters of one directive field
#define LINE_READ 255    // profile read size for directives and values
#define VALUE_ROOM 256   // bytes of a value being built

// Holds the directive line, then (once its fields are copied out) the value.
static char g_iniLine[256];

// The value is only trusted when the read could not have cut it: a value
// that fills the read may go on in the file, and writing back the cut text
// would destroy other software's entries.
static int ReadWholeValue(const char *file, const char *section,
                          const char *key, char *value)
{
    DWORD len = GetPrivateProfileStringA(section, key, "", value, LINE_READ,
                                         file);
    return len < LINE_READ - 1;
}

// Copies the next field of a directive, as a tokenizer at commas would:
// runs of commas are one separator and leading commas are skipped. Leading
// blanks of the field are dropped, trailing ones kept. Returns 0 when no
// field is left, -1 when the field is longer than the room for it.
static int NextField(const char **cursor, char *field)
{
    const char *p = *cursor;
    while (*p == ',')
        p++;
    if (!*p)
        return 0;
    const char *start = p;
    while (*p && *p != ',')
        p++;
    *cursor = p;
    while (start < p && *start == ' ')
        start++;
    int len = (int)(p - start);
    if (len > FIELD_MAX)
        return -1;
    for (int i = 0; i < len; i++)
        field[i] = start[i];
    field[len] = '\0';
    return 1;
}

// Returns the next word of a space-separated list in word (the list's words
// are never longer than the list itself), or 0 at the end.
static int NextWord(const char **cursor, char *word)
{
    const char *p = *cursor;
    while (*p == ' ')
        p++;
    if (!*p)
        return 0;
    int len = 0;
    while (*p && *p != ' ')
        word[len++] = *p++;
    word[len] = '\0';
    *cursor = p;
    return 1;
}

// Appends text to a value buffer of VALUE_ROOM bytes; 0 when it won't fit.
static int AppendText(char *value, const char *text)
{
    if (lstrlenA(value) + lstrlenA(text) >= VALUE_ROOM)
        return 0;
    lstrcatA(value, text);
    return 1;
}

static int ListHasWord(const char *list, const char *word)
{
    char item[VALUE_ROOM];
    const char *cursor = list;
    while (NextWord(&cursor, item))
        if (lstrcmpiA(item, word) == 0)
            return 1;
    return 0;
}

// Builds the edited list in out; 0 when the result would not fit.
static int BuildEditedList(const char *current, const char *remove,
                           const char *add, char *out)
{
    char kept[VALUE_ROOM];
    char word[VALUE_ROOM];
    lstrcpyA(kept, current);
    if (remove[0]) {
        // Each kept word is followed by one blank, so the list ends in one.
        kept[0] = '\0';
        const char *cursor = current;
        while (NextWord(&cursor, word)) {
            if (lstrcmpiA(word, remove) == 0)
                continue;
            if (!AppendText(kept, word) || !AppendText(kept, " "))
                return 0;
        }
    }
    out[0] = '\0';
    if (add[0]) {
        lstrcpyA(out, kept);
        if (!ListHasWord(kept, add) &&
            (!AppendText(out, " ") || !AppendText(out, add)))
            return 0;
    }
    // Without an add word, the value written is the list after removal
    // (empty when there was no remove word either).
    else if (remove[0]) {
        lstrcpyA(out, kept);
    }
    // A value the next read would take for cut could never be edited again
    // (an uninstaller could not take its word back out).
    return lstrlenA(out) < LINE_READ - 1;
}

void EditIniField(const char *directive)
{
    char fields[5][FIELD_MAX + 1];
    int count = 0;
    const char *cursor = directive;
    while (count < 5) {
        int got = NextField(&cursor, fields[count]);
        if (got < 0)
            return;   // a cut name would edit the wrong thing
        if (got == 0)
            break;
        count++;
    }
    if (count < 3 || !fields[0][0] || !fields[1][0] || !fields[2][0])
        return;
    const char *file = fields[0], *section = fields[1], *key = fields[2];
    const char *remove = count > 3 ? fields[3] : "";
    const char *add = count > 4 ? fields[4] : "";

    if (!ReadWholeValue(file, section, key, g_iniLine))
        return;
    if (!g_iniLine[0]) {
        if (add[0])
            WritePrivateProfileStringA(section, key, add, file);
        return;
    }
    char edited[VALUE_ROOM];
    if (!BuildEditedList(g_iniLine, remove, add, edited))
        return;
    WritePrivateProfileStringA(section, key, edited, file);
}

void ApplyIniFieldEdits(const char *script, const char *section)
{
    char name[16];
    for (int n = 0;; n++) {
        wsprintfA(name, "%d", n);
        DWORD len = GetPrivateProfileStringA(section, name, "", g_iniLine,
                                             LINE_READ, script);
        if (len == 0)
            break;
        // A directive that fills the read may have lost its end; skip it
        // rather than act on a cut word.
        if (len >= LINE_READ - 1)
            continue;
        // EditIniField copies the fields out before it reuses the buffer.
        EditIniField(g_iniLine);
    }
}
