#!/usr/bin/python3
"""Misbehaving serial devices on the far ends of pseudo-terminal pairs.

usage: hostile_peer.py DIR N [N...]

For each port N the device talks over DIR/peerN, appends every byte it
receives to DIR/logN, and behaves as DIR/modeN says ("MODE GENERATION"; when
the text changes the device starts afresh and writes GENERATION to DIR/ackN).
DIR/ready appears once every peer is open. The request is 00 FA 72 05.

Modes:
  correct    answers "QUORVIX PR-4417"
  longreply  answers the identification and then 5000 bytes of noise
  silent     answers nothing
  noise      answers 15 random bytes, and sends a random byte now and then
  partial    answers "QUORVIX" only
  late       answers 14 characters, the 15th a second later (after both
             probe runs on the port are over)
  nul        answers the identification with a NUL in place of its blank
  flood      sends random bytes without pause, as fast as the line takes them
  xoff       sends XOFF and XON characters without pause
  trickle    sends one random byte every 90 ms, requests or not
"""
import os
import random
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../tools/sim"))
import serial_peer

REQUEST = b"\x00\xfar\x05"
IDENT = b"QUORVIX PR-4417"
STREAMS = ("flood", "xoff", "trickle", "noise")


# What it sends waits in pending until the line has room (serial_peer.serve
# writes it), so that a flooding device never blocks the others.
class Hostile(serial_peer.Peer):
    def __init__(self, directory, number):
        super().__init__(directory, number)
        self.random = random.Random(number)
        self.tail = b""
        self.later = []           # (time, bytes) to send at that time
        self.next_tick = 0.0

    def start(self, mode):
        self.mode = mode
        self.tail = b""
        self.pending = b""
        self.later = []

    def noise(self, count):
        return bytes(self.random.randrange(256) for _ in range(count))

    def answer(self):
        now = time.monotonic()
        if self.mode == "correct":
            self.pending += IDENT
        elif self.mode == "longreply":
            self.pending += IDENT + self.noise(5000)
        elif self.mode == "noise":
            self.pending += self.noise(15)
        elif self.mode == "partial":
            self.pending += IDENT[:7]
        elif self.mode == "late":
            self.pending += IDENT[:14]
            self.later.append((now + 1.0, IDENT[14:]))
        elif self.mode == "nul":
            self.pending += IDENT.replace(b" ", b"\x00")

    def take(self, data):
        for byte in data:
            self.tail = (self.tail + bytes([byte]))[-len(REQUEST):]
            if self.tail == REQUEST:
                self.answer()

    # What the device puts on the line by itself.
    def produce(self, now):
        for when, data in list(self.later):
            if when <= now:
                self.pending += data
                self.later.remove((when, data))
        if self.mode == "flood" and len(self.pending) < 4096:
            self.pending += self.noise(4096)
        elif self.mode == "xoff" and len(self.pending) < 4096:
            self.pending += b"\x13\x11" * 2048
        elif self.mode in ("trickle", "noise") and now >= self.next_tick:
            self.pending += self.noise(1)
            self.next_tick = now + (0.09 if self.mode == "trickle" else 0.4)


def main():
    directory = sys.argv[1]
    peers = [Hostile(directory, int(n)) for n in sys.argv[2:]]
    serial_peer.check_modes(peers)

    def tick():
        now = time.monotonic()
        for peer in peers:
            peer.check_mode()
            peer.produce(now)

    serial_peer.serve(directory, peers, 0.02, before=tick)


if __name__ == "__main__":
    main()
