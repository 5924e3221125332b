"""tempinex run as root on folders that another user can write, while that user swaps names for
symbolic links, and on files that must never be opened or that cannot take a change.

Usage: hostile_test.py PROGRAM [unittest arguments]"""

import ctypes
import json
import os
import shutil
import subprocess
import sys
import time
import unittest

import cli_test
from cli_test import CliTestCase, run, snapshot

NOBODY = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"]

# Run as nobody: swaps each pair of names given, atomically and again and again, until killed.
SWAPPER = r"""
import ctypes, sys
libc = ctypes.CDLL(None, use_errno=True)
pairs = [(a.encode(), b.encode()) for a, b in zip(sys.argv[1::2], sys.argv[2::2])]
while True:
    for a, b in pairs:
        libc.renameat2(-100, a, -100, b, 2)  # RENAME_EXCHANGE
"""


class Swapper:
    """Another user swapping pairs of names for as long as the block runs."""

    def __init__(self, *names):
        self.names = names

    def __enter__(self):
        self.process = subprocess.Popen(NOBODY + [sys.executable, "-c", SWAPPER, *self.names])
        return self

    def __exit__(self, *exc):
        self.process.kill()
        self.process.wait()


def chown_nobody(*paths):
    """Gives the entries themselves to nobody: a link is never followed."""
    import pwd
    user = pwd.getpwnam("nobody")
    for path in paths:
        os.chown(path, user.pw_uid, user.pw_gid, follow_symlinks=False)


class HostileTreeTests(CliTestCase):
    def setUp(self):
        super().setUp()
        # What only root may touch, outside the tree the user may write.
        self.secret = self.make("secret", "secret data", mode=0o600)
        self.vault = os.path.join(self.dir, "vault")
        os.mkdir(self.vault, 0o700)
        self.inner = self.make("vault/inner", "inner data", mode=0o600)
        self.sealed = self.sealed_state()

    def sealed_state(self):
        state = snapshot(self.vault)
        for path in (self.secret, self.vault, self.inner):
            info = os.lstat(path)
            state[path] = state.get(path, ()) + (info.st_uid, info.st_gid, info.st_mode,
                                                 info.st_mtime_ns, os.listxattr(path))
        return state

    def assertSealed(self):
        self.assertEqual(self.sealed_state(), self.sealed)

    def test_links_planted_during_a_recursive_walk_are_never_followed(self):
        tree = os.path.join(self.dir, "x")
        sub = os.path.join(tree, "sub")
        os.makedirs(sub)
        chown_nobody(sub)
        pairs = []
        for i in range(20):
            name = os.path.join(sub, "f%02d" % i)
            self.make(name)
            os.symlink(self.secret, name + ".link")
            folder = os.path.join(sub, "d%02d" % i)
            os.mkdir(folder)
            self.make(os.path.join(folder, "in"))
            os.symlink(self.vault, folder + ".link")
            pairs += [name, name + ".link", folder, folder + ".link"]
        chown_nobody(*[os.path.join(sub, n) for n in os.listdir(sub)])
        runs = 0
        with Swapper(*pairs):
            deadline = time.monotonic() + 5
            while time.monotonic() < deadline:
                status, _, err = run("set", "--recursive", "--attrib", "+r", "--modified",
                                     "2000-01-01T00:00:00Z", tree)
                self.assertIn(status, (0, 1), err)
                runs += 1
        self.assertGreater(runs, 3)
        self.assertSealed()

    def test_a_name_flipped_between_steps_is_written_as_it_was_checked(self):
        sub = os.path.join(self.dir, "sub")
        os.mkdir(sub)
        victim = self.make("sub/victim", "")
        other = os.path.join(sub, "other")
        os.symlink(self.secret, other)
        chown_nobody(sub, victim)
        log = os.path.join(self.dir, "u.log")
        new_time = 946684800  # 2000-01-01T00:00:00Z
        # The empty file, wherever the swapping puts it.
        empty = "/proc/self/fd/%d" % os.open(victim, os.O_PATH)
        written = {"empty": 0, "secret": 0}
        with Swapper(victim, other):
            deadline = time.monotonic() + 10
            while time.monotonic() < deadline:
                for path in (self.secret, empty):
                    os.utime(path, (1, 1))
                    if "user.DOSATTRIB" in os.listxattr(path):
                        os.removexattr(path, "user.DOSATTRIB")
                if os.path.exists(log):
                    os.unlink(log)
                status, _, err = run("set", "--modified", "2000-01-01T00:00:00Z", "--attrib",
                                     "+h", "--undo-log", log, victim)
                self.assertEqual(status, 0, err)
                with open(log) as f:
                    checked = [json.loads(line) for line in f][1]["before"]["size"]
                secret_written = os.stat(self.secret).st_mtime == new_time
                empty_written = os.stat(empty).st_mtime == new_time
                # Exactly one file took the change: the one the log says was checked.
                self.assertNotEqual(secret_written, empty_written)
                self.assertEqual(checked, len("secret data") if secret_written else 0)
                written["secret" if secret_written else "empty"] += 1
        self.assertGreater(sum(written.values()), 10, written)

    def test_pipes_and_devices_named_on_the_command_line_are_never_opened(self):
        fifo = os.path.join(self.dir, "fifo")
        os.mkfifo(fifo)
        device = os.path.join(self.dir, "null")
        os.mknod(device, 0o666 | 0o020000, os.makedev(1, 3))
        with Watch(fifo, device) as watch:
            status, _, err = run("set", "--modified", "now", "--attrib", "+h", fifo, device)
            self.assertEqual(status, 1)
            self.assertEqual(err.count("not a regular file or folder"), 2, err)
            self.assertEqual(run("show", fifo, device)[0], 0)
            self.assertEqual(watch.opened(), [])

    def test_a_busy_program_and_an_own_write_only_file_take_their_times(self):
        program = os.path.join(self.dir, "busy")
        shutil.copy("/bin/sleep", program)
        sleeper = subprocess.Popen([program, "30"])
        try:
            status, _, err = run("set", "--modified", "2001-01-01T00:00:00Z", program)
            self.assertEqual(status, 0, err)
            self.assertEqual(os.stat(program).st_mtime, 978307200)
        finally:
            sleeper.kill()
            sleeper.wait()
        os.chmod(self.dir, 0o777)
        own = self.make("own", "data", mode=0o200)
        record = bytes.fromhex("307832320000000003000300000000001100000022000000") + bytes(32)
        os.setxattr(own, "user.DOSATTRIB", record)
        chown_nobody(own)
        status, _, err = run("set", "--modified", "2001-01-01T00:00:00Z", own, user=True)
        self.assertEqual(status, 0, err)
        self.assertEqual(os.stat(own).st_mtime, 978307200)
        # Its record cannot be read by its owner: it is never rewritten on a guess.
        status, _, err = run("set", "--attrib", "+s", own, user=True)
        self.assertEqual(status, 1)
        self.assertIn("its attributes could not be read: Permission denied", err)
        self.assertEqual(os.getxattr(own, "user.DOSATTRIB"), record)

    def test_a_volume_without_extended_attributes_refuses_before_writing_and_the_rest_goes_on(self):
        mounted = os.path.join(self.dir, "ramfs")
        os.mkdir(mounted)
        if subprocess.run(["mount", "-t", "ramfs", "ramfs", mounted]).returncode != 0:
            self.skipTest("ramfs cannot be mounted here")
        try:
            on_ramfs = self.make("ramfs/file")
            elsewhere = self.make("elsewhere")
            before = snapshot(mounted)
            for dry in ([], ["--dry-run"]):
                status, _, err = run("set", *dry, "--attrib", "+h", on_ramfs, elsewhere)
                self.assertEqual(status, 1, err)
                self.assertEqual(err.splitlines(), [
                    "tempinex: cannot change '%s': the file system keeps no extended attributes"
                    % on_ramfs])
            status, _, err = run("set", "--created", "2001-01-01T00:00:00Z", on_ramfs)
            self.assertIn("the file system keeps no extended attributes", err)
            self.assertEqual(snapshot(mounted), before)
            self.assertEqual(self.shown(elsewhere)[0]["attributes"]["hidden"], True)
            self.assertEqual(run("set", "--modified", "now", on_ramfs)[0], 0)
        finally:
            subprocess.run(["umount", mounted], check=True)


class Watch:
    """inotify on some paths: which of them were opened (for reading or writing) meanwhile."""

    IN_OPEN = 0x20
    IN_NONBLOCK = 0o4000

    def __init__(self, *paths):
        self.paths = paths

    def __enter__(self):
        self.libc = ctypes.CDLL(None, use_errno=True)
        self.fd = self.libc.inotify_init1(self.IN_NONBLOCK)
        self.watches = {self.libc.inotify_add_watch(self.fd, p.encode(), self.IN_OPEN): p
                        for p in self.paths}
        return self

    def opened(self):
        try:
            data = os.read(self.fd, 65536)
        except BlockingIOError:
            return []
        names, at = [], 0
        while at + 16 <= len(data):  # struct inotify_event: wd, mask, cookie, len, name
            wd = int.from_bytes(data[at:at + 4], "little", signed=True)
            mask = int.from_bytes(data[at + 4:at + 8], "little")
            length = int.from_bytes(data[at + 12:at + 16], "little")
            if mask & self.IN_OPEN:
                names.append(self.watches.get(wd))
            at += 16 + length
        return names

    def __exit__(self, *exc):
        os.close(self.fd)


if __name__ == "__main__":
    cli_test.PROGRAM = os.path.abspath(sys.argv.pop(1))
    unittest.main()
