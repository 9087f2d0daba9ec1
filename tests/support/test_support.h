// Helpers shared by the test programs that run inside a Wine prefix: files,
// directories, profile values and registry keys.
#ifndef QVX_TEST_SUPPORT_H
#define QVX_TEST_SUPPORT_H

#include <windows.h>
#include <string>
#include <vector>

// The running program's directory, with its trailing backslash.
std::string ProgramDir();

// The Unix directory named by an environment variable, as a Windows path on
// drive Z: with a trailing backslash; "" when the variable is not set.
std::string DirFromEnv(const char *variable);

// A file of that name in the system directory, or in the Windows directory.
std::string SystemFile(const char *name);
std::string WindowsFile(const char *name);
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

// Whether AskRestartWhileStartedAgain is asking its restart question:
// box-answering helpers leave this process's boxes alone meanwhile (the
// box may show before its caption tells what it is).
bool AskingRestart();

// What a second start of a program did while a run was at its restart
// question.
struct SecondStart {
    std::string program;
    bool ended;             // ended by itself within 20 s
    DWORD exitCode;
    bool otherInFront;      // Notepad was in front when it started
    HWND front;             // in front once it had ended
    std::string frontName;  // its class and title, then
};

// Plays the restart question as Windows' SetupPromptReboot shows it: a
// message box without owner, on the calling thread (the run's). While it
// is open, Notepad takes the front and setup.exe and pruninst.exe of
// packageDir are each started a second time; then the question is answered
// No. *question receives the box.
std::vector<SecondStart> AskRestartWhileStartedAgain(const std::string &packageDir,
                                                     HWND *question);

// Each second start ended by itself with exit code 0 and brought the
// question to the front (Notepad having had it), never the host window.
void ExpectQuestionBroughtForward(const std::vector<SecondStart> &starts, HWND question,
                                  HWND host);

#endif
