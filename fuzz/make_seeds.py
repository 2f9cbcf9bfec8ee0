#!/usr/bin/env python3
"""Writes the hand-made seed inputs of the fuzz targets.

The plug-in targets decode their input as harness/call_sequence.h describes;
the Session class below writes that encoding from readable calls, so a seed
reads like the route it stands for. Run from anywhere; the seeds land in
fuzz/corpus/plugins and fuzz/corpus/settings.
"""
import pathlib
import struct

OPS = [
    "Load", "Dispose", "GetPluginVersion", "SetVehicleSpec", "Initialize", "Elapse",
    "SetPower", "SetBrake", "SetReverser", "KeyDown", "KeyUp", "HornBlow", "DoorOpen",
    "DoorClose", "SetSignal", "SetBeaconData", "PanelWrite", "RepeatFrames", "RepeatBeacon",
]
BEACON_TYPES = [
    520, 521, 522, 523, 524, 147, 30, 117, 121, 125, 139, 143, 225, 226, 112, 223, 129, 130, 131,
    146, 148, 300, 304, 305, 306, 0, 1, 50, 55, 65, 95, 101,
    -1, 2, 49, 60, 96, 100, 116, 149, 299, 307, 519, 525, 224, 227, 113, 122,
]
ASPECTS = [10, 11, 13, 15, 19, 21, 23, 25, 0, 5, 7, 9, 12, 26, -1, 14]
NAN = float("nan")
INF = float("inf")


def int32(value):
    if -48 <= value <= 175:
        return bytes([value + 0x30])
    return bytes([0xF8]) + struct.pack("<i", value)


def float32(value):
    if value == value and float(value).is_integer() and -64 <= value <= 127 and not (value == 0 and str(value).startswith("-")):
        return bytes([int(value) + 0x40])
    return bytes([0xE0]) + struct.pack("<f", value)


def float64(value):
    if value == value and float(value).is_integer() and -64 <= value <= 127:
        return bytes([int(value) + 0x40])
    return bytes([0xE0]) + struct.pack("<d", value)


def beacon_type(value):
    if value in BEACON_TYPES:
        return bytes([BEACON_TYPES.index(value)])
    return bytes([0xC0]) + int32(value)


def aspect(value):
    if value in ASPECTS:
        return bytes([ASPECTS.index(value)])
    return bytes([0xC0]) + int32(value)


class Session:
    """One fuzz input: the opening (unless skipped), then host calls."""

    def __init__(self, skip_opening=False, order=0):
        self.data = bytearray([(1 if skip_opening else 0) | (order << 1)])

    def op(self, name, payload=b""):
        self.data += bytes([OPS.index(name)]) + payload
        return self

    def vehicle(self, brake, power=5, check=1):
        return self.op("SetVehicleSpec", int32(brake) + int32(power) + int32(check) + int32(0) + int32(10))

    def initialize(self, year=2024, month=4, day=1, hour=10, minute=0, second=0, ms=0):
        return self.op("Initialize", int32(0) + struct.pack("<H", year - 1601) +
                       bytes([month - 1, day - 1, hour, minute, second]) + struct.pack("<H", ms))

    def frame(self, step_ms=None, speed=None, location=None, current=None, time=None, back_ms=None, days=None):
        flags = 0
        fields = b""
        if speed is not None:
            flags |= 1
            fields += float32(speed)
        if location is not None:
            flags |= 2
            fields += float64(location)
        if current is not None:
            flags |= 4
            fields += float32(current)
        if time is not None:
            timing = bytes([5]) + struct.pack("<i", time)
        elif back_ms is not None:
            timing = bytes([3]) + struct.pack("<H", back_ms // 10)
        elif days is not None:
            timing = bytes([4, days])
        elif step_ms is None or step_ms == 0:
            timing = bytes([0])
        elif step_ms <= 2550 and step_ms % 10 == 0:
            timing = bytes([1, step_ms // 10])
        else:
            timing = bytes([2]) + struct.pack("<H", step_ms // 100)
        return self.op("Elapse", bytes([flags]) + fields + timing)

    def frames(self, count, step_ms, speed):
        # 1..16 frames exactly, longer runs in fours (up to 256).
        code = count - 1 if count <= 16 else 0xBF + min((count + 3) // 4, 64)
        return self.op("RepeatFrames", bytes([code]) + struct.pack("<H", step_ms) + float32(speed))

    def value(self, name, v):
        return self.op(name, int32(v))

    def beacon(self, kind, optional=0, signal=0, distance=0.0):
        return self.op("SetBeaconData", beacon_type(kind) + int32(signal) + float32(distance) + int32(optional))

    def beacons(self, count, kind, optional=0, signal=0):
        # 1..32 beacons exactly, longer runs in multiples of 320 (up to 5120).
        code = count - 1 if count <= 32 else 0xEF + min((count + 319) // 320, 16)
        return self.op("RepeatBeacon", bytes([code]) + beacon_type(kind) + int32(signal) +
                       float32(0) + int32(optional))

    def panel(self, slot, v):
        return self.op("PanelWrite", bytes([slot]) + int32(v))

    def signal(self, a):
        return self.op("SetSignal", aspect(a))


def plugin_seeds():
    seeds = {}

    # A stop with the timetable, in mode 1: fill the lists, open the doors, leave.
    s = Session().value("SetBrake", 9).value("KeyDown", 14).frame(0, speed=0)
    for kind, v in [(117, 12), (121, 93015), (125, 93100), (139, 1), (143, 512), (146, 90), (129, 3),
                    (130, 93015), (131, 7), (223, 12345678), (112, 4), (225, 1500), (226, 1), (30, 0)]:
        s.beacon(kind, v)
        s.frame(16)
    s.value("SetBrake", 0).frames(100, 50, 0).op("DoorOpen").frames(50, 100, 0).op("DoorClose")
    s.value("SetPower", 3).frames(200, 50, 40)
    seeds["timetable_stop"] = s

    # Mode 2 with the train operation controller engaged and its targets set.
    s = Session().panel(201, 1).panel(72, 9).value("SetBrake", 9).value("KeyDown", 15).frame(16, speed=0)
    s.value("SetBrake", 0).value("SetReverser", 1).value("SetPower", 0).frame(16).value("KeyDown", 0)
    s.beacon(524, 45).beacon(524, 25).beacon(520, 300).beacon(522, 500).frames(255, 100, 60)
    s.frames(255, 100, 1).frames(30, 100, 0).beacon(523).frames(20, 100, 0).value("KeyDown", 7)
    seeds["ato_mode2"] = s

    # The worst route: a huge row number at a standstill, floods of timetable
    # beacons, a door-timer count near the int32 maximum.
    s = Session().value("SetBrake", 9).value("KeyDown", 14).frame(0, speed=0)
    s.beacon(148, -1).frames(20, 100, 0)
    s.beacons(4480, 117, 5)  # past the smallest list cap
    for kind in (121, 125, 139, 143, 146):
        s.beacons(320, kind, 5)
    s.beacon(148, 5000).frames(20, 100, 0).beacon(304, 2147483647).op("DoorOpen").frames(40, 100, 0)
    seeds["worst_route"] = s

    # Side values and door timers.
    s = Session().value("SetBrake", 9).value("KeyDown", 15).frame(16, speed=0)
    s.beacon(306, 3000).beacon(305, 93000).beacon(300, 3).beacon(304, 30).op("DoorOpen")
    s.frames(255, 100, 0).beacon(305, -1).beacon(300, 1).frames(100, 100, 3).beacon(300, 0)
    seeds["side_values"] = s

    # The train stop: warnings, trips, pairs, a window, keys, switching off and on.
    s = Session().frame(100, speed=40).beacon(0, 0, 0).frames(10, 100, 40).value("SetBrake", 1)
    s.value("KeyDown", 0).frames(5, 100, 40).value("KeyUp", 0).beacon(50).frame(100).beacon(55)
    s.beacon(65, 3000).beacon(1, 7, 3).value("SetBrake", 9).value("KeyDown", 3).value("KeyUp", 3)
    s.beacon(95, 0, 0).beacon(101, 0, 0).value("KeyDown", 1).frames(60, 100, 40).panel(249, 4)
    s.frames(5, 100, 40).panel(249, 0).frames(30, 100, 40)
    seeds["train_stop"] = s

    # The cab signal: aspects, mode keys, fixed limit, cut-out, rollback.
    s = Session().panel(75, 1).value("SetReverser", 1).value("KeyDown", 6).value("KeyDown", 6)
    for a, speed in [(25, 70), (25, 76), (11, 0), (13, 20), (19, 44), (10, 20), (0, 10)]:
        s.signal(a).frames(10, 100, speed)
    s.value("KeyDown", 12).frames(5, 100, 25.1).value("KeyDown", 13).frames(5, 100, 30)
    s.frames(5, 100, -6).value("SetBrake", 9).frames(5, 100, 0).value("KeyDown", 5).panel(75, 0).frame(100)
    seeds["cab_signal"] = s

    # Time and numbers at their edges.
    s = Session().frame(16, speed=NAN, current=NAN).frame(back_ms=5000, speed=INF)
    s.frame(days=3, speed=-INF).frame(time=-2147483648).frame(time=2147483647, speed=5.0000005)
    s.initialize(second=59, ms=999).frame(time=-1).frame(0).value("SetBrake", -2147483648)
    s.value("KeyDown", -1).value("KeyDown", 16).beacon(225, 2147483647).beacon(146, -2147483648)
    s.beacon(130, -93015).beacon(223, -2147483648).frames(50, 65535, 3.4e38)
    seeds["edges"] = s

    # Calls before the opening, in the wrong order.
    s = Session(skip_opening=True).frame(16, speed=30).op("DoorOpen").beacon(148, 3).initialize()
    s.op("Load").frame(16).op("Dispose").frame(16).op("GetPluginVersion")
    seeds["out_of_order"] = s
    return seeds


def settings_seeds():
    return {
        "plain": b"[MaxSpd]\r\nSpeed=80\r\n[SetSpec]\r\nDeceleration=3\r\n",
        "odd_values": b"\xef\xbb\xbf[ maxspd ]\nSpeed = \"0x7FFFFFFF\"\n[SetSpec]\nDeceleration=-0b101\n",
        "long_value": b"[MaxSpd]\nSpeed=" + b"9" * 80 + b"\n",
        "broken": b"[MaxSpd\nSpeed\n=80\n[]\n[SetSpec]]\nDeceleration==\n",
        "names": b"Sec\x00Key\x00[Sec]\nKey=42\n",
        "local_time": b"2024-02-29T23:59:60.999",
        "utf16_le": b"\xff\xfe" + "[MaxSpd]\r\nSpeed=\u00e980\r\n".encode("utf-16-le") + b"\x00",
        "utf16_be": b"\xfe\xff" + "[SetSpec]\r\nDeceleration=3\r\n\ud83d".encode("utf-16-be", "surrogatepass"),
    }


def main():
    root = pathlib.Path(__file__).resolve().parent / "corpus"
    for folder, seeds in (("plugins", plugin_seeds()), ("settings", settings_seeds())):
        target = root / folder
        target.mkdir(parents=True, exist_ok=True)
        for name, seed in seeds.items():
            data = bytes(seed.data) if isinstance(seed, Session) else seed
            (target / name).write_bytes(data)


if __name__ == "__main__":
    main()
