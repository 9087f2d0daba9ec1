"""What the simulated serial devices have in common (tablet_sim.py here,
hostile_peer.py and mouse_sim.py elsewhere): the far end of each line, the
files through which a test steers a device and reads what it was sent, and
the loop that serves every line.

A Peer talks over DIR/peerN, appends every byte it receives to DIR/logN, and
behaves as DIR/modeN says ("MODE GENERATION"; when the text changes the
device starts afresh in MODE and then writes GENERATION to DIR/ackN; no
mode file means "silent"). DIR/ready appears once every device is open.
"""
import os
import select


def replace_file(path, text):
    """Writes TEXT to PATH through a file beside it, so that a reader sees
    the old text or the new, never a part of it."""
    with open(path + ".tmp", "w") as f:
        f.write(text)
    os.replace(path + ".tmp", path)


def read_text(path):
    """PATH's text without surrounding blanks; "" when it cannot be read."""
    try:
        with open(path) as f:
            return f.read().strip()
    except OSError:
        return ""


def read_some(fd):
    """What the line holds now, up to 4096 bytes; b"" when nothing."""
    try:
        return os.read(fd, 4096)
    except OSError:  # BlockingIOError too
        return b""


def send_all(fd, data):
    """Writes all of DATA, waiting for room while the line is full."""
    while data:
        try:
            data = data[os.write(fd, data):]
        except BlockingIOError:
            select.select([], [fd], [], 0.1)


class Peer:
    """One device on DIR/peerN. A simulator's device derives from it and
    says what starting afresh in a mode means (start) and what it does with
    the bytes it receives (take)."""

    def __init__(self, directory, number):
        self.number = number
        self.path = os.path.join(directory, "peer%d" % number)
        self.fd = os.open(self.path, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        self.log = open(os.path.join(directory, "log%d" % number), "ab", buffering=0)
        self.mode_path = os.path.join(directory, "mode%d" % number)
        self.ack_path = os.path.join(directory, "ack%d" % number)
        self.mode_text = None
        self.mode = "silent"
        self.pending = b""        # bytes waiting for room on the line

    def check_mode(self):
        text = read_text(self.mode_path)
        if text == self.mode_text:
            return
        self.mode_text = text
        words = text.split()
        self.start(words[0] if words else "silent")
        replace_file(self.ack_path, words[1] if len(words) > 1 else "")

    def start(self, mode):
        self.mode = mode

    def take(self, data):
        pass

    def receive(self):
        data = read_some(self.fd)
        if data:
            self.log.write(data)
            self.take(data)

    def flush(self):
        """Puts as many pending bytes on the line as it has room for."""
        if not self.pending:
            return
        try:
            sent = os.write(self.fd, self.pending)
            self.pending = self.pending[sent:]
        except OSError:
            pass


def check_modes(peers):
    for peer in peers:
        peer.check_mode()


def serve(directory, peers, timeout, before=None, after=None):
    """Writes DIR/ready, then serves PEERS (objects with fd, pending,
    receive() and flush()) for ever. Each round calls before(), waits up to
    TIMEOUT seconds for lines with bytes to read or with room for pending
    bytes, calls after(), and then reads and writes those lines."""
    open(os.path.join(directory, "ready"), "w").close()
    by_fd = {peer.fd: peer for peer in peers}
    while True:
        if before:
            before()
        writers = [peer.fd for peer in peers if peer.pending]
        readable, writable, _ = select.select(list(by_fd), writers, [], timeout)
        if after:
            after()
        for fd in readable:
            by_fd[fd].receive()
        for fd in writable:
            by_fd[fd].flush()
