#!/usr/bin/env python3
"""Derives fuzz seeds from simhost scenarios (scenarios/*.toml).

A seed is the scenario's calls without its train model: the route's beacons,
aspects, panel writes and the driver's actions in the order they fall due,
with the train taken to run at a steady 36 km/h between them (so a location
becomes a time) and frames of a fixed step in between. That is rough, but it
puts the route's own beacon types, values and key sequences into the corpus,
from where the fuzzer takes them apart.

Usage: fuzz/scenario_seeds.py [scenario.toml ...]   (default: scenarios/*.toml)
"""
import pathlib
import sys
import tomllib

from make_seeds import Session

SPEED_KMH = 36.0
SPEED_M_PER_MS = SPEED_KMH / 3600.0
MAX_FRAMES = 3000  # keeps a seed well inside the harness's event budget


def clock_ms(text):
    hours, minutes, seconds = text.split(":")
    return (int(hours) * 3600 + int(minutes) * 60) * 1000 + round(float(seconds) * 1000)


class Timeline:
    def __init__(self, scenario):
        start = scenario.get("start", {})
        self.start_ms = clock_ms(start.get("time", "10:00:00"))
        self.start_location = float(start.get("location", 0.0))
        self.events = []

    def when(self, entry, default_ms=None):
        if "after" in entry:
            return self.start_ms + round(float(entry["after"]) * 1000)
        if "time" in entry:
            return clock_ms(entry["time"])
        if "location" in entry:
            return self.start_ms + round((float(entry["location"]) - self.start_location) / SPEED_M_PER_MS)
        return self.start_ms if default_ms is None else default_ms

    def add(self, at_ms, action):
        self.events.append((at_ms, len(self.events), action))


def notch(value, emergency):
    return emergency if value == "emergency" else int(value)


def convert(path):
    scenario = tomllib.loads(path.read_text())
    train = scenario.get("train", {})
    brake_notches = int(train.get("brake_notches", 8))
    emergency = brake_notches + 1
    start = scenario.get("start", {})
    timeline = Timeline(scenario)

    for entry in scenario.get("panel", []):
        timeline.add(timeline.when(entry), lambda s, e=entry: s.panel(int(e["slot"]), int(e["value"])))
    for beacon in scenario.get("route", {}).get("beacon", []):
        def pass_beacon(s, b=beacon):
            if int(b["type"]) == 148:  # taken only at a standstill
                s.frame(0, speed=0)
            s.beacon(int(b["type"]), int(b.get("optional", 0)), int(b.get("signal", 0)))
        timeline.add(timeline.when(beacon), pass_beacon)
    for section in scenario.get("route", {}).get("section", []):
        at = timeline.when({"location": section["start"]})
        timeline.add(at, lambda s, a=int(section["aspect"]): s.signal(a))
        for change in section.get("changes", []):
            timeline.add(timeline.when(change), lambda s, a=int(change["aspect"]): s.signal(a))
    for driver in scenario.get("driver", []):
        at = timeline.when(driver)
        for key in ("reverser", "power", "brake"):
            if key in driver:
                name = {"reverser": "SetReverser", "power": "SetPower", "brake": "SetBrake"}[key]
                timeline.add(at, lambda s, n=name, v=notch(driver[key], emergency): s.value(n, v))
        if "door" in driver:
            timeline.add(at, lambda s, d=driver["door"]: s.op("DoorOpen" if d == "open" else "DoorClose"))
        if "key_down" in driver:
            timeline.add(at, lambda s, k=int(driver["key_down"]): s.value("KeyDown", k))
        if "key_up" in driver:
            timeline.add(at, lambda s, k=int(driver["key_up"]): s.value("KeyUp", k))
        if "press" in driver:
            key = int(driver["press"])
            timeline.add(at, lambda s, k=key: s.value("KeyDown", k))
            timeline.add(at + round(float(driver.get("hold", 0.0)) * 1000), lambda s, k=key: s.value("KeyUp", k))
        if "horn" in driver:
            timeline.add(at, lambda s, h=int(driver["horn"]): s.value("HornBlow", h))

    run = scenario.get("run", {})
    end_ms = timeline.start_ms + round(float(run.get("duration", 60)) * 1000)
    step_ms = max(100, (end_ms - timeline.start_ms) // MAX_FRAMES)

    session = Session()
    session.vehicle(brake_notches, int(train.get("power_notches", 5)), int(train.get("check_notch", 1)))
    year, month, day = (int(part) for part in start.get("date", "2024-04-01").split("-"))
    seconds = timeline.start_ms // 1000
    session.initialize(year, month, day, seconds // 3600 % 24, seconds // 60 % 60, seconds % 60)
    session.frame(time=timeline.start_ms, speed=0)
    session.value("SetBrake", notch(start.get("brake", "emergency"), emergency))
    session.value("SetReverser", int(start.get("reverser", 0))).value("SetPower", int(start.get("power", 0)))

    now = timeline.start_ms
    for at_ms, _, action in sorted(timeline.events, key=lambda event: (event[0], event[1])):
        if at_ms > end_ms:
            break
        frames = (at_ms - now) // step_ms
        while frames > 0:
            # Counts the encoding gives exactly: 1..16, or a multiple of 4.
            count = 256 if frames >= 256 else (frames if frames <= 16 else frames // 4 * 4)
            session.frames(count, step_ms, SPEED_KMH)
            frames -= count
            now += count * step_ms
        action(session)
    return bytes(session.data)


def main(argv):
    root = pathlib.Path(__file__).resolve().parent
    paths = [pathlib.Path(arg) for arg in argv] or sorted((root.parent / "scenarios").glob("*.toml"))
    target = root / "corpus" / "plugins"
    target.mkdir(parents=True, exist_ok=True)
    for path in paths:
        data = convert(path)
        (target / f"scenario_{path.stem}").write_bytes(data)
        print(f"{path.name}: {len(data)} bytes")


if __name__ == "__main__":
    main(sys.argv[1:])
