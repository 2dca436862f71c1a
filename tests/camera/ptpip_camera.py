#!/usr/bin/env python3
"""A Canon EOS body on the wire, for the tests of the gphoto2 backend.

A PTP/IP responder on 127.0.0.1 that answers libgphoto2's ptp2 driver as a Canon EOS body
with Wi-Fi would: the PTP/IP handshake and event channel, the device information with the
Canon vendor extension, the EOS operations the driver uses to configure the body and to
release the shutter, the five exposure settings with their allowed values, changes made "on
the body", pictures that stay on the memory card, Device Busy answers on demand and a
connection that can be dropped in the middle of a session.

    ptpip_camera.py [--port N] [--serial S] [--verbose]

--port 0 (the default) takes a free port. The first line on standard output is "PORT <n>";
both PTP/IP connections go to that port (libgphoto2: "ptpip:127.0.0.1:<n>:<n>"). Control
commands are read from standard input, one a line; each reply ends with a line that starts
with "OK" or "ERR". The emulator ends at "quit" or when its standard input closes, so it never
outlives the test that started it. --serial sets the serial number the device information
reports, so that two bodies of one model can be told apart.

Where the numbers come from:
  - packet types and the handshake: CIPA DC-005 "PTP-IP" (Picture Transfer Protocol over
    TCP/IP networks);
  - operation, response, event, property, data type and object format codes, and the layout
    of every dataset: ISO 15740 (PIMA 15740, "PTP"), clauses as noted;
  - the Canon EOS operation, event-record and property codes: the names and numbers listed in
    libgphoto2's ptp2 driver (camlibs/ptp2/ptp.h), and the records' layout as that driver reads
    them (checked against its debug log and gphoto2 --list-config);
  - the value encodings (ISO 0x58 = "400", aperture 0x30 = "5.6", shutter 0x70 = "1/125", the
    image-format tuple): what libgphoto2 shows for them (gphoto2 --get-config) and its
    documented configuration tables.
No libgphoto2 code is used here.

What it does not imitate: live view, bulb, movies, autofocus (the focus mode stays manual, so
the driver does not wait for a focus result), transfers to the computer (a picture taken
while the capture target is the computer is kept in the body's memory and never fetched),
thumbnails and real image data (files are small stubs), the EOS extended object listings,
keep-alive probes sent by the body, cancelled transactions, several cards, a full card, the
battery running down, the mode dial locking the exposure mode, and the timing of a real
shutter and its busy time after each picture (busy answers come only when asked for).
"""

import argparse
import socket
import struct
import sys
import threading
import time

HELP_TEXT = """commands:
  help                 this text
  state                property values, pictures on the card, the session
  set <prop> <value>   change a property on the body; it is reported in the next EOS_GetEvent
                       props: iso aperture shutterspeed aemode imageformat capturedest
                       value: a label of the property's table (as 'state' shows it) or a number
  busy <kind> <n>      answer Device Busy to the next n operations of a kind
  busy clear           forget the busy answers still due
  drop                 close both connections now (the listener stays up for a reconnect)
  dropon <kind> [n]    close both connections when the n-th next operation of a kind arrives
                       (unanswered; n defaults to 1)
  stallon <kind> [n] [s]
                       leave the n-th next operation of a kind unanswered (not carried out) and
                       close both connections s seconds later (n defaults to 1, s to 3); a
                       connection asking meanwhile is refused, as the body still serves the first
  flood <s>            for s seconds every EOS_GetEvent reports one more change, so that a
                       computer that reads events until none is left never finishes
  log                  the operations received, one a line: CLOCK_MONOTONIC seconds, opcode,
                       name, parameters, value written, response
  log clear            empty the log
  quit                 end the emulator
kinds: halfpress fullpress setprop set:<prop> event any, or an opcode (0x9128)"""

# PTP/IP packet types (CIPA DC-005, packet type field).
PTPIP_INIT_COMMAND_REQUEST = 1
PTPIP_INIT_COMMAND_ACK = 2
PTPIP_INIT_EVENT_REQUEST = 3
PTPIP_INIT_EVENT_ACK = 4
PTPIP_INIT_FAIL = 5
PTPIP_CMD_REQUEST = 6
PTPIP_CMD_RESPONSE = 7
PTPIP_START_DATA = 9
PTPIP_DATA = 10
PTPIP_CANCEL = 11
PTPIP_END_DATA = 12
PTPIP_PROBE_REQUEST = 13
PTPIP_PROBE_RESPONSE = 14

# Response codes (ISO 15740 clause 11).
RC_OK = 0x2001
RC_SESSION_NOT_OPEN = 0x2003
RC_OPERATION_NOT_SUPPORTED = 0x2005
RC_INVALID_STORAGE_ID = 0x2008
RC_INVALID_OBJECT_HANDLE = 0x2009
RC_DEVICE_PROP_NOT_SUPPORTED = 0x200A
RC_DEVICE_BUSY = 0x2019
RC_INVALID_DEVICE_PROP_VALUE = 0x201C
RC_SESSION_ALREADY_OPEN = 0x201E

# Canon EOS event records inside the EOS_GetEvent data (camlibs/ptp2/ptp.h).
EOS_EC_OBJECT_ADDED_EX = 0xC181
EOS_EC_REQUEST_OBJECT_TRANSFER = 0xC186
EOS_EC_PROP_VALUE_CHANGED = 0xC189
EOS_EC_AVAIL_LIST_CHANGED = 0xC18A
EOS_EC_CAMERA_STATUS_CHANGED = 0xC18B

# Object formats (ISO 15740 clause 6.2) and the card's storage (physical store 2, logical 1).
OFC_ASSOCIATION = 0x3001
OFC_EXIF_JPEG = 0x3801
CARD = 0x00020001
VENDOR_CANON = 0x0000000B  # vendor extension id (PIMA vendor extension list)


class Prop:
    """An EOS device property: its code (camlibs/ptp2/ptp.h), the values the body allows as
    (label, raw value) pairs and the current raw value."""

    def __init__(self, name, code, table, value, listed=True):
        self.name, self.code, self.table, self.value = name, code, table, value
        self.listed = listed  # its allowed values are announced (a read-only property has none)

    def label(self):
        return next((label for label, raw in self.table if raw == self.value), str(self.value))

    def parse(self, text):
        for label, raw in self.table:
            if label.lower() == text.lower():
                return raw
        return int(text, 0)


def body_properties():
    """The body's settings. ISO, aperture and shutter speed use Canon's eighth-stop codes; the
    image format is (size << 12) | (compression << 8) for the first file and the same in the
    low byte for a second one (size 0 large, 1 medium, 2 small; compression 2 normal, 3 fine,
    4 RAW)."""
    return [
        Prop("iso", 0xD103, [("Auto", 0x00), ("100", 0x48), ("200", 0x50), ("400", 0x58),
                             ("800", 0x60), ("1600", 0x68), ("3200", 0x70), ("6400", 0x78)], 0x58),
        Prop("aperture", 0xD101, [("4", 0x28), ("5.6", 0x30), ("8", 0x38), ("11", 0x40),
                                  ("16", 0x48), ("22", 0x50)], 0x30),
        Prop("shutterspeed", 0xD102, [("bulb", 0x0C), ("30", 0x10), ("2", 0x30), ("1", 0x38),
                                      ("0.5", 0x40), ("1/4", 0x48), ("1/15", 0x58), ("1/60", 0x68),
                                      ("1/125", 0x70), ("1/500", 0x80), ("1/1000", 0x88),
                                      ("1/4000", 0x98)], 0x70),
        Prop("aemode", 0xD105, [("P", 0), ("Tv", 1), ("Av", 2), ("M", 3), ("Bulb", 4)], 3),
        Prop("imageformat", 0xD120, [("L fine", 0x0300), ("L normal", 0x0200),
                                     ("S fine", 0x2300), ("RAW", 0x0400),
                                     ("RAW+L fine", 0x0403)], 0x0300),
        # where pictures go: 1 the card, 4 the computer (the driver's "Internal RAM")
        Prop("capturedest", 0xD11C, [("card", 1), ("host", 4)], 1),
        # manual focus: the driver then presses the shutter without waiting for a focus result
        Prop("focusmode", 0xD108, [("manual", 3)], 3, listed=False),
        # live view output, which the driver waits for while it prepares the body for capture
        Prop("evfoutput", 0xD1B0, [("tft", 1)], 1, listed=False),
        Prop("availableshots", 0xD11B, [], 999, listed=False),
    ]


# --- datasets (ISO 15740 clause 5: little endian, strings count-prefixed UCS-2) -------------------
def u8(v): return struct.pack("<B", v)
def u16(v): return struct.pack("<H", v)
def u32(v): return struct.pack("<I", v)
def u64(v): return struct.pack("<Q", v)
def array16(values): return u32(len(values)) + b"".join(u16(v) for v in values)
def array32(values): return u32(len(values)) + b"".join(u32(v) for v in values)


def text(s):
    return u8(len(s) + 1) + (s + "\0").encode("utf-16-le") if s else b"\0"


def packet(kind, payload):
    return u32(8 + len(payload)) + u32(kind) + payload


def image_format_tuple(value):
    """The EOS image-format value: a count, then per file its size, kind (1 JPEG, 6 RAW),
    image size and compression."""
    files = [((value >> 12) & 0xF, (value >> 8) & 0xF)]
    if value & 0xFF:
        files.append(((value >> 4) & 0xF, value & 0xF))
    return u32(len(files)) + b"".join(u32(16) + u32(6 if c == 4 else 1) + u32(s) + u32(c) for s, c in files)


def image_format_value(data):
    count = struct.unpack_from("<I", data)[0]
    value = 0
    for i in range(min(count, 2)):
        _length, _kind, size, compression = struct.unpack_from("<4I", data, 4 + 16 * i)
        value |= ((size & 0xF) << 4 | (compression & 0xF)) << (8 if i == 0 else 0)
    return value


def written_value(prop, raw):
    """The value an EOS_SetDevicePropValueEx carries for a property."""
    if prop is not None and prop.name == "imageformat":
        return image_format_value(raw)
    return struct.unpack_from("<I", raw.ljust(4, b"\0"))[0]


def record_value(prop):
    """An EOS_GetEvent record: property value changed (values in 32-bit slots)."""
    value = image_format_tuple(prop.value) if prop.name == "imageformat" else u32(prop.value)
    return u32(12 + len(value)) + u32(EOS_EC_PROP_VALUE_CHANGED) + u32(prop.code) + value


def record_allowed(prop):
    """An EOS_GetEvent record: allowed values changed (element type 3, count, elements)."""
    pack = image_format_tuple if prop.name == "imageformat" else u32
    values = b"".join(pack(raw) for _label, raw in prop.table)
    return (u32(20 + len(values)) + u32(EOS_EC_AVAIL_LIST_CHANGED) + u32(prop.code) + u32(3) +
            u32(len(prop.table)) + values)


def record_object(obj, kind):
    """An EOS_GetEvent record announcing a new picture: on the card (object added) or in the
    body's memory, for the computer to fetch (request object transfer)."""
    name = obj["name"].encode()[:15].ljust(16, b"\0")
    if kind == EOS_EC_OBJECT_ADDED_EX:
        body = (u32(obj["handle"]) + u32(obj["storage"]) + u32(obj["format"]) + u32(0) + u32(0) +
                u32(obj["size"]) + u32(obj["parent"]) + u32(0) + name + u32(0))
    else:
        body = u32(obj["handle"]) + u32(obj["format"]) + u32(0) + u32(obj["size"]) + u32(0) + name + u32(0)
    return u32(8 + len(body)) + u32(kind) + body


# --- the body --------------------------------------------------------------------------------------
class Body:
    """What the camera holds between connections: settings, card, pending EOS event records,
    the operations log and the faults asked for."""

    def __init__(self, serial="0123456789abcdef"):
        self.lock = threading.RLock()
        self.serial = serial
        self.props = body_properties()
        self.objects = {}        # handle -> dict
        self.next_handle = 0x100
        self.pictures = 0
        self.records = []        # EOS event records not yet fetched
        self.log = []
        self.busy = {}           # kind -> answers still due
        self.drop_on = {}        # kind -> operations of that kind until the connection drops
        self.stall_on = {}       # kind -> [operations of that kind until one stalls, seconds it stalls]
        self.flood_until = 0.0   # time.monotonic() until which every event list reports a change
        self.session = None
        self.next_connection = 1
        self.dcim = self.add_object(0, "DCIM", OFC_ASSOCIATION, b"", CARD)
        self.folder = self.add_object(self.dcim, "100CANON", OFC_ASSOCIATION, b"", CARD)

    def prop(self, name):
        for p in self.props:
            if p.name == name:
                return p
        raise KeyError("no property " + name)

    def prop_by_code(self, code):
        return next((p for p in self.props if p.code == code), None)

    def add_object(self, parent, name, fmt, data, storage):
        handle = self.next_handle
        self.next_handle += 1
        self.objects[handle] = dict(handle=handle, parent=parent, name=name, format=fmt, data=data,
                                    size=len(data), storage=storage, date=time.strftime("%Y%m%dT%H%M%S"))
        return handle

    def take_picture(self):
        """The shutter fires: the picture goes where the capture destination says."""
        with self.lock:
            self.pictures += 1
            name = "IMG_%04d.JPG" % self.pictures
            data = b"\xff\xd8\xff\xe0\0\x10JFIF\0" + name.encode() + b"\xff\xd9"  # not a real image
            if self.prop("capturedest").value == 1:
                handle = self.add_object(self.folder, name, OFC_EXIF_JPEG, data, CARD)
                self.prop("availableshots").value -= 1
                self.records += [record_object(self.objects[handle], EOS_EC_OBJECT_ADDED_EX),
                                 record_value(self.prop("availableshots"))]
            else:
                handle = self.add_object(0, name, OFC_EXIF_JPEG, data, 0)
                self.records.append(record_object(self.objects[handle], EOS_EC_REQUEST_OBJECT_TRANSFER))

    def announce_everything(self):
        """A new session starts with the whole picture of the body: every value first, then the
        allowed values (the driver drops an allowed list of a property it has not seen yet)."""
        with self.lock:
            self.records = ([record_value(p) for p in self.props] +
                            [record_allowed(p) for p in self.props if p.listed] +
                            [u32(12) + u32(EOS_EC_CAMERA_STATUS_CHANGED) + u32(0)])

    def take_records(self):
        with self.lock:
            records, self.records = self.records, []
            if time.monotonic() < self.flood_until:
                # A body in trouble: the shots left "change" with every look.
                records.append(record_value(self.prop("availableshots")))
        return b"".join(records) + u32(8) + u32(0)  # a record of size 8 and type 0 ends the list

    def busy_due(self, kinds):
        """True (and used up) when a busy answer is due for one of these kinds."""
        with self.lock:
            for kind in kinds:
                if self.busy.get(kind, 0) > 0:
                    self.busy[kind] -= 1
                    return True
        return False

    def drop_due(self, kinds):
        """True when this operation is the one a drop waits for."""
        with self.lock:
            for kind in kinds:
                if kind in self.drop_on:
                    self.drop_on[kind] -= 1
                    if self.drop_on[kind] == 0:
                        del self.drop_on[kind]
                        return True
        return False

    def stall_due(self, kinds):
        """The seconds this operation stalls, when it is the one a stall waits for; else None."""
        with self.lock:
            for kind in kinds:
                if kind in self.stall_on:
                    self.stall_on[kind][0] -= 1
                    if self.stall_on[kind][0] == 0:
                        return self.stall_on.pop(kind)[1]
        return None


# --- one connection pair ---------------------------------------------------------------------------
def recv_exact(sock, n):
    data = b""
    while len(data) < n:
        chunk = sock.recv(n - len(data))
        if not chunk:
            raise ConnectionError("closed by the computer")
        data += chunk
    return data


def recv_packet(sock):
    length, kind = struct.unpack("<II", recv_exact(sock, 8))
    if length < 8:
        raise ConnectionError("bad packet length %d" % length)
    return kind, recv_exact(sock, length - 8)


# The operations this body answers: ISO 15740 clause 10.4 (0x10xx) and Canon's EOS operations
# (0x91xx, as camlibs/ptp2/ptp.h names them).
OPERATION_NAMES = {
    0x1001: "GetDeviceInfo", 0x1002: "OpenSession", 0x1003: "CloseSession", 0x1004: "GetStorageIDs",
    0x1005: "GetStorageInfo", 0x1006: "GetNumObjects", 0x1007: "GetObjectHandles",
    0x1008: "GetObjectInfo", 0x9101: "EOS_GetStorageIDs", 0x9102: "EOS_GetStorageInfo",
    0x9110: "EOS_SetDevicePropValueEx", 0x9114: "EOS_SetRemoteMode", 0x9115: "EOS_SetEventMode",
    0x9116: "EOS_GetEvent", 0x911A: "EOS_PCHDDCapacity", 0x911B: "EOS_SetUILock",
    0x911C: "EOS_ResetUILock", 0x911D: "EOS_KeepDeviceOn", 0x9127: "EOS_RequestDevicePropValue",
    0x9128: "EOS_RemoteReleaseOn", 0x9129: "EOS_RemoteReleaseOff",
}


class Session:
    """The command and event connections of one computer."""

    def __init__(self, body, sock, number, verbose):
        self.body, self.cmd, self.evt, self.number, self.verbose = body, sock, None, number, verbose
        self.open = False
        self.closed = False
        self.operations = {
            0x1001: self.get_device_info, 0x1002: self.open_session, 0x1003: self.close_session,
            0x1004: self.get_storage_ids, 0x9101: self.get_storage_ids,
            0x1005: self.get_storage_info, 0x9102: self.get_storage_info,
            0x1006: self.get_num_objects, 0x1007: self.get_object_handles, 0x1008: self.get_object_info,
            0x9110: self.set_prop_value, 0x9116: self.get_event, 0x9127: self.request_prop_value,
            0x9128: self.release_on,
            # remote mode, event mode, the computer's free space, UI lock and unlock, keep awake,
            # release off: accepted, nothing to do
            0x9114: self.accept, 0x9115: self.accept, 0x911A: self.accept, 0x911B: self.accept,
            0x911C: self.accept, 0x911D: self.accept, 0x9129: self.accept,
        }

    def close(self):
        self.closed = True
        for s in (self.cmd, self.evt):
            if s is None:
                continue
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            s.close()

    def serve(self):
        try:
            while not self.closed:
                kind, payload = recv_packet(self.cmd)
                if kind == PTPIP_CMD_REQUEST:
                    self.request(payload)
                elif kind == PTPIP_PROBE_REQUEST:
                    self.cmd.sendall(packet(PTPIP_PROBE_RESPONSE, b""))
                elif kind != PTPIP_CANCEL:
                    raise ConnectionError("unexpected packet type %d" % kind)
        except (ConnectionError, OSError) as e:
            if self.verbose:
                sys.stderr.write("connection %d ended: %s\n" % (self.number, e))
        finally:
            self.close()
            with self.body.lock:
                if self.body.session is self:
                    self.body.session = None

    def data_out(self):
        """The computer's data phase (CIPA DC-005: Start Data, Data..., End Data)."""
        kind, payload = recv_packet(self.cmd)
        if kind != PTPIP_START_DATA:
            raise ConnectionError("expected a data phase, got packet type %d" % kind)
        data = b""
        while kind != PTPIP_END_DATA:
            kind, payload = recv_packet(self.cmd)
            if kind not in (PTPIP_DATA, PTPIP_END_DATA):
                raise ConnectionError("unexpected packet type %d in a data phase" % kind)
            data += payload[4:]
        return data

    def request(self, payload):
        phase, opcode, transaction = struct.unpack_from("<IHI", payload)
        params = list(struct.unpack_from("<%dI" % ((len(payload) - 10) // 4), payload, 10))
        stamp = time.monotonic()
        data = self.data_out() if phase == 2 else None
        written = ""
        kinds = []  # the most specific first
        if opcode == 0x9110 and data and len(data) >= 8:
            size, code = struct.unpack_from("<II", data)
            prop = self.body.prop_by_code(code)
            kinds += (["set:" + prop.name] if prop else []) + ["setprop"]
            written = "0x%04x=0x%x" % (code, written_value(prop, data[8:size]))
        elif opcode == 0x9116:
            kinds.append("event")
        elif opcode == 0x9128:
            kinds.append("fullpress" if params and params[0] & 2 else "halfpress")
        kinds += ["0x%04x" % opcode, "any"]
        entry = dict(mono=stamp, op=opcode, params=params, data=written, response="pending")
        with self.body.lock:
            self.body.log.append(entry)
        if self.body.drop_due(kinds):
            entry["response"] = "dropped"
            raise ConnectionError("dropped on request")
        stall = self.body.stall_due(kinds)
        if stall is not None:
            # The reply never comes; the body gives up on this computer after a while.
            entry["response"] = "stalled"
            time.sleep(stall)
            raise ConnectionError("stalled on request")
        if not self.open and opcode not in (0x1001, 0x1002):
            code, out, reply = RC_SESSION_NOT_OPEN, b"", []
        elif self.body.busy_due(kinds):
            code, out, reply = RC_DEVICE_BUSY, b"", []
        elif opcode in self.operations:
            code, out, reply = self.operations[opcode](params, data)
        else:
            code, out, reply = RC_OPERATION_NOT_SUPPORTED, b"", []
        entry["response"] = "0x%04x" % code
        if self.verbose:
            sys.stderr.write("%s %s -> 0x%04x\n" % (OPERATION_NAMES.get(opcode, hex(opcode)), params, code))
        if out and code == RC_OK:
            self.cmd.sendall(packet(PTPIP_START_DATA, u32(transaction) + u64(len(out))) +
                             packet(PTPIP_END_DATA, u32(transaction) + out))
        self.cmd.sendall(packet(PTPIP_CMD_RESPONSE,
                                u16(code) + u32(transaction) + b"".join(u32(p) for p in reply)))

    # Each operation answers (response code, data to send, response parameters).
    def accept(self, _params, _data):
        return RC_OK, b"", []

    def get_device_info(self, _params, _data):
        """DeviceInfo (ISO 15740 clause 5.5.1): Canon's vendor extension and the operations
        above, so that the driver takes its Canon EOS paths."""
        # object added and removed, store added and removed, object info changed, request object
        # transfer (ISO 15740 clause 12), and Canon's 0xC101
        events = [0x4002, 0x4003, 0x4004, 0x4005, 0x4007, 0x4009, 0xC101]
        info = (u16(100) + u32(VENDOR_CANON) + u16(100) + text("") + u16(0) +
                array16(sorted(self.operations)) + array16(events) + array16([]) +
                array16([OFC_EXIF_JPEG]) + array16([OFC_ASSOCIATION, OFC_EXIF_JPEG]) +
                text("Canon Inc.") + text("Canon EOS 100D") + text("3-1.0.0") + text(self.body.serial))
        return RC_OK, info, []

    def open_session(self, params, _data):
        if self.open:
            return RC_SESSION_ALREADY_OPEN, b"", [params[0] if params else 0]
        self.open = True
        self.body.announce_everything()
        return RC_OK, b"", []

    def close_session(self, _params, _data):
        self.open = False
        return RC_OK, b"", []

    def get_storage_ids(self, _params, _data):
        return RC_OK, array32([CARD]), []

    def get_storage_info(self, params, _data):
        """StorageInfo (ISO 15740 clause 5.5.3): removable RAM, DCF file system, read-write."""
        if not params or params[0] != CARD:
            return RC_INVALID_STORAGE_ID, b"", []
        shots = self.body.prop("availableshots").value
        info = (u16(4) + u16(3) + u16(0) + u64(8 << 30) + u64(7 << 30) + u32(shots) +
                text("SD") + text(""))
        return RC_OK, info, []

    def handles(self, params):
        """Objects on the card, by storage, format and parent (0xFFFFFFFF: the root)."""
        storage, fmt, parent = (params + [0, 0, 0])[:3]
        with self.body.lock:
            return [h for h, o in sorted(self.body.objects.items())
                    if o["storage"] == CARD and storage in (0, 0xFFFFFFFF, CARD) and
                    (not fmt or o["format"] == fmt) and
                    (parent == 0 or o["parent"] == (0 if parent == 0xFFFFFFFF else parent))]

    def get_num_objects(self, params, _data):
        return RC_OK, b"", [len(self.handles(params))]

    def get_object_handles(self, params, _data):
        return RC_OK, array32(self.handles(params)), []

    def get_object_info(self, params, _data):
        """ObjectInfo (ISO 15740 clause 5.5.2)."""
        o = self.body.objects.get(params[0] if params else 0)
        if o is None:
            return RC_INVALID_OBJECT_HANDLE, b"", []
        folder = o["format"] == OFC_ASSOCIATION
        info = (u32(o["storage"]) + u16(o["format"]) + u16(0) + u32(o["size"]) +
                u16(0) + u32(0) + u32(0) + u32(0) +                      # no thumbnail
                u32(0 if folder else 6000) + u32(0 if folder else 4000) + u32(0 if folder else 24) +
                u32(o["parent"]) + u16(1 if folder else 0) + u32(0) + u32(0) +
                text(o["name"]) + text(o["date"]) + text(o["date"]) + text(""))
        return RC_OK, info, []

    def get_event(self, _params, _data):
        return RC_OK, self.body.take_records(), []

    def set_prop_value(self, _params, data):
        """EOS_SetDevicePropValueEx: size, property, value; the body reports the new value."""
        size, code = struct.unpack_from("<II", data)
        prop = self.body.prop_by_code(code)
        if prop is None:
            return RC_DEVICE_PROP_NOT_SUPPORTED, b"", []
        value = written_value(prop, data[8:size])
        if not prop.listed or value not in [r for _label, r in prop.table]:
            return RC_INVALID_DEVICE_PROP_VALUE, b"", []
        with self.body.lock:
            prop.value = value
            self.body.records.append(record_value(prop))
        return RC_OK, b"", []

    def request_prop_value(self, params, _data):
        prop = self.body.prop_by_code(params[0] if params else 0)
        if prop is not None:
            with self.body.lock:
                self.body.records.append(record_value(prop))
        return RC_OK, b"", []

    def release_on(self, params, _data):
        """EOS_RemoteReleaseOn: 1 presses halfway, 2 (or 3) fully, which takes the picture."""
        if params and params[0] & 2:
            self.body.take_picture()
        return RC_OK, b"", []


# --- the listener ----------------------------------------------------------------------------------
class Server:
    GUID = bytes(range(0x10, 0x20))

    def __init__(self, body, port, verbose):
        self.body, self.verbose = body, verbose
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind(("127.0.0.1", port))
        self.listener.listen(8)
        self.port = self.listener.getsockname()[1]

    def run(self):
        while True:
            try:
                sock, _address = self.listener.accept()
            except OSError:
                return
            sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            threading.Thread(target=self.connection, args=(sock,), daemon=True).start()

    def connection(self, sock):
        """The PTP/IP handshake (CIPA DC-005): the command connection comes first, then the event
        connection names the connection number it was given."""
        try:
            kind, payload = recv_packet(sock)
        except (ConnectionError, OSError):
            sock.close()
            return
        body = self.body
        if kind == PTPIP_INIT_COMMAND_REQUEST:
            with body.lock:
                if body.session is not None and not body.session.closed:
                    sock.sendall(packet(PTPIP_INIT_FAIL, u32(1)))  # one computer at a time
                    sock.close()
                    return
                session = Session(body, sock, body.next_connection, self.verbose)
                body.next_connection += 1
                body.session = session
            # connection number, GUID, name, protocol version 1.0 (minor, major)
            sock.sendall(packet(PTPIP_INIT_COMMAND_ACK, u32(session.number) + self.GUID +
                                "Canon EOS 100D\0".encode("utf-16-le") + u16(0) + u16(1)))
            session.serve()
        elif kind == PTPIP_INIT_EVENT_REQUEST:
            number = struct.unpack_from("<I", payload)[0]
            with body.lock:
                session = body.session
                if session is None or session.number != number or session.evt is not None:
                    sock.sendall(packet(PTPIP_INIT_FAIL, u32(1)))
                    sock.close()
                    return
                session.evt = sock
            sock.sendall(packet(PTPIP_INIT_EVENT_ACK, b""))
            # EOS events travel in EOS_GetEvent: this connection only answers probes.
            try:
                while not session.closed:
                    if recv_packet(sock)[0] == PTPIP_PROBE_REQUEST:
                        sock.sendall(packet(PTPIP_PROBE_RESPONSE, b""))
            except (ConnectionError, OSError):
                pass
        else:
            sock.close()


# --- control ---------------------------------------------------------------------------------------
def fault_kind(body, word):
    kind = word.lower()
    if kind.startswith("set:"):
        body.prop(kind[4:])
    elif kind not in ("halfpress", "fullpress", "setprop", "event", "any"):
        kind = "0x%04x" % int(kind, 16)
    return kind


def control(body, line):
    """One command; the reply's last line starts with OK or ERR."""
    words = line.split()
    if not words:
        return None
    command, args = words[0].lower(), words[1:]
    try:
        if command == "help":
            return HELP_TEXT + "\nOK"
        if command == "state":
            with body.lock:
                lines = ["%s 0x%04x = %s (0x%x)" % (p.name, p.code, p.label(), p.value) for p in body.props]
                lines += ["object 0x%08x parent 0x%08x storage 0x%08x %s" % (h, o["parent"], o["storage"], o["name"])
                          for h, o in sorted(body.objects.items())]
                lines.append("session " + ("none" if body.session is None else "%d" % body.session.number))
            return "\n".join(lines + ["OK"])
        if command == "set":
            prop = body.prop(args[0])
            value = prop.parse(args[1])
            with body.lock:
                prop.value = value
                body.records.append(record_value(prop))
            return "OK %s=%s" % (prop.name, prop.label())
        if command == "busy":
            with body.lock:
                if args == ["clear"]:
                    body.busy.clear()
                    return "OK"
                kind = fault_kind(body, args[0])
                body.busy[kind] = body.busy.get(kind, 0) + int(args[1])
                return "OK busy %s %d" % (kind, body.busy[kind])
        if command == "drop":
            with body.lock:
                session = body.session
            if session is not None:
                session.close()
            return "OK"
        if command == "dropon":
            with body.lock:
                body.drop_on[fault_kind(body, args[0])] = int(args[1]) if len(args) > 1 else 1
            return "OK"
        if command == "stallon":
            with body.lock:
                body.stall_on[fault_kind(body, args[0])] = [int(args[1]) if len(args) > 1 else 1,
                                                            float(args[2]) if len(args) > 2 else 3.0]
            return "OK"
        if command == "flood":
            with body.lock:
                body.flood_until = time.monotonic() + float(args[0])
            return "OK"
        if command == "log":
            with body.lock:
                if args == ["clear"]:
                    body.log.clear()
                    return "OK"
                lines = ["%.6f 0x%04x %s %s %s %s" % (e["mono"], e["op"], OPERATION_NAMES.get(e["op"], "?"),
                                                      ",".join("0x%x" % p for p in e["params"]) or "-",
                                                      e["data"] or "-", e["response"]) for e in body.log]
            return "\n".join(lines + ["OK %d" % len(lines)])
        if command == "quit":
            return "OK"
        return "ERR unknown command " + command
    except (IndexError, KeyError, ValueError) as e:
        return "ERR %s" % e


def main():
    parser = argparse.ArgumentParser(description="A Canon EOS body on PTP/IP, for tests.")
    parser.add_argument("--port", type=int, default=0, help="TCP port on 127.0.0.1 (0: a free one)")
    parser.add_argument("--serial", default="0123456789abcdef", help="the body's serial number")
    parser.add_argument("--verbose", action="store_true", help="trace the operations on standard error")
    options = parser.parse_args()
    body = Body(options.serial)
    server = Server(body, options.port, options.verbose)
    threading.Thread(target=server.run, daemon=True).start()
    print("PORT %d" % server.port, flush=True)
    for line in sys.stdin:
        reply = control(body, line)
        if reply is not None:
            print(reply, flush=True)
        if line.strip().lower() == "quit":
            break
    with body.lock:
        session = body.session
    if session is not None:
        session.close()


if __name__ == "__main__":
    main()
