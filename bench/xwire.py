"""A minimal X11 client over the display's Unix socket, standard library only.

The benchmark needs to know when a window is mapped and painted, and to send a
button release, with less delay than starting xwininfo, import or xdotool
(each is a process start of its own, tens of milliseconds).  This speaks just
enough of the protocol for that: structure events of the root window,
GetImage, and the XTEST extension's FakeInput.

Xvfb as winehost starts it has no access control for local clients, so the
connection sends no authorisation.
"""

import os
import select
import socket
import struct
import time

# Event codes (core protocol).
CREATE_NOTIFY = 16
DESTROY_NOTIFY = 17
UNMAP_NOTIFY = 18
MAP_NOTIFY = 19
REPARENT_NOTIFY = 21
CONFIGURE_NOTIFY = 22

SUBSTRUCTURE_NOTIFY_MASK = 1 << 19

# XTEST FakeInput event types.
BUTTON_PRESS = 4
BUTTON_RELEASE = 5
MOTION_NOTIFY = 6


class XError(RuntimeError):
    pass


def _pad(n):
    return (4 - n % 4) % 4


class Display:
    """One connection.  Structure events of the root's children are read as
    they come (pump) and kept in self.windows (id -> dict of x, y, width,
    height, mapped, and the time.monotonic() at which this client received
    its creation, its last move or resize and its mapping: created_at,
    placed_at, mapped_at) and in self.log (time, kind, window id)."""

    def __init__(self, display):
        number = display.lstrip(":").split(".")[0]
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect("/tmp/.X11-unix/X%s" % number)
        self.buf = b""
        self.seq = 0
        self.replies = {}
        self.windows = {}
        self.log = []
        self._setup()
        self.root_children_events()
        self.xtest = self._query_extension(b"XTEST")

    # -- wire ---------------------------------------------------------------

    def _read_some(self, timeout):
        ready, _, _ = select.select([self.sock], [], [], timeout)
        if not ready:
            return False
        data = self.sock.recv(65536)
        if not data:
            raise XError("X server closed the connection")
        self.buf += data
        return True

    def _take(self, n, timeout=10.0):
        end = time.monotonic() + timeout
        while len(self.buf) < n:
            left = end - time.monotonic()
            if left <= 0 or not self._read_some(left):
                raise XError("X server did not answer")
        out, self.buf = self.buf[:n], self.buf[n:]
        return out

    def _setup(self):
        self.sock.sendall(struct.pack("<BxHHHHxx", 0x6C, 11, 0, 0, 0))
        head = self._take(8)
        status, _, major, minor, length = struct.unpack("<BBHHH", head)
        body = self._take(length * 4)
        if status != 1:
            raise XError("X connection refused: %r" % body[: head[1]])
        (_release, self.id_base, self.id_mask, _motion, vendor_len, _maxreq, screens,
         formats, _ibo, _bbo, _bsu, _bsp, _minkc, _maxkc) = struct.unpack("<IIIIHHBBBBBBBB4x", body[:32])
        pos = 32 + vendor_len + _pad(vendor_len)
        self.bpp = {}
        for _ in range(formats):
            depth, bpp, _scanpad = struct.unpack("<BBB5x", body[pos : pos + 8])
            self.bpp[depth] = bpp
            pos += 8
        (self.root, _cmap, _white, _black, _masks, self.width, self.height, _wmm, _hmm, _minmaps,
         _maxmaps, self.root_visual, _bs, _su, self.root_depth, ndepths) = struct.unpack(
            "<IIIIIHHHHHHIBBBB", body[pos : pos + 40])
        pos += 40
        self.masks = None
        for _ in range(ndepths):
            depth, nvisuals = struct.unpack("<BxH4x", body[pos : pos + 8])
            pos += 8
            for _ in range(nvisuals):
                vid, _cls, _bits, _entries, red, green, blue = struct.unpack("<IBBHIII4x", body[pos : pos + 24])
                if vid == self.root_visual:
                    self.masks = (red, green, blue)
                pos += 24
        self.next_id = 0

    def _request(self, data):
        self.seq = (self.seq + 1) & 0xFFFF
        self.sock.sendall(data)
        return self.seq

    def _dispatch_one(self):
        """Handle one complete message from the buffer; False if there is none."""
        if len(self.buf) < 32:
            return False
        kind = self.buf[0] & 0x7F
        if kind == 1:
            length = struct.unpack("<I", self.buf[4:8])[0]
            if len(self.buf) < 32 + 4 * length:
                return False
            msg = self._take(32 + 4 * length)
            self.replies[struct.unpack("<H", msg[2:4])[0]] = msg
        elif kind == 0:
            msg = self._take(32)
            code, seq = msg[1], struct.unpack("<H", msg[2:4])[0]
            self.replies[seq] = XError("X error %d (request %d.%d)" % (code, msg[10], struct.unpack("<H", msg[8:10])[0]))
        else:
            self._event(self._take(32))
        return True

    def pump(self, timeout=0.0):
        """Handle what has arrived; if nothing has, wait up to timeout seconds for it."""
        while self._dispatch_one():
            pass
        if self._read_some(timeout):
            while True:
                while self._dispatch_one():
                    pass
                if not self._read_some(0):
                    return

    def _reply(self, seq, timeout=10.0):
        end = time.monotonic() + timeout
        while seq not in self.replies:
            if not self._dispatch_one():
                left = end - time.monotonic()
                if left <= 0 or not self._read_some(left):
                    raise XError("no reply to request %d" % seq)
        r = self.replies.pop(seq)
        if isinstance(r, Exception):
            raise r
        return r

    def _event(self, ev):
        now = time.monotonic()
        kind = ev[0] & 0x7F
        if kind == CREATE_NOTIFY:
            _parent, win, x, y, w, h = struct.unpack("<IIhhHH", ev[4:20])
            self.windows[win] = dict(x=x, y=y, width=w, height=h, mapped=False, created_at=now, mapped_at=None,
                                     placed_at=now)
            self.log.append((now, "create", win))
        elif kind == CONFIGURE_NOTIFY:
            _event, win, _above, x, y, w, h = struct.unpack("<IIIhhHH", ev[4:24])
            rec = self.windows.setdefault(win, dict(mapped=False, created_at=None, mapped_at=None))
            if (rec.get("x"), rec.get("y"), rec.get("width"), rec.get("height")) != (x, y, w, h):
                rec["placed_at"] = now
            rec.update(x=x, y=y, width=w, height=h)
            self.log.append((now, "configure", win))
        elif kind == MAP_NOTIFY:
            _event, win = struct.unpack("<II", ev[4:12])
            rec = self.windows.setdefault(win, dict(x=None, y=None, width=None, height=None, created_at=None,
                                                    placed_at=None))
            rec.update(mapped=True, mapped_at=now)
            self.log.append((now, "map", win))
        elif kind == UNMAP_NOTIFY:
            _event, win = struct.unpack("<II", ev[4:12])
            if win in self.windows:
                self.windows[win]["mapped"] = False
            self.log.append((now, "unmap", win))
        elif kind == DESTROY_NOTIFY:
            _event, win = struct.unpack("<II", ev[4:12])
            self.windows.pop(win, None)
            self.log.append((now, "destroy", win))

    # -- requests -----------------------------------------------------------

    def root_children_events(self):
        """Select structure events of the root's children and learn the
        windows that exist already."""
        self._request(struct.pack("<BxHII I", 2, 4, self.root, 1 << 11, SUBSTRUCTURE_NOTIFY_MASK))
        seq = self._request(struct.pack("<BxHI", 15, 2, self.root))  # QueryTree
        r = self._reply(seq)
        n = struct.unpack("<H", r[16:18])[0]
        for win in struct.unpack("<%dI" % n, r[32 : 32 + 4 * n]):
            seq = self._request(struct.pack("<BxHI", 3, 2, win))  # GetWindowAttributes
            try:
                attrs = self._reply(seq)
                seq = self._request(struct.pack("<BxHI", 14, 2, win))  # GetGeometry
                geo = self._reply(seq)
            except XError:
                continue
            x, y, w, h = struct.unpack("<hhHH", geo[12:20])
            self.windows.setdefault(win, dict(x=x, y=y, width=w, height=h, created_at=None, placed_at=None,
                                              mapped_at=None, mapped=attrs[26] == 2))

    def _query_extension(self, name):
        seq = self._request(struct.pack("<BxHHxx", 98, 2 + (len(name) + _pad(len(name))) // 4, len(name))
                            + name + b"\0" * _pad(len(name)))
        r = self._reply(seq)
        if not r[8]:
            raise XError("the X server has no %s extension" % name.decode())
        return r[9]

    def sync(self):
        """Round trip (GetInputFocus): every request sent before has been handled."""
        self._reply(self._request(struct.pack("<BxH", 43, 1)))

    def fake_input(self, kind, detail=0, x=0, y=0):
        """An XTEST event, as if from the real pointer; returns once sent."""
        self._request(struct.pack("<BBHBBxxIIIIhhIHBB", self.xtest, 2, 9, kind, detail, 0,
                                  self.root if kind == MOTION_NOTIFY else 0, 0, 0, x, y, 0, 0, 0, 0))

    def image(self, x, y, width, height):
        """Rows of (r, g, b) of a root window rectangle, as the screen shows it."""
        seq = self._request(struct.pack("<BBHIhhHHI", 73, 2, 5, self.root, x, y, width, height, 0xFFFFFFFF))
        r = self._reply(seq)
        depth = r[1]
        data = r[32:]
        bpp = self.bpp.get(depth)
        if bpp != 32 or self.masks != (0xFF0000, 0xFF00, 0xFF):
            raise XError("unsupported screen format (depth %d, %s bpp, masks %r)" % (depth, bpp, self.masks))
        stride = width * 4
        return [[(data[row * stride + c * 4 + 2], data[row * stride + c * 4 + 1], data[row * stride + c * 4])
                 for c in range(width)] for row in range(height)]

    def close(self):
        try:
            self.sock.close()
        except OSError:
            pass
