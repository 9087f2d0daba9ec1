// Watches the serial calls that the code under test makes, by patching the
// test program's own import table: every COM port it opens, what it asks of
// it (the line settings it sets included), and the line settings and
// time-outs the port carries when it is closed.
#ifndef QVX_COMM_TRACE_H
#define QVX_COMM_TRACE_H

#include <windows.h>
#include <string>
#include <vector>

struct PortTrace {
    std::string name;            // as given to CreateFileA
    bool opened = false;
    bool rs232 = false;          // GetCommProperties reported PST_RS232
    std::vector<std::string> calls;       // comm calls after the open, in order
    std::vector<DWORD> writeSizes;
    std::vector<DCB> stateRequests;       // each DCB given to SetCommState
    DCB closingState = {};       // read just before the handle was closed
    COMMTIMEOUTS closingTimeouts = {};
    bool closed = false;
    int openAtOnce = 0;          // COM handles open when this one was opened
};

// Installs the hooks (once) and clears the record. With timeouts given,
// each RS-232 port opened gets them at once, standing in for a port driver
// whose own time-outs must come back after the scan.
void StartCommTrace(const COMMTIMEOUTS *timeouts);
std::vector<PortTrace> StopCommTrace();

// The call on a traced port that has not returned yet, as "ReadFile on
// COM2:. (not RS-232)"; "" when there is none. Any thread may ask.
std::string CommCallUnderWay();

#endif
