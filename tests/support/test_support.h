// Helpers shared by the test programs that run inside a Wine prefix: files,
// directories, profile values and registry keys.
#ifndef QVX_TEST_SUPPORT_H
#define QVX_TEST_SUPPORT_H

#include <windows.h>
#include <string>

// The running program's directory, with its trailing backslash.
std::string ProgramDir();

// The Unix directory named by an environment variable, as a Windows path on
// drive Z: with a trailing backslash; "" when the variable is not set.
std::string DirFromEnv(const char *variable);

// A file of that name in the system directory.
std::string SystemFile(const char *name);
bool Exists(const std::string &path);

// A file's whole content; "" (and exists false) when it cannot be opened.
std::string ReadBytes(const std::string &path, bool *exists = nullptr);
// Replaces a file's content; a file that cannot be written fails the test.
void WriteBytes(const std::string &path, const std::string &bytes);

// A profile value, or "<absent>".
std::string ProfileValue(const std::string &file, const std::string &section,
                         const std::string &key);

// Deletes a registry key with every key below it.
void DeleteTree(HKEY root, const char *path);
bool ClassKeyExists();

// A Setup API function itself, for a fake that passes the call on.
FARPROC Real(const char *name);

#endif
