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
import select
import sys
import time

REQUEST = b"\x00\xfar\x05"
IDENT = b"QUORVIX PR-4417"
STREAMS = ("flood", "xoff", "trickle", "noise")


class Peer:
    def __init__(self, directory, number):
        self.number = number
        self.path = os.path.join(directory, "peer%d" % number)
        self.log = open(os.path.join(directory, "log%d" % number), "ab", buffering=0)
        self.mode_path = os.path.join(directory, "mode%d" % number)
        self.ack_path = os.path.join(directory, "ack%d" % number)
        self.fd = os.open(self.path, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        self.random = random.Random(number)
        self.mode_text = None
        self.mode = "silent"
        self.tail = b""
        self.pending = b""        # bytes waiting for room on the line
        self.later = []           # (time, bytes) to send at that time
        self.next_tick = 0.0

    def check_mode(self):
        try:
            with open(self.mode_path) as f:
                text = f.read().strip()
        except OSError:
            text = ""
        if text == self.mode_text:
            return
        self.mode_text = text
        words = text.split()
        self.mode = words[0] if words else "silent"
        self.tail = b""
        self.pending = b""
        self.later = []
        with open(self.ack_path + ".tmp", "w") as f:
            f.write(words[1] if len(words) > 1 else "")
        os.replace(self.ack_path + ".tmp", self.ack_path)

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

    def receive(self):
        try:
            data = os.read(self.fd, 4096)
        except (BlockingIOError, OSError):
            return
        if not data:
            return
        self.log.write(data)
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

    def send(self):
        if not self.pending:
            return
        try:
            sent = os.write(self.fd, self.pending)
            self.pending = self.pending[sent:]
        except (BlockingIOError, OSError):
            pass


def main():
    directory = sys.argv[1]
    peers = [Peer(directory, int(n)) for n in sys.argv[2:]]
    for peer in peers:
        peer.check_mode()
    open(os.path.join(directory, "ready"), "w").close()
    by_fd = {peer.fd: peer for peer in peers}
    while True:
        now = time.monotonic()
        for peer in peers:
            peer.check_mode()
            peer.produce(now)
        writers = [p.fd for p in peers if p.pending]
        readable, writable, _ = select.select(list(by_fd), writers, [], 0.02)
        for fd in readable:
            by_fd[fd].receive()
        for fd in writable:
            by_fd[fd].send()


if __name__ == "__main__":
    main()
