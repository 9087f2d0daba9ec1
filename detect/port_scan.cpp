// The scan over COM1..COM8 for the tablet.
#include "detect/detect.h"

#define SCAN_FIRST_PORT 1
#define SCAN_LAST_PORT 8
#define PROBE_SETTLE_MS 200

// Opens COMn, gives it the tablet's line settings, runs the probe (twice at
// most) and puts the port's own settings back. 1 when the tablet answered.
static int ProbePort(int number)
{
    char name[8];
    wsprintfA(name, "COM%d:.", number);
    HANDLE port = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (port == INVALID_HANDLE_VALUE)
        return 0;

    // Only a real RS-232 port gets the request: a modem or some other
    // provider behind a COM name is left exactly as it is.
    COMMPROP props;
    ZeroMemory(&props, sizeof props);
    GetCommProperties(port, &props);
    if (props.dwProvSubType != PST_RS232) {
        CloseHandle(port);
        return 0;
    }

    DCB saved;
    ZeroMemory(&saved, sizeof saved);
    saved.DCBlength = sizeof saved;
    GetCommState(port, &saved);
    SetCommState(port, &saved);

    DCB probe = saved;
    probe.BaudRate = 9600;
    probe.ByteSize = 8;
    probe.Parity = EVENPARITY;
    probe.StopBits = ONESTOPBIT;
    probe.fDtrControl = DTR_CONTROL_ENABLE;
    probe.fRtsControl = RTS_CONTROL_ENABLE;
    SetCommState(port, &probe);
    EscapeCommFunction(port, SETDTR);
    EscapeCommFunction(port, SETRTS);

    COMMTIMEOUTS savedTimeouts;
    ZeroMemory(&savedTimeouts, sizeof savedTimeouts);
    GetCommTimeouts(port, &savedTimeouts);
    COMMTIMEOUTS probeTimeouts;
    probeTimeouts.ReadIntervalTimeout = 20;
    probeTimeouts.ReadTotalTimeoutMultiplier = 10;
    probeTimeouts.ReadTotalTimeoutConstant = 100;
    probeTimeouts.WriteTotalTimeoutMultiplier = 10;
    probeTimeouts.WriteTotalTimeoutConstant = 100;
    SetCommTimeouts(port, &probeTimeouts);

    // The tablet needs a moment after DTR and RTS come up before it listens.
    SleepEx(PROBE_SETTLE_MS, TRUE);
    int found = ProbeTablet(port);
    if (!found) {
        SleepEx(PROBE_SETTLE_MS, TRUE);
        found = ProbeTablet(port);
    }

    SetCommState(port, &saved);
    SetCommTimeouts(port, &savedTimeouts);
    CloseHandle(port);
    return found;
}

int ScanComPorts(void)
{
    int result = -1;
    // Every port is probed, even after a hit: the last port that answers
    // is the one reported.
    for (int number = SCAN_FIRST_PORT; number <= SCAN_LAST_PORT; number++)
        if (ProbePort(number))
            result = number;
    return result;
}
