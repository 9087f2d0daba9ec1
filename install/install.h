// The installation run, the file-queue callback shared with the uninstaller,
// the installation-script helpers and the INI word-list edits.
#ifndef QVX_INSTALL_H
#define QVX_INSTALL_H

#include <windows.h>
#include <setupapi.h>
#include "host/program_dir.h"
#include "detect/mouse_disable.h"

#define QVX_CLASS_NAME "QuorvixDevice"
#define QVX_CLASS_KEY "System\\CurrentControlSet\\Services\\Class\\QuorvixDevice"
#define QVX_SCRIPT_NAME "setup.ini"

// Copy only when the source is newer; the value Windows 95's setupapi knows.
#define QVX_COPY_NEWER 0x4

// Builds the script path in the program directory; dir receives the
// directory (both buffers MAX_PATH bytes). Returns 0 on failure.
int GetScriptPath(char *dir, char *script);

// Shows the script's release banner ([QVXVersion] Cycle), if it has one.
void ShowScriptBanner(HWND owner, const char *script, const char *caption);

// Opens the script as a Windows 95 INF of the tablet's device class. A
// script of another class fails to open, even where setupapi itself does
// not check the class. Returns INVALID_HANDLE_VALUE on failure.
HINF OpenInstallScript(const char *script);

// What QueueFileCallback receives as its context. The default callback's
// context comes first, so the record's address is also the address of the
// variable that holds it.
struct QueueContext {
    PVOID defaultContext;
    HWND owner;        // owns the prompt for the driver disk
    int copyFailed;    // a file the queue copies did not arrive
    int mediaChecked;  // the disk was found by looking; no copy ended since
    int copyVerdict;   // COPY_* : what the current copy's end means
};

// What the end of a copy means. A copy error answered with a retry that
// works, or a copy delayed to the restart, ends with an error field that is
// no longer true; one skipped or cancelled did not arrive, whatever its end.
#define COPY_AT_END 0    // the end's own error field decides
#define COPY_ARRIVED 1
#define COPY_MISSING 2

// Opens a file queue and the default queue callback's context, owned by
// owner. Returns 0, with nothing left open, when either fails.
int OpenFileQueue(HWND owner, HSPFILEQ *queue, QueueContext *context);

// Releases what OpenFileQueue opened.
void CloseFileQueue(HSPFILEQ queue, QueueContext *context);

// Queues the file operations of two sections (the program directory as
// source root) and, when the second one queued, commits the queue. Returns
// 1 only when both queued and every file the queue copies is in place: a
// copy that failed, was skipped or whose disk never came is a failure; a
// copy passed over because the file there is newer is not.
int CopySectionFiles(HWND owner, HINF inf, HSPFILEQ queue,
                     QueueContext *context, const char *dir,
                     const char *first, const char *second);

// Applies a section's registry operations relative to the device class key,
// which is created when missing; skipped when it cannot be opened.
void ApplyClassRegistry(HWND owner, HINF inf, const char *section);

// Applies a section's INI-file operations; the run's success. A section the
// script lacks counts as a failure.
BOOL ApplyIniSection(HWND owner, HINF inf, const char *section);

// Has Windows delete the file at the next start (wininit.ini), unless it
// is gone already or lies in the driver package the program runs from.
// Returns 1 when the file is scheduled.
int DeleteAtRestart(const char *path);

// Takes back a deletion at the next start that DeleteAtRestart asked for,
// for a file that has just been installed again.
void KeepAtRestart(const char *path);

// Keeps in the device class key what the wizard's disable of the serial
// mouse changed, for the uninstaller. A record already there stays: it
// holds the state before the first installation's disable.
void KeepMouseRecord(const MouseDisable *disable);

// Puts back what the recorded disable changed (UndoMouseDisable) and
// deletes the record. Without a record nothing is touched.
void GiveBackMouse(void);

// Callback given to SetupCommitFileQueueA; its context is a QueueContext.
UINT CALLBACK QueueFileCallback(PVOID context, UINT notification,
                                UINT_PTR param1, UINT_PTR param2);

// Applies the word-list directives of one section of the script (entries
// named 0, 1, 2, ... up to the first gap).
void ApplyIniFieldEdits(const char *script, const char *section);

// Applies one directive: "file,section,key[,remove word[,add word]]".
void EditIniField(const char *directive);

// The installer's whole run; returns 1 when it reached its end.
int RunInstall(HWND owner, HINSTANCE instance);

#endif
