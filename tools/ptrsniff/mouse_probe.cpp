// One port's look for a serial mouse, the classic way: the mouse draws its
// power from DTR and RTS, so dropping both and raising them again restarts
// it, and a mouse sends its identification at 1200 baud, 7 data bits, no
// parity, one stop bit within 200 ms of getting power.
#include "tools/ptrsniff/ptrsniff.h"

int ReadMouseReply(HANDLE port, unsigned char *reply, int size, int *ended)
{
    *ended = 0;
    // Every read ends by its total time-out; no interval time-out, so a
    // read never waits for a byte that does not come. The detector writes
    // nothing, but a write time-out is set all the same.
    COMMTIMEOUTS timeouts;
    timeouts.ReadIntervalTimeout = 0;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = MOUSE_FIRST_CHAR_MS;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = MOUSE_CHAR_GAP_MS;
    if (!SetCommTimeouts(port, &timeouts))
        return 0;
    DWORD got = 0;
    if (size <= 0 || !ReadFile(port, reply, 1, &got, NULL) || got != 1)
        return 0;

    // Then one character at a time until the line is quiet for a gap; a
    // line still busy when the buffer is full or the reply limit has
    // passed is not ended.
    int count = 1;
    timeouts.ReadTotalTimeoutConstant = MOUSE_CHAR_GAP_MS;
    if (!SetCommTimeouts(port, &timeouts))
        return count;
    DWORD start = GetTickCount();
    while (count < size && GetTickCount() - start < MOUSE_REPLY_LIMIT_MS) {
        got = 0;
        if (!ReadFile(port, reply + count, 1, &got, NULL))
            return count;
        if (got == 0) {
            *ended = 1;
            return count;
        }
        count++;
    }
    return count;
}

// With the port's settings saved: the mouse line settings, the power cycle
// and the read. The caller puts the saved settings back.
static int PowerCycleAndRead(HANDLE port, const DCB *saved)
{
    DCB line = *saved;
    line.BaudRate = CBR_1200;
    line.ByteSize = 7;
    line.Parity = NOPARITY;
    line.StopBits = ONESTOPBIT;
    line.fBinary = TRUE;
    line.fParity = FALSE;
    line.fOutxCtsFlow = FALSE;
    line.fOutxDsrFlow = FALSE;
    line.fDsrSensitivity = FALSE;
    line.fOutX = FALSE;
    line.fInX = FALSE;
    line.fErrorChar = FALSE;
    line.fNull = FALSE;
    line.fAbortOnError = FALSE;
    // Both lines low: the mouse loses its power. The result is not looked
    // at: a port can report failure when it took the speed but kept its own
    // character format, and whatever it then receives is judged by the
    // reply rules like any other reply. Only the time-outs must hold (see
    // ReadMouseReply), or a read could wait for ever.
    line.fDtrControl = DTR_CONTROL_DISABLE;
    line.fRtsControl = RTS_CONTROL_DISABLE;
    SetCommState(port, &line);
    EscapeCommFunction(port, CLRDTR);
    EscapeCommFunction(port, CLRRTS);
    Sleep(MOUSE_POWER_DOWN_MS);

    // What came in while the mouse was switching off is not its answer.
    PurgeComm(port, PURGE_RXABORT | PURGE_RXCLEAR);
    EscapeCommFunction(port, SETDTR);
    EscapeCommFunction(port, SETRTS);

    unsigned char reply[MOUSE_REPLY_MAX];
    int ended = 0;
    int count = ReadMouseReply(port, reply, sizeof reply, &ended);
    return IsMouseReply(reply, count, ended);
}

int ProbeMousePort(int number)
{
    char name[8];
    wsprintfA(name, "COM%d", number);
    HANDLE port = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (port == INVALID_HANDLE_VALUE)
        return 0;

    // Only a real RS-232 port is touched: a modem or another provider
    // behind a COM name is left as it is. A port whose settings cannot be
    // read cannot be put back either, so it is left alone too.
    int found = 0;
    COMMPROP props;
    ZeroMemory(&props, sizeof props);
    DCB saved;
    ZeroMemory(&saved, sizeof saved);
    saved.DCBlength = sizeof saved;
    COMMTIMEOUTS savedTimeouts;
    ZeroMemory(&savedTimeouts, sizeof savedTimeouts);
    if (GetCommProperties(port, &props) && props.dwProvSubType == PST_RS232 &&
        GetCommState(port, &saved) && GetCommTimeouts(port, &savedTimeouts)) {
        found = PowerCycleAndRead(port, &saved);
        SetCommState(port, &saved);
        SetCommTimeouts(port, &savedTimeouts);
    }
    CloseHandle(port);
    return found;
}

int FindSerialMouse(void)
{
    for (int number = SNIFF_FIRST_PORT; number <= SNIFF_LAST_PORT; number++)
        if (ProbeMousePort(number))
            return number;
    return 0;
}
