// Finding the tablet's COM port: the identification exchange over COM1 to
// COM8, and the lookup of a serial mouse that Windows installed on a port.
#ifndef QVX_DETECT_H
#define QVX_DETECT_H

#include <windows.h>

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

#endif
