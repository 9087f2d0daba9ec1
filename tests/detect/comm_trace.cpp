#include "comm_trace.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

bool g_installed;
bool g_tracing;
bool g_withTimeouts;
COMMTIMEOUTS g_timeouts;
std::vector<PortTrace> g_ports;
std::vector<HANDLE> g_handles;  // parallel to g_ports; NULL once closed
CRITICAL_SECTION g_underWayLock;
std::string g_underWay;

typedef HANDLE(WINAPI *CreateFileA_t)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
typedef BOOL(WINAPI *CloseHandle_t)(HANDLE);
typedef BOOL(WINAPI *GetCommProperties_t)(HANDLE, LPCOMMPROP);
typedef BOOL(WINAPI *CommState_t)(HANDLE, LPDCB);
typedef BOOL(WINAPI *CommTimeouts_t)(HANDLE, LPCOMMTIMEOUTS);
typedef BOOL(WINAPI *EscapeCommFunction_t)(HANDLE, DWORD);
typedef BOOL(WINAPI *PurgeComm_t)(HANDLE, DWORD);
typedef BOOL(WINAPI *WriteFile_t)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
typedef BOOL(WINAPI *ReadFile_t)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);

CreateFileA_t realCreateFileA;
CloseHandle_t realCloseHandle;
GetCommProperties_t realGetCommProperties;
CommState_t realGetCommState, realSetCommState;
CommTimeouts_t realGetCommTimeouts, realSetCommTimeouts;
EscapeCommFunction_t realEscapeCommFunction;
PurgeComm_t realPurgeComm;
WriteFile_t realWriteFile;
ReadFile_t realReadFile;

PortTrace *Find(HANDLE h)
{
    if (!g_tracing || h == NULL || h == INVALID_HANDLE_VALUE)
        return nullptr;
    for (size_t i = 0; i < g_handles.size(); i++)
        if (g_handles[i] == h)
            return &g_ports[i];
    return nullptr;
}

// Records a call on a traced port and marks it under way until it returns.
struct Note {
    PortTrace *port;
    Note(HANDLE h, const std::string &call) : port(Find(h))
    {
        if (!port)
            return;
        port->calls.push_back(call);
        EnterCriticalSection(&g_underWayLock);
        g_underWay = call + " on " + port->name + (port->rs232 ? " (RS-232)" : " (not RS-232)");
        LeaveCriticalSection(&g_underWayLock);
    }
    ~Note()
    {
        if (!port)
            return;
        EnterCriticalSection(&g_underWayLock);
        g_underWay.clear();
        LeaveCriticalSection(&g_underWayLock);
    }
};

HANDLE WINAPI HookCreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                              DWORD disposition, DWORD flags, HANDLE tmpl)
{
    HANDLE h = realCreateFileA(name, access, share, sa, disposition, flags, tmpl);
    if (!g_tracing || !name || _strnicmp(name, "COM", 3) != 0)
        return h;
    PortTrace t;
    t.name = name;
    t.opened = h != INVALID_HANDLE_VALUE;
    for (HANDLE other : g_handles)
        if (other)
            t.openAtOnce++;
    if (t.opened) {
        COMMPROP props = {};
        t.rs232 = realGetCommProperties(h, &props) && props.dwProvSubType == PST_RS232;
        if (t.rs232 && g_withTimeouts)
            realSetCommTimeouts(h, &g_timeouts);
    }
    g_ports.push_back(t);
    g_handles.push_back(t.opened ? h : NULL);
    return h;
}

BOOL WINAPI HookCloseHandle(HANDLE h)
{
    if (PortTrace *p = Find(h)) {
        p->closingState.DCBlength = sizeof(DCB);
        if (p->rs232) {
            realGetCommState(h, &p->closingState);
            realGetCommTimeouts(h, &p->closingTimeouts);
        }
        p->closed = true;
        for (HANDLE &other : g_handles)
            if (other == h)
                other = NULL;
    }
    return realCloseHandle(h);
}

BOOL WINAPI HookGetCommProperties(HANDLE h, LPCOMMPROP p) { Note n(h, "GetCommProperties"); return realGetCommProperties(h, p); }
BOOL WINAPI HookGetCommState(HANDLE h, LPDCB d) { Note n(h, "GetCommState"); return realGetCommState(h, d); }
BOOL WINAPI HookSetCommState(HANDLE h, LPDCB d)
{
    Note n(h, "SetCommState");
    if (n.port)
        n.port->stateRequests.push_back(*d);
    return realSetCommState(h, d);
}
BOOL WINAPI HookGetCommTimeouts(HANDLE h, LPCOMMTIMEOUTS t) { Note n(h, "GetCommTimeouts"); return realGetCommTimeouts(h, t); }
BOOL WINAPI HookSetCommTimeouts(HANDLE h, LPCOMMTIMEOUTS t) { Note n(h, "SetCommTimeouts"); return realSetCommTimeouts(h, t); }
BOOL WINAPI HookEscapeCommFunction(HANDLE h, DWORD f) { Note n(h, "EscapeCommFunction " + std::to_string(f)); return realEscapeCommFunction(h, f); }
BOOL WINAPI HookPurgeComm(HANDLE h, DWORD f) { Note n(h, "PurgeComm " + std::to_string(f)); return realPurgeComm(h, f); }
BOOL WINAPI HookReadFile(HANDLE h, LPVOID b, DWORD n, LPDWORD got, LPOVERLAPPED o) { Note note(h, "ReadFile"); return realReadFile(h, b, n, got, o); }
BOOL WINAPI HookWriteFile(HANDLE h, LPCVOID b, DWORD n, LPDWORD done, LPOVERLAPPED o)
{
    Note note(h, "WriteFile");
    if (note.port)
        note.port->writeSizes.push_back(n);
    return realWriteFile(h, b, n, done, o);
}

// Points this program's import of kernel32!name at hook.
template <typename F>
void Patch(const char *name, F hook, F *real)
{
    BYTE *base = (BYTE *)GetModuleHandleA(NULL);
    IMAGE_NT_HEADERS *nt = (IMAGE_NT_HEADERS *)(base + ((IMAGE_DOS_HEADER *)base)->e_lfanew);
    IMAGE_DATA_DIRECTORY dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    bool patched = false;
    for (IMAGE_IMPORT_DESCRIPTOR *d = (IMAGE_IMPORT_DESCRIPTOR *)(base + dir.VirtualAddress); d->Name; d++) {
        if (_stricmp((char *)(base + d->Name), "kernel32.dll") != 0)
            continue;
        IMAGE_THUNK_DATA *names = (IMAGE_THUNK_DATA *)(base + d->OriginalFirstThunk);
        IMAGE_THUNK_DATA *slots = (IMAGE_THUNK_DATA *)(base + d->FirstThunk);
        for (; names->u1.AddressOfData; names++, slots++) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            IMAGE_IMPORT_BY_NAME *byName = (IMAGE_IMPORT_BY_NAME *)(base + names->u1.AddressOfData);
            if (strcmp((char *)byName->Name, name) != 0)
                continue;
            DWORD old;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
            *real = (F)slots->u1.Function;
            slots->u1.Function = (ULONG_PTR)hook;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
            patched = true;
        }
    }
    if (!patched)
        ADD_FAILURE() << "kernel32!" << name << " is not imported; cannot watch it";
}

}  // namespace

void StartCommTrace(const COMMTIMEOUTS *timeouts)
{
    if (!g_installed) {
        g_installed = true;
        InitializeCriticalSection(&g_underWayLock);
        Patch("CreateFileA", HookCreateFileA, &realCreateFileA);
        Patch("CloseHandle", HookCloseHandle, &realCloseHandle);
        Patch("GetCommProperties", HookGetCommProperties, &realGetCommProperties);
        Patch("GetCommState", HookGetCommState, &realGetCommState);
        Patch("SetCommState", HookSetCommState, &realSetCommState);
        Patch("GetCommTimeouts", HookGetCommTimeouts, &realGetCommTimeouts);
        Patch("SetCommTimeouts", HookSetCommTimeouts, &realSetCommTimeouts);
        Patch("EscapeCommFunction", HookEscapeCommFunction, &realEscapeCommFunction);
        Patch("PurgeComm", HookPurgeComm, &realPurgeComm);
        Patch("WriteFile", HookWriteFile, &realWriteFile);
        Patch("ReadFile", HookReadFile, &realReadFile);
    }
    g_ports.clear();
    g_handles.clear();
    g_withTimeouts = timeouts != nullptr;
    if (timeouts)
        g_timeouts = *timeouts;
    g_tracing = true;
}

std::vector<PortTrace> StopCommTrace()
{
    g_tracing = false;
    return g_ports;
}

std::string CommCallUnderWay()
{
    if (!g_installed)
        return "";
    EnterCriticalSection(&g_underWayLock);
    std::string call = g_underWay;
    LeaveCriticalSection(&g_underWayLock);
    return call;
}
