// The identification exchange with the tablet on one open port.
#include "detect/detect.h"

static const char kTabletId[] = QVX_TABLET_ID;

int WriteComBytes(HANDLE port, const void *bytes, DWORD count)
{
    DWORD written = 0;
    return WriteFile(port, bytes, count, &written, NULL) ? 1 : 0;
}

int ProbeTablet(HANDLE port)
{
    unsigned char command[2];
    char reply[sizeof kTabletId];
    int idLength = lstrlenA(kTabletId);
    int stored = 0;

    // Whatever the device sent before the request (line noise, the tail
    // of an earlier answer) must not be taken for the start of the reply.
    PurgeComm(port, PURGE_TXCLEAR | PURGE_RXCLEAR);

    command[0] = 0x00;
    WriteComBytes(port, command, 1);
    command[0] = 0xFA;
    command[1] = 0x72;
    WriteComBytes(port, command, 2);
    command[0] = 0x05;
    WriteComBytes(port, command, 1);

    // One byte per read, so each read is bounded by the port's time-outs.
    // The read after the 15th byte takes one more byte off the line (or
    // waits out the time-out) and drops it.
    for (;;) {
        char byte;
        DWORD got = 0;
        if (!ReadFile(port, &byte, 1, &got, NULL))
            break;
        if (stored == idLength)
            break;
        if (got == 0)
            break;
        reply[stored++] = byte;
    }
    reply[stored] = '\0';

    command[0] = 0xFA;
    command[1] = 0x40;
    WriteComBytes(port, command, 2);

    return lstrcmpA(reply, kTabletId) == 0 ? 1 : 0;
}
