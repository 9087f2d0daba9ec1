// Hostile-input runs: each case calls a program's routine on a thread of its
// own under a time bound, answers the dialogs it opens, and is counted as
// ok, crash (an exception nobody handled), hang (the bound ran out), damage
// (a file, INI value or registry value changed that the input did not ask
// for) or wrong (the routine ended but not as it should have).
#ifndef QVX_HOSTILE_HARNESS_H
#define QVX_HOSTILE_HARNESS_H

#include <windows.h>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

enum Outcome { kOk, kCrash, kHang, kDamage, kWrong, kOutcomeCount };

struct BoundedRun {
    bool finished;      // returned within the bound
    DWORD exception;    // nonzero: the call died of this exception
    DWORD ms;           // time taken (the bound when it hung)
};

// Runs call on a fresh thread; after limitMs the thread is stopped and the
// run counts as hung.
BoundedRun RunBounded(const std::function<void()> &call, DWORD limitMs);

// A dialog of this process that appeared while the watch was on.
struct Dialog {
    std::string caption, text;
    HWND owner;
};

// Answers every dialog of this process (OK, then Cancel, then a close
// request) from a background thread and records it.
void StartDialogWatch();
std::vector<Dialog> StopDialogWatch();

// What one case found wrong; empty lists mean ok.
struct Findings {
    std::vector<std::string> damage, wrong;
    std::string note;   // how an ok case went, for the log
    void Damage(const std::string &what) { damage.push_back(what); }
    void Wrong(const std::string &what) { wrong.push_back(what); }
};

// Counts one case and reports it to GoogleTest when it is not ok. The
// crash and hang outcomes come from the run; the rest from the findings.
void CountCase(const std::string &category, const std::string &name,
               const BoundedRun &run, const Findings &findings);

// False when QVX_HOSTILE_CASE is set and the case name does not contain it
// (to run one case alone).
bool Selected(const std::string &name);

// The summary table of every case counted so far.
void PrintSummary();

// --- Files and INI values -------------------------------------------------

std::string WindowsDir();   // without a trailing backslash
std::string SystemDir();
// (ProgramDir, ReadBytes, WriteBytes: tests/support/test_support.h)

// A file's entries as the profile API sees them: section name (lower case)
// to its lines in order, each split into key and value (a line without '='
// has no value and hasValue false).
struct IniLine {
    std::string key, value;
    bool hasValue;
};
typedef std::map<std::string, std::vector<IniLine>> IniView;
IniView ReadIniView(const std::string &file);

// Name, size and write time of the files directly in a directory, by lower
// case name.
typedef std::map<std::string, std::string> DirListing;
DirListing ListDir(const std::string &dir);

std::string Lower(std::string s);
std::string Trim(const std::string &s);
std::vector<std::string> Words(const std::string &list);
std::string Shorten(const std::string &s, size_t most = 60);

#endif
