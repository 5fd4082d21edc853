#!/usr/bin/env python3
"""Writes the small seed corpus of each fuzz target under corpus/<target>/.

Each seed is a well-formed stream (one message, or several in a row) or a
typical malformed one, so that fuzzing starts from every message shape.
Run from anywhere; existing seeds of the same name are overwritten.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def i32(*values):
    return b"".join(struct.pack(">i", v) for v in values)


def text_message(prefix, text):
    return prefix + i32(len(text)) + text


GPS_TEXT = b"108.937500,34.250000,1.000000,1.000000,1.000000"

VINPUT = {
    "key": i32(1, 12, 30, 0, 0),
    "touch": i32(2, 16, 640, 360, 1, 2),
    "wheel": i32(3, 16, 0, -120, 1279, 719),
    "config": i32(4, 8, 1280, 720),
    "mouse-offset": i32(6, 8, -5, 7),
    "mouse-left": i32(7, 4, 1),
    "mouse-right": i32(8, 8, 1, 1),
    "zoom": i32(9, 12, 640, 360, -20),
    "bad-code": i32(5, 8, 0, 0),
    "bad-length": i32(1, 16, 30, 0, 0, 0),
}
VINPUT["all"] = b"".join(VINPUT[k] for k in ("config", "key", "touch", "wheel", "mouse-offset",
                                              "mouse-left", "mouse-right", "zoom"))

MISC = {
    "shake": i32(205876, 1),
    "engine-on": i32(205877, 1, 1),
    "engine-editor": i32(205877, 2),
    "gps-on": i32(205874, 1),
    "gps-off": i32(205874, 2),
    "gps-fix": text_message(i32(205874, 3), GPS_TEXT),
    "install": text_message(i32(205875, 1), b"game.apk"),
    "guest-code": i32(205879, 1),
    "long-name": i32(205875, 1, 4097),
}
MISC["all"] = b"".join(MISC[k] for k in ("shake", "engine-on", "engine-editor", "gps-on",
                                         "gps-fix", "gps-off", "install"))

CLIPBOARD = {
    "abc": text_message(i32(35), b"abc"),
    "empty": i32(35, 0),
    "utf8": text_message(i32(35), "é你好".encode()),
    "bad-code": i32(34, 0),
    "negative": i32(35, -1),
}
CLIPBOARD["several"] = CLIPBOARD["abc"] + CLIPBOARD["empty"] + CLIPBOARD["utf8"]

IME = {
    "hello": text_message(b"", "你好".encode()),
    "empty": i32(0),
    "negative": i32(-2),
    "several": text_message(b"", b"a") + i32(0) + text_message(b"", b"bc"),
}


def frame_header(type_, width, height, rotation, length):
    return struct.pack(">IIIIQII", type_, width, height, rotation, 123456789, length, 0)


FRAME = {
    "guest-frame": frame_header(1, 1280, 720, 0, 1280 * 720 * 4),
    "portrait": frame_header(1, 720, 1280, 270, 720 * 1280 * 4),
    "largest": frame_header(1, 4096, 4096, 180, 4096 * 4096 * 4),
    "bad-length": frame_header(1, 2, 2, 90, 15),
    "hello": struct.pack(">II", 0x54564653, 1),
}

TARGETS = {
    "VirtualInputDecoder": VINPUT,
    "MiscDecoder": MISC,
    "ClipboardDecoder": CLIPBOARD,
    "InputMethodDecoder": IME,
    "FrameHeader": FRAME,
}

for target, seeds in TARGETS.items():
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)
