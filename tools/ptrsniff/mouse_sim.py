#!/usr/bin/python3
"""Simulated serial mice (and other talkers) on pseudo-terminals, for the
serial-mouse detector's tests.

usage: mouse_sim.py DIR N:KIND [N:KIND...]

For each port N it makes a pseudo-terminal whose terminal end is linked as
DIR/comN (map that path to COMn in Wine) and plays the device KIND:
  ms      Microsoft-compatible mouse: "M"
  m3      three-button mouse: "M3"
  pnp     Plug and Play mouse, 7-bit identification "(...)" with class
          MOUSE and compatible ID PNP0F0C, no leading "M"
  pnp6    Plug and Play mouse as most send it: "M", then the identification
          in 6-bit form (0x08 ... 0x09)
  modem   Plug and Play modem, 7-bit identification with class MODEM
  junk    a few stray bytes on power-up, then nothing
  noise   a steady stream of random bytes at about 1200 baud, whatever the
          host does
  silent  nothing

When it powers up. A real mouse draws its power from DTR and RTS and sends
its identification when the host raises them again. Line signals do not
cross a pseudo-terminal, so the simulated device cannot see them. What does
cross is the host discarding its receive buffer (PurgeComm, a tcflush of
the terminal end, reported to this end in packet mode), which a host does
right before it raises the lines so that it reads only the fresh answer.
The device takes that flush as its power-up and answers 20 ms later. A
detector that never purges therefore finds nothing here, and one that
purges without touching DTR and RTS would be found although a real mouse
would stay silent: the lines themselves are not tested.

What the host receives depends on the line speed it chose, read from the
terminal end at the moment of sending: a mouse speaks 1200 baud, and at any
other speed the host gets garbage (zero bytes, as a receiver too fast for
the line sees it). Data bits and parity cannot be checked here: Linux keeps
every pseudo-terminal at 8 bits without parity whatever the host asks for.

A port's device can be changed while the simulator runs: write "KIND
GENERATION" to DIR/kindN; the port takes the new kind and then writes
GENERATION to DIR/ackN.

Files: DIR/logN gets one line per event ("powerup BAUD", "sent HEX",
"host HEX" for bytes the host wrote); DIR/settingsN always holds the
terminal end's current "BAUD STOPBITS"; DIR/ready appears when every port
is up. Each terminal end starts at 9600 baud and one stop bit, so a host
that does not put the settings back shows it.
"""
import fcntl
import os
import random
import struct
import sys
import termios
import time
import tty

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../sim"))
import serial_peer

BOOT_SECONDS = 0.02
NOISE_BYTES_PER_TICK = 2
TICK_SECONDS = 0.015

SPEEDS = {getattr(termios, "B%d" % b): b
          for b in (110, 300, 600, 1200, 2400, 4800, 9600, 19200, 38400,
                    57600, 115200)}


def pnp_id(body, six_bit):
    """Begin character, body, checksum, end character; the checksum is the
    sum of every character sent from begin to end, less the checksum."""
    if six_bit:
        chars = bytes([0x08]) + bytes(c - 0x20 for c in body)
        end = bytes([0x09])
        has_optional = b"\\" in body
        if has_optional:
            total = sum(chars) + sum(end)
            check = ("%02X" % (total & 0xFF)).encode()
            chars += bytes(c - 0x20 for c in check)
        return chars + end
    chars = b"(" + body
    if b"\\" in body:
        total = sum(chars) + ord(")")
        chars += ("%02X" % (total & 0xFF)).encode()
    return chars + b")"


REV = b"\x01\x24"  # version 1.00
REPLIES = {
    "ms": b"M",
    "m3": b"M3",
    "pnp": pnp_id(REV + b"PNR4417\\00000001\\MOUSE\\PNP0F0C\\PR-4417 TABLET", False),
    "pnp6": b"M" + pnp_id(bytes(c + 0x20 for c in REV) +
                          b"PNR4417\\00000002\\MOUSE\\PNP0F0C\\PR-4417 TABLET", True),
    "modem": pnp_id(REV + b"MDC0288\\00314159\\MODEM\\MDC0144,ATM0096\\ZIP 288", False),
    "junk": b"\x13\x7fQ\x05",
}

KINDS = set(REPLIES) | {"noise", "silent"}


def settings_of(fd):
    attrs = termios.tcgetattr(fd)
    cflag, ospeed = attrs[2], attrs[5]
    return SPEEDS.get(ospeed, 0), 2 if cflag & termios.CSTOPB else 1


def as_received(data, settings):
    baud, _ = settings
    return data if baud == 1200 else bytes(len(data))


class Port:
    pending = b""    # what it sends goes at once or not at all (see send)

    def __init__(self, directory, number, kind):
        self.number = number
        self.kind = kind
        self.fd, self.slave = os.openpty()   # the device's end, the host's end
        tty.setraw(self.slave)
        attrs = termios.tcgetattr(self.slave)
        attrs[2] &= ~termios.CSTOPB
        attrs[4] = attrs[5] = termios.B9600
        termios.tcsetattr(self.slave, termios.TCSANOW, attrs)
        fcntl.ioctl(self.fd, termios.TIOCPKT, struct.pack("i", 1))
        os.set_blocking(self.fd, False)
        link = os.path.join(directory, "com%d" % number)
        if os.path.lexists(link):
            os.unlink(link)
        os.symlink(os.ttyname(self.slave), link)
        self.log = open(os.path.join(directory, "log%d" % number), "a", buffering=1)
        self.settings_path = os.path.join(directory, "settings%d" % number)
        self.kind_path = os.path.join(directory, "kind%d" % number)
        self.ack_path = os.path.join(directory, "ack%d" % number)
        self.kind_text = None
        self.settings = None
        self.answer_at = None
        self.random = random.Random(number)
        self.note_settings()

    def note_settings(self):
        current = settings_of(self.slave)
        if current == self.settings:
            return
        self.settings = current
        serial_peer.replace_file(self.settings_path, "%d %d\n" % current)

    def check_kind(self):
        text = serial_peer.read_text(self.kind_path)
        if not text or text == self.kind_text:
            return
        words = text.split()
        if words[0] not in KINDS:
            return
        self.kind_text = text
        self.kind = words[0]
        self.answer_at = None
        serial_peer.replace_file(self.ack_path, words[1] if len(words) > 1 else "")

    def send(self, data):
        try:
            os.write(self.fd, data)
        except BlockingIOError:
            pass  # nobody reads the line and its buffer is full

    def receive(self):
        packet = serial_peer.read_some(self.fd)
        if not packet:
            return
        if packet[0] == termios.TIOCPKT_DATA:
            if len(packet) > 1:
                self.log.write("host %s\n" % packet[1:].hex())
        elif packet[0] & termios.TIOCPKT_FLUSHREAD:
            self.answer_at = time.monotonic() + BOOT_SECONDS

    def tick(self):
        self.check_kind()
        self.note_settings()
        if self.kind == "noise":
            self.send(bytes(self.random.randrange(256) for _ in range(NOISE_BYTES_PER_TICK)))
        if self.answer_at is not None and time.monotonic() >= self.answer_at:
            self.answer_at = None
            self.log.write("powerup %d\n" % self.settings[0])
            reply = REPLIES.get(self.kind)
            if reply:
                data = as_received(reply, self.settings)
                self.send(data)
                self.log.write("sent %s\n" % data.hex())


def main():
    directory = sys.argv[1]
    ports = []
    for entry in sys.argv[2:]:
        number, _, kind = entry.partition(":")
        if kind not in KINDS:
            sys.exit("unknown device kind %r" % kind)
        ports.append(Port(directory, int(number), kind))

    def tick():
        for port in ports:
            port.tick()

    serial_peer.serve(directory, ports, TICK_SECONDS, before=tick)


if __name__ == "__main__":
    main()
