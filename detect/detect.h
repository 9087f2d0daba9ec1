// Finding the tablet's COM port: the identification exchange over COM1 to
// COM8, and the lookup of a serial mouse that Windows installed on a port.
#ifndef QVX_DETECT_H
#define QVX_DETECT_H

#include <windows.h>
#include "detect/mouse_disable.h"

// The tablet's answer to the identification request: 15 bytes on the wire,
// no terminator, no length.
#define QVX_TABLET_ID "QUORVIX PR-4417"

// The longest wait for the serial-mouse detector's answer, in milliseconds.
// A detector that crashed or never finds anything must not hang the wizard.
#define QVX_DETECTOR_TIME_LIMIT 15000

// Pause between two looks at the detector's answer file, in milliseconds;
// waiting messages end the pause at once.
#define QVX_DETECTOR_POLL 50

// How long an abandoned detector is given to end once it has been told to,
// in milliseconds.
#define QVX_DETECTOR_STOP_WAIT 5000

// The longest program directory from which the detector is started.
#define QVX_DETECTOR_DIR_MAX 235

// Probes COM1..COM8 (always all eight); returns the highest port on which
// the tablet answered, or -1.
int ScanComPorts(void);

// Runs the identification exchange on an open port that already carries
// the probe settings; 1 when the tablet answered.
int ProbeTablet(HANDLE port);

// One synchronous write; 1 on success.
int WriteComBytes(HANDLE port, const void *bytes, DWORD count);

// Finds the COM port of an installed serial mouse (registry, then the
// external detector); with disable nonzero also disables that device in the
// current hardware profile. Returns the port, or 0 or below for none.
int FindMousePort(int disable);

// The registry half of FindMousePort: the first registered serial pointing
// device whose resources name COM1..COM4. Returns that port, or 0. With
// disable nonzero that device is disabled in the current hardware profile.
int FindRegisteredMouse(int disable);

// Takes back the last disable FindMousePort made in this process
// (UndoMouseDisable), so that an installation that did not complete leaves
// the mouse working. Does nothing when no disable changed anything.
void RestoreMouseDevice(void);

// What the last disable FindMousePort made in this process changed, for
// the record an installation keeps. Returns 0 when no disable changed
// anything or it was taken back.
int LastMouseDisable(MouseDisable *disable);

// The detector half of FindMousePort: starts ptrsniff.exe from the program
// directory and waits at most limit milliseconds for its answer, dispatching
// the thread's messages meanwhile. Returns the port it names (1..9), or 0.
int AskMouseDetector(DWORD limit);

#endif
