#!/usr/bin/env python3
"""Writes the small seed corpus of each fuzz target under corpus/<target>/.

Each seed is a well-formed input (a stream of one message or several, a
listing, a file, an answer) or a typical malformed one, so that fuzzing
starts from every shape.
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

# Guest to host on the misc connection: install result, mouse lock, guest
# ready, engine state.
SERVICE_MISC = {
    "install-ok": text_message(i32(205875, 0), b"Success"),
    "install-failed": text_message(i32(205875, -1), b"INSTALL_FAILED_INVALID_APK"),
    "install-long": text_message(i32(205875, 0), b"x" * 1500),
    "install-negative": i32(205875, 0, -4),
    "mouse-lock": i32(205878, 1, 4, 1),
    "mouse-unlock": i32(205878, 1, 4, 0),
    "mouse-odd-length": i32(205878, 1, 8, 1, 2),
    "mouse-other": i32(205878, 2),
    "guest-ready": i32(205879, 1),
    "engine-on": i32(205877, 1, 1),
    "engine-other": i32(205877, 3),
    "unknown": i32(12345, 1),
    "cut-short": i32(205875, 0, 10) + b"abc",
}
SERVICE_MISC["all"] = b"".join(SERVICE_MISC[k] for k in (
    "guest-ready", "engine-on", "mouse-lock", "install-ok", "mouse-unlock", "engine-other"))

SERVICE_CLIPBOARD = dict(CLIPBOARD)
SERVICE_CLIPBOARD["nul-inside"] = text_message(i32(35), b"ab\0cd")
SERVICE_CLIPBOARD["bad-utf8"] = text_message(i32(35), b"\xff\xfe\xc3")
SERVICE_CLIPBOARD["cut-short"] = i32(35, 100) + b"abc"
SERVICE_CLIPBOARD["too-long"] = i32(35, (1 << 20) + 1)

SERVICE_IME = {
    "empty": b"",
    "bytes": b"anything the guest says",
    "ints": i32(0, 5, -1),
}

UUID_A = "3f2b9c1e-6d4a-4e8b-9a71-0c5d2e8f4b13"
UUID_B = "8a7e6d5c-4b3a-4291-8f0e-1d2c3b4a5968"

VBOXMANAGE = {
    "list-vms": ('"Tavenor" {%s}\n"My VM \"two\"" {%s}\n' % (UUID_A, UUID_B)).encode(),
    "list-vms-warning": ("WARNING: The vboxdrv kernel module is not loaded.\n"
                         "         Please reinstall.\n\"Tavenor\" {%s}\r\n" % UUID_A).encode(),
    "showvminfo": ('name="Tavenor"\nUUID="%s"\nVMState="running"\ncpus=2\nmemory=2048\n'
                   '"SharedFolderNameMachineMapping1"="apk"\n'
                   'SharedFolderPathMachineMapping1="C:\\\\Users\\\\me"\n'
                   'SharedFolderNameTransientMapping1="tmp \\"q\\""\n'
                   'description="line\\none"\n' % UUID_A).encode(),
    "version": b"7.0.18r162988\n",
    "version-warning": b"WARNING: The character device /dev/vboxdrv does not exist.\n\n6.1.50_Debianr161033\n",
    "error-not-found": b"\x01VBoxManage: error: Could not find a registered machine named 'Tavenor'\n"
                       b"VBoxManage: error: Details: code VBOX_E_OBJECT_NOT_FOUND (0x80bb0001)\n",
    "error-com": b"\x00VBoxManage: error: Failed to create the VirtualBox object!\n",
}

SIM_STATE = {
    "properties": b"/TavenorGuest/Imei=865166023412345\n/TavenorGuest/Model=MI 9\nwith\\=equals=a\\nb\n",
    "shares": b"apk=/home/me/Downloads\nshared=/home/me/Tavenor Share\n",
    "hardware": b"cpus=4\nmemory_mb=3072\n",
    "odd-lines": b"\n=novalue\nnoseparator\nend\\\n\\=\\\\=x\r\n",
}

def registry(*records):
    import json
    return json.dumps({"machines": list(records)}, indent=4).encode()

RECORD = {"name": "Tavenor", "uuid": "{%s}" % UUID_A, "definition": "/home/me/.tavenor/Tavenor.vbox",
          "stateFolder": "/home/me/.tavenor/Tavenor.sim", "pid": 4242, "pidStartTime": "1234567",
          "keptCpuCount": 0, "keptMemoryMB": 0}
SIM_REGISTRY = {
    "one": registry(RECORD),
    "two": registry(RECORD, dict(RECORD, name="second", uuid="{%s}" % UUID_B, pid=0,
                                 pidStartTime="0", keptCpuCount=4, keptMemoryMB=4096)),
    "incomplete": registry({"name": "x", "uuid": ""}, dict(RECORD, pid="text")),
    "empty": b"{}",
    "not-json": b"machines: none",
}


def vdi_header(uuid_hex, version=0x00010001, header_size=0x190, signature=0xbeda107f):
    pre = b"<<< Oracle VM VirtualBox Disk Image >>>\n".ljust(0x40, b"\0")
    body = struct.pack("<III", signature, version, header_size).ljust(0x188 - 0x40, b"\0")
    raw = bytes.fromhex(uuid_hex.replace("-", ""))
    uuid = raw[3::-1] + raw[5:3:-1] + raw[7:5:-1] + raw[8:]
    return pre + body + uuid + b"\0" * 48


VDI = {
    "image": vdi_header(UUID_A),
    "null-uuid": vdi_header("0" * 32),
    "version-2": vdi_header(UUID_B, version=0x00020000),
    "short-header": vdi_header(UUID_B, header_size=0x100),
    "not-vdi": vdi_header(UUID_B, signature=0x12345678),
    "truncated": vdi_header(UUID_A)[:0x190],
}

SPLASH_ANSWER = {
    "update": b'{"hasUpdate": true, "splashBgUrl": "http://cdn.example.com/bg.png", '
              b'"splashFgUrl": "https://cdn.example.com/fg.png", "helpFileUrl": "cdn.example.com/helps.txt", '
              b'"helpTextColor": "#ff8800", "splashBgStrech": true, "splashVersion": "12"}',
    "no-update": b'{"hasUpdate": false, "splashVersion": "13"}',
    "string-flag": b'{"hasUpdate": "true", "splashBgUrl": "http://cdn.example.com/bg.png"}',
    "odd-values": b'{"hasUpdate": true, "splashBgUrl": 5, "helpTextColor": "nocolour", '
                  b'"splashBgStrech": "yes", "splashVersion": ""}',
    "local-file": b'{"hasUpdate": true, "helpFileUrl": "file:///etc/passwd", "splashFgUrl": "/etc/hostname"}',
    "not-json": b"<html>502 Bad Gateway</html>",
}

SPLASH_HELP = {
    "helps": "按住鼠标右键拖动可以转动视角\n双击全屏\n\n按 F11 截图\n".encode(),
    "crlf": b"first\r\nsecond\r\n\r\nlast",
    "many": b"".join(b"line %d\n" % i for i in range(25)),
    "bad-utf8": b"ok\n\xff\xfe bad\n\xe4\xbd",
}

TARGETS = {
    "VirtualInputDecoder": VINPUT,
    "MiscDecoder": MISC,
    "ClipboardDecoder": CLIPBOARD,
    "InputMethodDecoder": IME,
    "FrameHeader": FRAME,
    "ServiceMisc": SERVICE_MISC,
    "ServiceClipboard": SERVICE_CLIPBOARD,
    "ServiceInputMethod": SERVICE_IME,
    "VBoxManageOutput": VBOXMANAGE,
    "SimStateEntries": SIM_STATE,
    "SimRegistry": SIM_REGISTRY,
    "VdiHeader": VDI,
    "SplashAnswer": SPLASH_ANSWER,
    "SplashHelpText": SPLASH_HELP,
}

for target, seeds in TARGETS.items():
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)
