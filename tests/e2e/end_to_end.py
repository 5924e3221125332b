#!/usr/bin/python3
"""End-to-end test of the built Tempinex64 in a real X window.

Runs the program on real files in a scratch folder, drives it with xdotool as a person would
(clicks, typing, Enter), lets it close and then checks the files with tools that are not ours:
stat, getfattr and Samba's own parser of user.DOSATTRIB. The program runs in the Japanese
locale its users have; every click lands at the visible centre of its control. Needs an X
display (run it under xvfb-run). The scratch folders are made where TMPDIR says.
Usage: end_to_end.py PATH/TO/Tempinex64 [SCENARIO...] (all scenarios when none is named)
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
from calendar import monthrange
from datetime import datetime
from zoneinfo import ZoneInfo

TITLE = "Tempinex Ver1.01"
FAILURE_CAPTION = "エラーのパス"
RENAME_CAPTION = "名前の変更エラー"
ZONE = "Asia/Tokyo"  # a zone other than UTC, so that local-time slips show
RUN_SECONDS = 40  # every program run ends within this, one way or another
LANGUAGE = "ja_JP.UTF-8"
OPEN_CAPTION = "開く"  # Qt's open-file dialog, in Japanese

OK, BROWSE, APPLY = 1, 3, 4
RESTORE, NOW, CLEAR_TIME, SAME_AS_CREATION = 1046, 1047, 1049, 1054
YEAR_SPIN = {"create": 1006, "write": 1007, "access": 1008}
NAME_EDIT, EXTENSION_EDIT = 1002, 1053
ROW_BOX = {"create": 1048, "write": 1051, "access": 1052}
ROW_EDITS = {  # year, month, day, hour, minute, second
    "create": (1000, 1024, 1027, 1030, 1033, 1036),
    "write": (1001, 1025, 1028, 1031, 1034, 1037),
    "access": (1005, 1026, 1029, 1032, 1035, 1038),
}
ATTRIBUTE_BOX, HIDDEN_BOX = 1039, 1043
SETTINGS_KEY = {"create": "fileCreate", "write": "fileLastChange", "access": "fileLastRead",
                "attributes": "Attribute"}

FILE_ATTRIBUTE_HIDDEN = 0x2
FILE_ATTRIBUTE_ARCHIVE = 0x20


YEAR_RANGE = (1950, 2049)


def year_steps(start, target):
    """Digit overwrites (position, digit) that lead from start to target when every
    intermediate year is pulled back into YEAR_RANGE."""
    def clamp(year):
        return min(max(year, YEAR_RANGE[0]), YEAR_RANGE[1])
    paths = {start: []}
    frontier = [start]
    while frontier and target not in paths:
        following = []
        for year in frontier:
            text = str(year)
            for position in range(len(text)):
                for digit in "0123456789":
                    reached = clamp(int(text[:position] + digit + text[position + 1:]))
                    if reached not in paths:
                        paths[reached] = paths[year] + [(position, digit)]
                        following.append(reached)
        frontier = following
    return paths[target]


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def run(args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, timeout=15, **kwargs)


def xdotool(*args):
    result = run(["xdotool", *[str(a) for a in args]])
    return result.stdout.strip()


def epoch_of(fields):
    return int(datetime(*fields, tzinfo=ZoneInfo(ZONE)).timestamp())


def nttime_of(fields):
    return (epoch_of(fields) + 11644473600) * 10_000_000


def stat_times(path):
    """Access, modification as whole seconds, from coreutils' stat."""
    out = run(["stat", "-c", "%X %Y", path]).stdout.split()
    return int(out[0]), int(out[1])


def dos_attrib(path):
    """(attrib, create_time) of user.DOSATTRIB read by getfattr and parsed by Samba."""
    got = run(["getfattr", "-n", "user.DOSATTRIB", "-e", "hex", path])
    found = re.search(r"^user\.DOSATTRIB=(0x[0-9a-f]+)$", got.stdout, re.M)
    if got.returncode != 0 or not found:
        return None
    raw = found.group(1)
    code = (
        "import sys\n"
        "from samba.dcerpc import xattr\n"
        "from samba.ndr import ndr_unpack\n"
        "blob = ndr_unpack(xattr.DOSATTRIB, bytes.fromhex(sys.argv[1][2:]))\n"
        "info = blob.info\n"
        "create = getattr(info, 'create_time', 0)\n"
        "print(info.attrib, create)\n"
    )
    parsed = run(["/usr/bin/python3", "-c", code, raw])
    check(parsed.returncode == 0, f"Samba cannot parse user.DOSATTRIB of {path}: {parsed.stderr}")
    attrib, create = parsed.stdout.split()
    return int(attrib), int(create)


class Program:
    """One run of the program on the given files, with its own settings and geometry dump."""

    def __init__(self, binary, scratch, files, settings):
        self.scratch = scratch
        config = os.path.join(scratch, "config")
        os.makedirs(os.path.join(config, "kanorem"), exist_ok=True)
        self.settings_path = os.path.join(config, "kanorem", "Tempinex64.conf")
        with open(self.settings_path, "w") as out:
            out.write("[Prop]\n")
            for key, value in settings.items():
                out.write(f"{SETTINGS_KEY[key]}={value}\n")
        self.geometry_path = os.path.join(scratch, "geometry.txt")
        if os.path.exists(self.geometry_path):
            os.remove(self.geometry_path)
        env = dict(os.environ, XDG_CONFIG_HOME=config, TEMPINEX_DUMP_GEOMETRY=self.geometry_path,
                   QT_QPA_PLATFORM="xcb", TZ=ZONE, LANG=LANGUAGE, LC_ALL=LANGUAGE)
        self.process = subprocess.Popen([binary, *files], env=env, cwd=scratch,
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.PIPE)
        self.deadline = time.monotonic() + RUN_SECONDS
        self.boxes = []
        self.controls = self._wait_for_geometry()
        self.window = self._wait_for_window()

    def _remaining(self):
        left = self.deadline - time.monotonic()
        if left <= 0:
            raise Failure("the program did not finish in time")
        return left

    def _wait_for_geometry(self):
        while not os.path.exists(self.geometry_path):
            self._remaining()
            if self.process.poll() is not None:
                raise Failure(f"the program ended before showing its window: "
                              f"{self.process.stderr.read()}")
            time.sleep(0.05)
        controls = {}
        with open(self.geometry_path) as dump:
            for line in dump:
                ident, x, y, w, h = map(int, line.split())
                controls[ident] = (x, y, w, h)
        return controls

    def _wait_for_window(self):
        while True:
            self._remaining()
            found = xdotool("search", "--onlyvisible", "--name", f"^{re.escape(TITLE)}$")
            if found:
                window = found.split()[0]
                xdotool("windowfocus", "--sync", window)
                return window
            time.sleep(0.05)

    def click(self, ident):
        x, y, w, h = self.controls[ident]
        # Boxes are clicked on their square at the left, everything else in its middle.
        px = x + min(w // 2, 6) if ident in (*ROW_BOX.values(), ATTRIBUTE_BOX, HIDDEN_BOX) \
            else x + w // 2
        xdotool("mousemove", "--window", self.window, px, y + h // 2)
        xdotool("click", "1")
        time.sleep(0.1)

    def click_up_arrow(self, spin):
        """The upper arrow of an up-down: the middle of its upper half."""
        x, y, w, h = self.controls[spin]
        xdotool("mousemove", "--window", self.window, x + w // 2, y + h // 4)
        xdotool("click", "1")
        time.sleep(0.1)

    def other_window(self, caption):
        found = xdotool("search", "--onlyvisible", "--name", f"^{re.escape(caption)}$")
        return [w for w in found.split() if w != self.window]

    def browse_and_cancel(self):
        """Browse opens the open-file dialog, in Japanese; Esc closes it and nothing changes."""
        self.click(BROWSE)
        deadline = time.monotonic() + 10
        while not self.other_window(OPEN_CAPTION):
            names = [xdotool("getwindowname", w) for w in
                     xdotool("search", "--onlyvisible", "--name", ".").split()]
            check(time.monotonic() < deadline,
                  f"no open-file dialog titled {OPEN_CAPTION}; windows: {names}")
            time.sleep(0.1)
        dialog = self.other_window(OPEN_CAPTION)[0]
        xdotool("windowfocus", "--sync", dialog)
        xdotool("key", "Escape")
        while self.other_window(OPEN_CAPTION):
            check(time.monotonic() < deadline, "the open-file dialog stayed after Esc")
            time.sleep(0.1)
        xdotool("windowfocus", "--sync", self.window)

    def type_into(self, ident, text):
        self.click(ident)
        xdotool("key", "--clearmodifiers", "ctrl+a")
        xdotool("type", "--delay", "20", text)
        time.sleep(0.05)

    def set_row(self, row, fields):
        self.type_year(ROW_EDITS[row][0], fields[0])
        for edit, value in zip(ROW_EDITS[row][1:], fields[1:]):
            self.type_into(edit, str(value))

    def type_year(self, ident, year):
        """The year field is held within its range after every keystroke, as a person finds:
        typing over it brings it to the lowest year, then single digits are typed over."""
        self.type_into(ident, "1")
        for position, digit in year_steps(YEAR_RANGE[0], year):
            xdotool("key", "Home", *(["Right"] * position), "shift+Right")
            xdotool("type", digit)
            time.sleep(0.05)

    def press_enter(self):
        xdotool("windowfocus", "--sync", self.window)
        xdotool("key", "Return")

    def finish(self):
        """Dismisses every message box the program shows until it exits; returns its status."""
        while True:
            try:
                return self.process.wait(timeout=0.1)
            except subprocess.TimeoutExpired:
                pass
            if time.monotonic() > self.deadline:
                self.process.kill()
                self.process.wait()
                raise Failure(f"the program did not close in time; message boxes: {self.boxes}")
            for caption in (FAILURE_CAPTION, RENAME_CAPTION):
                found = xdotool("search", "--onlyvisible", "--name", f"^{caption}$")
                if found:
                    box = found.split()[0]
                    self.boxes.append(caption)
                    xdotool("windowfocus", "--sync", box)
                    xdotool("key", "Return")
                    # Wait for this box to go before looking for the next one.
                    while xdotool("search", "--onlyvisible", "--name", f"^{caption}$") == box:
                        if time.monotonic() > self.deadline:
                            break
                        time.sleep(0.05)

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def setting(self, key):
        with open(self.settings_path) as conf:
            match = re.search(rf"^{SETTINGS_KEY[key]}=(\d+)$", conf.read(), re.M)
        return int(match.group(1)) if match else None


def make_file(folder, name, text, mtime="2015-03-04 05:06:07", atime="2016-07-08 09:10:11"):
    path = os.path.join(folder, name)
    with open(path, "w") as out:
        out.write(text)
    run(["touch", "-m", "-d", mtime, path])
    run(["touch", "-a", "-d", atime, path])
    return path


# Scenarios. Each gets a fresh folder and returns nothing; a Failure says what went wrong.

def rename_and_last_write(binary, folder):
    """One file: a new name typed into the name field, the last-write row checked and typed."""
    path = make_file(folder, "report.txt", "first")
    new_time = (2011, 12, 24, 18, 30, 44)  # even: FAT keeps the last write to 2 s
    program = Program(binary, folder, [path], {})
    try:
        program.click(ROW_BOX["write"])
        program.set_row("write", new_time)
        program.type_into(NAME_EDIT, "summary")
        program.click(OK)
        status = program.finish()
    finally:
        program.kill()
    check(status == 0, f"exit status {status}")
    check(program.boxes == [], f"unexpected message boxes {program.boxes}")
    renamed = os.path.join(folder, "summary.txt")
    check(not os.path.exists(path), "the old name is still there")
    check(os.path.exists(renamed), "no file under the new name")
    with open(renamed) as f:
        check(f.read() == "first", "the renamed file lost its content")
    # Last access is not compared: showing the file's icon reads it, which the kernel may stamp.
    _, write = stat_times(renamed)
    check(write == epoch_of(new_time), f"last write {write}, expected {epoch_of(new_time)}")
    check(program.setting("write") == 1, "the checked row box was not stored as 1")


def three_files_same_creation_and_access(binary, folder):
    """Three files from the command line: creation and access rows (stored checked), Enter."""
    paths = [make_file(folder, f"part{i}.dat", f"part {i}", mtime=f"2014-0{i + 1}-10 10:00:00")
             for i in range(3)]
    writes_before = [stat_times(p)[1] for p in paths]
    created = (2005, 2, 28, 7, 8, 9)
    accessed = (2020, 10, 31, 23, 59, 58)
    program = Program(binary, folder, paths, {"create": 1, "access": 1})
    try:
        program.set_row("create", created)
        program.set_row("access", accessed)
        program.press_enter()
        status = program.finish()
    finally:
        program.kill()
    check(status == 0, f"exit status {status}")
    check(program.boxes == [], f"unexpected message boxes {program.boxes}")
    for path, write_before in zip(paths, writes_before):
        check(os.path.exists(path), f"{path} is gone")
        access, write = stat_times(path)
        check(access == epoch_of(accessed), f"{path}: last access {access}")
        check(write == write_before, f"{path}: last write changed to {write}")
        dos = dos_attrib(path)
        check(dos is not None, f"{path}: no user.DOSATTRIB")
        check(dos[1] == nttime_of(created),
              f"{path}: creation {dos[1]}, expected {nttime_of(created)}")


def read_only_refused_others_changed(binary, folder):
    """A read-only file in a set of three is refused and reported; the other two change."""
    paths = [make_file(folder, name, name) for name in ("one.txt", "locked.txt", "three.txt")]
    locked = paths[1]
    os.chmod(locked, os.stat(locked).st_mode & 0o7555)  # FAT drops a chmod that does more
    locked_mode = os.stat(locked).st_mode
    _, locked_write = stat_times(locked)
    new_time = (2019, 4, 30, 12, 0, 2)  # even, as FAT keeps it
    program = Program(binary, folder, paths, {"write": 1})
    try:
        program.set_row("write", new_time)
        program.click(OK)
        status = program.finish()
    finally:
        program.kill()
    check(status == 0, f"exit status {status}")
    check(program.boxes == [FAILURE_CAPTION],
          f"message boxes {program.boxes}, expected one failure report")
    for path in (paths[0], paths[2]):
        check(stat_times(path)[1] == epoch_of(new_time), f"{path}: last write not changed")
    check(stat_times(locked)[1] == locked_write, "the read-only file was written")
    check(os.stat(locked).st_mode == locked_mode, "the read-only file's mode changed")


def failed_rename_reported(binary, folder):
    """A rename onto an existing name is reported; both files stay as they were."""
    path = make_file(folder, "draft.txt", "draft")
    taken = make_file(folder, "final.txt", "final")
    program = Program(binary, folder, [path], {})
    try:
        program.type_into(NAME_EDIT, "final")
        program.click(OK)
        status = program.finish()
    finally:
        program.kill()
    check(status == 0, f"exit status {status}")
    check(program.boxes == [RENAME_CAPTION],
          f"message boxes {program.boxes}, expected one rename failure")
    with open(path) as f:
        check(f.read() == "draft", "the file to rename changed")
    with open(taken) as f:
        check(f.read() == "final", "the file in the way was overwritten")


def hidden_attribute_set(binary, folder):
    """Attribute editing switched on, the hidden box clicked: Samba reads the hidden bit."""
    path = make_file(folder, "plain.txt", "plain")
    program = Program(binary, folder, [path], {})
    try:
        program.click(ATTRIBUTE_BOX)
        program.click(HIDDEN_BOX)
        program.click(OK)
        status = program.finish()
    finally:
        program.kill()
    check(status == 0, f"exit status {status}")
    check(program.boxes == [], f"unexpected message boxes {program.boxes}")
    dos = dos_attrib(path)
    check(dos is not None, "no user.DOSATTRIB written")
    check(dos[0] & FILE_ATTRIBUTE_HIDDEN, f"hidden bit missing in {dos[0]:#x}")
    check(os.stat(path).st_mode & 0o222, "the file lost its write bits")
    check(program.setting("attributes") == 1, "the attribute box was not stored as 1")


def today_fields():
    now = datetime.now(ZoneInfo(ZONE))
    return now.year, now.month, now.day


def time_buttons_and_up_down(binary, folder):
    """All three rows checked: 現在日時, 時間0クリア, the creation year's up arrow, 作成日と同じ.
    The creation row ends a year after today at 00:00:00 and the other two rows copy it."""
    path = make_file(folder, "clock.txt", "clock")
    before = today_fields()
    program = Program(binary, folder, [path], {"create": 1, "write": 1, "access": 1})
    try:
        for button in (NOW, CLEAR_TIME):
            program.click(button)
        program.click_up_arrow(YEAR_SPIN["create"])
        program.click(SAME_AS_CREATION)
        program.click(OK)
        status = program.finish()
    finally:
        program.kill()
    check(status == 0, f"exit status {status}")
    check(program.boxes == [], f"unexpected message boxes {program.boxes}")
    expected = set()
    for year, month, day in {before, today_fields()}:  # midnight may pass meanwhile
        # The day is held within the month of the new year (29 February a year on).
        expected.add(epoch_of((year + 1, month, min(day, monthrange(year + 1, month)[1]), 0, 0, 0)))
    access, write = stat_times(path)
    check(write in expected, f"last write {write}, expected one of {expected}")
    check(access == write, f"last access {access}, expected the last write {write}")
    dos = dos_attrib(path)
    check(dos is not None and (dos[1] // 10_000_000 - 11644473600) in expected,
          f"creation {dos}, expected one of {expected}")


def restore_browse_and_up_down(binary, folder):
    """The last-write year's up arrow twice, 元の日時, the arrow once more, Browse answered with
    Esc, OK: the file is a year later than it was, to the second."""
    path = make_file(folder, "dated.txt", "dated")
    shown = datetime.fromtimestamp(stat_times(path)[1], ZoneInfo(ZONE))
    program = Program(binary, folder, [path], {"write": 1})
    try:
        program.click_up_arrow(YEAR_SPIN["write"])
        program.click_up_arrow(YEAR_SPIN["write"])
        program.click(RESTORE)
        program.click_up_arrow(YEAR_SPIN["write"])
        program.browse_and_cancel()
        program.click(OK)
        status = program.finish()
    finally:
        program.kill()
    check(status == 0, f"exit status {status}")
    check(program.boxes == [], f"unexpected message boxes {program.boxes}")
    expected = int(shown.replace(year=shown.year + 1).timestamp())
    check(stat_times(path)[1] == expected, f"last write {stat_times(path)[1]}, expected {expected}")


def qt_options_are_file_names(binary, folder):
    """Names that read like Qt's options or end-of-options marks are files like any other: all
    five are loaded (the window keeps its title) and Enter writes the first one's time to all."""
    names = ["-reverse", "-style", "-qwindowtitle", "--", "-"]
    paths = [make_file(folder, name, name, mtime=f"2013-0{i + 1}-02 03:04:05")
             for i, name in enumerate(names)]
    expected = stat_times(paths[0])[1]
    program = Program(binary, folder, names, {"write": 1})
    try:
        program.press_enter()
        status = program.finish()
    finally:
        program.kill()
    check(status == 0, f"exit status {status}")
    check(program.boxes == [], f"unexpected message boxes {program.boxes}")
    for path in paths:
        check(stat_times(path)[1] == expected, f"{path}: last write {stat_times(path)[1]}")


SCENARIOS = [rename_and_last_write, three_files_same_creation_and_access,
             read_only_refused_others_changed, failed_rename_reported, hidden_attribute_set,
             time_buttons_and_up_down, restore_browse_and_up_down, qt_options_are_file_names]


def main():
    chosen = [s for s in SCENARIOS if s.__name__ in sys.argv[2:]]
    if len(sys.argv) < 2 or len(chosen) != len(sys.argv) - 2:
        print(__doc__)
        return 2
    scenarios = chosen or SCENARIOS
    binary = os.path.abspath(sys.argv[1])
    if not os.access(binary, os.X_OK):
        print(f"FAIL: no program at {binary}")
        return 1
    if not os.environ.get("DISPLAY"):
        print("FAIL: no X display; run under xvfb-run")
        return 1
    failures = 0
    for scenario in scenarios:
        folder = tempfile.mkdtemp(prefix="tempinex-e2e-")
        started = time.monotonic()
        try:
            scenario(binary, folder)
            verdict = "PASS"
        except Failure as error:
            verdict = f"FAIL ({error})"
            failures += 1
        except subprocess.TimeoutExpired as error:
            verdict = f"FAIL (tool hung: {error.cmd})"
            failures += 1
        finally:
            shutil.rmtree(folder, ignore_errors=True)
        print(f"{verdict.split()[0]}: {scenario.__name__} [{time.monotonic() - started:.1f}s]"
              + ("" if verdict == "PASS" else " " + verdict[5:]), flush=True)
    print(f"end-to-end: {len(scenarios) - failures} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
