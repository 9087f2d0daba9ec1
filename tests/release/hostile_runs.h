// One hostile installation script (and the INI files it edits) run through
// the installer's and the uninstaller's whole run, in-process, with a
// scripted wizard.
#ifndef QVX_HOSTILE_RUNS_H
#define QVX_HOSTILE_RUNS_H

#include <functional>
#include <string>
#include <vector>

#include "hostile_harness.h"

enum { kSetup = 1, kPruninst = 2, kBothPrograms = 3 };

// The longest either run may take, in milliseconds.
const DWORD kRunLimitMs = 30000;

// A file in the Windows directory that replaces the baseline one for a case.
struct FileFixture {
    std::string name;
    std::string bytes;
    bool directory;   // a directory of that name instead of a file
    bool readOnly;
};

// A value the run must leave exactly so ("<absent>" for no such key).
struct Expect {
    std::string file, section, key, value;
};

struct ScriptCase {
    std::string name;
    std::string script;          // the bytes of setup.ini
    int opens;                   // 1 the script opens, 0 it doesn't, -1 either
    unsigned programs;
    std::vector<FileFixture> files;
    // Checked when the run went on past opening the script (the
    // uninstaller's word-list edits come before that, so always for it).
    std::vector<Expect> afterSetup, afterPruninst;
    // Further checks after a run of the given program.
    std::function<void(unsigned program, Findings &)> extra;
};

// The port that the scripted wizard settles on.
const int kWizardPort = 5;

// The sample package's script, as shipped.
std::string SampleScript();

// Runs the case through the programs it names and counts each run.
void RunScriptCase(const std::string &category, const ScriptCase &c);

// Baseline word lists of other software: before an installation, and as an
// installation of the sample package leaves them.
extern const char kCleanDrivers[], kCleanPointing[];
extern const char kInstalledDrivers[], kInstalledPointing[];

// Text editing helpers for building hostile scripts from the sample.
// The text up to the end of the first occurrence of marker, or up to its start.
std::string CutAfter(const std::string &text, const std::string &marker);
std::string CutBefore(const std::string &text, const std::string &marker);
std::string ReplaceOnce(const std::string &text, const std::string &from,
                        const std::string &to);
std::string DropSection(const std::string &text, const std::string &section);
std::string WithSection(const std::string &text, const std::string &section,
                        const std::string &body);
std::string RandomBytes(size_t count, unsigned seed);

#endif
