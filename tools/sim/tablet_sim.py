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
  echo     sends back every byte it receives
  silent   answers nothing (also when the mode file is missing)
DIR/ready appears once every peer is open.
"""
import os
import select
import sys

REQUEST = b"\x00\xfar\x05"
IDENT = b"QUORVIX PR-4417"
REPLIES = {
    "correct": IDENT,
    "lower": IDENT.lower(),
    "short": IDENT[:14],
    "extra": IDENT + b"#ABC",
}


class Peer:
    def __init__(self, directory, number):
        self.number = number
        self.path = os.path.join(directory, "peer%d" % number)
        self.log_path = os.path.join(directory, "log%d" % number)
        self.mode_path = os.path.join(directory, "mode%d" % number)
        self.ack_path = os.path.join(directory, "ack%d" % number)
        self.fd = os.open(self.path, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        self.log = open(self.log_path, "ab", buffering=0)
        self.mode_text = None
        self.mode = "silent"
        self.tail = b""
        self.requests = 0

    def send(self, data):
        while data:
            try:
                data = data[os.write(self.fd, data):]
            except BlockingIOError:
                select.select([], [self.fd], [], 0.1)

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
        mode = words[0] if words else "silent"
        self.mode, _, flag = mode.partition("+")
        self.tail = b""
        self.requests = 0
        if flag == "junk":
            self.send(b"ZZZ")
        with open(self.ack_path + ".tmp", "w") as f:
            f.write(words[1] if len(words) > 1 else "")
        os.replace(self.ack_path + ".tmp", self.ack_path)

    def receive(self):
        try:
            data = os.read(self.fd, 4096)
        except (BlockingIOError, OSError):
            return
        if not data:
            return
        self.log.write(data)
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
    peers = [Peer(directory, int(n)) for n in sys.argv[2:]]
    for peer in peers:
        peer.check_mode()
    open(os.path.join(directory, "ready"), "w").close()
    by_fd = {peer.fd: peer for peer in peers}
    while True:
        readable, _, _ = select.select(list(by_fd), [], [], 0.05)
        for peer in peers:
            peer.check_mode()
        for fd in readable:
            by_fd[fd].receive()


if __name__ == "__main__":
    main()
