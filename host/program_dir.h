// The directory the running program was started from: the driver package,
// where both programs find setup.ini and the installer finds the detector.
#ifndef QVX_PROGRAM_DIR_H
#define QVX_PROGRAM_DIR_H

#include <windows.h>

// Fills dir (size bytes, at least MAX_PATH) with the running program's
// directory, ending in its backslash. Returns 0 when the module path could
// not be read.
int GetProgramDir(char *dir, int size);

#endif
