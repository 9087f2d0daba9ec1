// The serial-mouse detector: looks for a serial mouse on COM1 to COM4 and
// writes its port into an INI file for the installer.
#ifndef QVX_PTRSNIFF_H
#define QVX_PTRSNIFF_H

#include <windows.h>

#define SNIFF_FIRST_PORT 1
#define SNIFF_LAST_PORT 4

// Room for the longest Plug and Play identification (153 characters with
// every optional field at its longest) and a little more.
#define MOUSE_REPLY_MAX 160

// Time-outs of one port's look, in milliseconds. A mouse powered from DTR
// and RTS needs the lines low for a while to switch off, starts sending
// within 200 ms of getting power back, and sends its characters back to
// back at 1200 baud (7.5 ms each); the longest identification takes about
// 1.2 s. A line that keeps talking past the reply limit is not a mouse.
#define MOUSE_POWER_DOWN_MS 200
#define MOUSE_FIRST_CHAR_MS 250
#define MOUSE_CHAR_GAP_MS 100
#define MOUSE_REPLY_LIMIT_MS 1600

// 1 when the bytes a port sent after its lines came up identify a serial
// pointing device: a Microsoft-compatible mouse ("M", "M3", ...) or a Plug
// and Play identification of a mouse. ended is nonzero when the reply was
// followed by silence; a reply cut off while the line was still busy is
// noise.
int IsMouseReply(const unsigned char *reply, int count, int ended);

// Reads what a port sends after its lines came up, within the time-outs
// above; sets *ended when the line fell silent. Returns the byte count.
int ReadMouseReply(HANDLE port, unsigned char *reply, int size, int *ended);

// Power-cycles the mouse that may sit on COMn and reads its identification,
// leaving the port's own settings as they were. 1 when a mouse answered.
int ProbeMousePort(int number);

// The first port of COM1..COM4 with a mouse, or 0.
int FindSerialMouse(void);

#endif
