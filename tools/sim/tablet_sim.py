#!/usr/bin/python3
"""Simulated serial devices on the far ends of pseudo-terminal pairs.

usage: tablet_sim.py DIR N [N...]

For each port N the device talks over DIR/peerN (the far end of the pair
whose near end Wine maps as COMN, or any other file to watch, such as a
fifo), appends every byte it receives to DIR/logN, and behaves as DIR/modeN
says. A mode file holds "MODE[+junk] GENERATION"; when its text changes the
device starts afresh in the new mode and writes GENERATION to DIR/ackN.
"+junk" puts a few stray bytes on the line at once, before any request.

Modes (the answer follows the request 00 FA 72 05):
  correct  answers "QUORVIX PR-4417"
  second   answers only from the second request on
  lower    answers in small letters
  short    answers the first 14 characters only
  extra    answers the 15 characters and then "#ABC"
  high     answers "QUORVIX PR-4417" with the high bit set in its "X"
  echo     sends back every byte it receives
  silent   answers nothing (also when the mode file is missing)
DIR/ready appears once every peer is open.
"""
import sys

import serial_peer

REQUEST = b"\x00\xfar\x05"
IDENT = b"QUORVIX PR-4417"
REPLIES = {
    "correct": IDENT,
    "lower": IDENT.lower(),
    "short": IDENT[:14],
    "extra": IDENT + b"#ABC",
    "high": IDENT.replace(b"X", bytes([ord("X") | 0x80])),
}


class Tablet(serial_peer.Peer):
    def __init__(self, directory, number):
        super().__init__(directory, number)
        self.tail = b""
        self.requests = 0

    def send(self, data):
        serial_peer.send_all(self.fd, data)

    def start(self, mode):
        self.mode, _, flag = mode.partition("+")
        self.tail = b""
        self.requests = 0
        if flag == "junk":
            self.send(b"ZZZ")

    def take(self, data):
        for byte in data:
            if self.mode == "echo":
                self.send(bytes([byte]))
            self.tail = (self.tail + bytes([byte]))[-len(REQUEST):]
            if self.tail != REQUEST:
                continue
            self.requests += 1
            if self.mode == "second":
                if self.requests >= 2:
                    self.send(IDENT)
            elif self.mode in REPLIES:
                self.send(REPLIES[self.mode])


def main():
    directory = sys.argv[1]
    peers = [Tablet(directory, int(n)) for n in sys.argv[2:]]
    serial_peer.check_modes(peers)
    # A new mode is taken before the bytes that came while waiting.
    serial_peer.serve(directory, peers, 0.05, after=lambda: serial_peer.check_modes(peers))


if __name__ == "__main__":
    main()
