"""The command-line program tempinex, run as a process on real files under a temporary folder.

Usage: cli_test.py PROGRAM [unittest arguments]"""

import json
import os
import shutil
import stat
import struct
import subprocess
import sys
import tempfile
import unittest

PROGRAM = None
BERLIN = {"TZ": "Europe/Berlin"}
TICKS = 10_000_000
EPOCH_1601 = 11_644_473_600


def run(*args, env=None, user=None, cwd=None, stdin=b""):
    """The program's exit status, standard output and standard error."""
    command = [PROGRAM, *args]
    if user:
        command = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] + command
    environment = {"PATH": os.environ["PATH"], "LC_ALL": "C.UTF-8", "TZ": "UTC"}
    # A sanitizer build keeps the options its test stage sets.
    environment.update({k: v for k, v in os.environ.items() if k.endswith("SAN_OPTIONS")})
    environment.update(env or {})
    done = subprocess.run(command, capture_output=True, env=environment, cwd=cwd, timeout=60,
                          input=stdin)
    return done.returncode, done.stdout.decode("utf-8", "replace"), done.stderr.decode(
        "utf-8", "replace")


def snapshot(root):
    """Everything the program could change under root: times to the nanosecond, mode, size and
    extended attributes of every entry."""
    state = {}
    info = os.lstat(root)
    if stat.S_ISDIR(info.st_mode):  # never through a link, which would move its access time
        listed = os.open(root, os.O_RDONLY | os.O_DIRECTORY | os.O_NOATIME)
        try:
            names = os.listdir(listed)
        finally:
            os.close(listed)
        for name in names:
            state.update(snapshot(os.path.join(root, name)))
    xattrs = {}
    if not stat.S_ISLNK(info.st_mode) and not stat.S_ISFIFO(info.st_mode):
        xattrs = {k: os.getxattr(root, k) for k in os.listxattr(root)}
    state[root] = (info.st_mtime_ns, info.st_atime_ns, info.st_mode, info.st_size, xattrs)
    return state


def write_jpeg(path, original=None, offset=None, fraction=None):
    """A JPEG holding no picture, only an Exif segment (little-endian TIFF) whose Exif IFD holds
    the texts given: DateTimeOriginal, OffsetTimeOriginal and SubSecTimeOriginal. Without
    them, no Exif segment at all."""
    tags = [(tag, text) for tag, text in ((0x9003, original), (0x9011, offset),
                                          (0x9291, fraction)) if text]
    exif_ifd = 8 + 2 + 12 + 4  # after the header and IFD0, which holds only its pointer
    data_at = exif_ifd + 2 + 12 * len(tags) + 4
    entries, data = b"", b""
    for tag, text in tags:
        value = text.encode() + b"\0"
        if len(value) <= 4:
            entries += struct.pack("<HHI4s", tag, 2, len(value), value)
        else:
            entries += struct.pack("<HHII", tag, 2, len(value), data_at + len(data))
            data += value
    tiff = (b"II*\0" + struct.pack("<IHHHIII", 8, 1, 0x8769, 4, 1, exif_ifd, 0) +
            struct.pack("<H", len(tags)) + entries + struct.pack("<I", 0) + data)
    segment = b"Exif\0\0" + tiff
    with open(path, "wb") as f:
        f.write(b"\xff\xd8")
        if tags:
            f.write(b"\xff\xe1" + struct.pack(">H", len(segment) + 2) + segment)
        f.write(b"\xff\xd9")


def unix_ns(path):
    info = os.stat(path)
    return info.st_mtime_ns, info.st_atime_ns


class CliTestCase(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tempinex-cli-", dir="/tmp")
        os.chmod(self.dir, 0o755)

    def tearDown(self):
        for folder, names, files in os.walk(self.dir):
            for name in names + files:
                path = os.path.join(folder, name)
                if not os.path.islink(path):
                    os.chmod(path, 0o755)
        shutil.rmtree(self.dir)

    def make(self, name, text="text", mode=0o644):
        path = os.path.join(self.dir, name)
        with open(path, "w") as f:
            f.write(text)
        os.chmod(path, mode)
        return path

    def shown(self, *paths, env=None):
        status, out, err = run("show", "--json", *paths, env=env)
        self.assertEqual(status, 0, err)
        return [json.loads(line) for line in out.splitlines()]


class ShowTests(CliTestCase):
    def test_text_and_json_show_each_instant_with_its_own_offset(self):
        summer = self.make("summer")
        winter = self.make("winter")
        os.utime(summer, ns=(1_782_864_000 * 10**9, 1_782_864_000 * 10**9 + 250_000_000))
        os.utime(winter, ns=(1_767_225_600 * 10**9, 1_767_225_600 * 10**9))
        status, out, _ = run(summer, winter, env=BERLIN)  # show is the default command
        self.assertEqual(status, 0)
        self.assertIn("modified:   2026-07-01T02:00:00.25+02:00", out)
        self.assertIn("modified:   2026-01-01T01:00:00+01:00", out)
        self.assertIn("attributes: ---A--", out)
        first, second = self.shown(summer, winter, env=BERLIN)
        self.assertEqual(first["path"], summer)
        self.assertEqual(first["accessed"], "2026-07-01T02:00:00+02:00")
        self.assertEqual(second["modified"], "2026-01-01T01:00:00+01:00")
        self.assertEqual(first["size"], 4)
        self.assertTrue(first["attributes"]["archive"])
        self.assertFalse(first["attributes"]["readOnly"])

    def test_missing_file_is_reported_and_the_others_shown(self):
        present = self.make("present")
        status, out, err = run("show", os.path.join(self.dir, "gone"), present)
        self.assertEqual(status, 1)
        self.assertIn("tempinex: cannot read '%s/gone': No such file or directory" % self.dir, err)
        self.assertIn(present, out)


class SetTests(CliTestCase):
    def test_each_time_option(self):
        path = self.make("f")
        self.assertEqual(run("set", "--modified", "@1000000000", "--accessed",
                             "2001-09-09T01:46:40+02:00", path)[0], 0)
        self.assertEqual(unix_ns(path), (10**18, 10**18 - 2 * 3600 * 10**9))
        self.assertEqual(run("set", "--created", "2003-02-01T00:00:00Z", path)[0], 0)
        self.assertEqual(self.shown(path)[0]["created"], "2003-02-01T00:00:00+00:00")
        self.assertEqual(unix_ns(path)[0], 10**18)  # the others stay
        self.assertEqual(run("set", "--all", "2010-06-15 12:00", path, env=BERLIN)[0], 0)
        shown = self.shown(path, env=BERLIN)[0]
        for key in ("created", "modified", "accessed"):
            self.assertEqual(shown[key], "2010-06-15T12:00:00+02:00")

    def test_from_a_file_keeps_the_fraction_of_a_second(self):
        reference = self.make("ref")
        target = self.make("target")
        # A creation time in user.DOSATTRIB, where it is kept to 100 ns.
        self.assertEqual(run("set", "--created", "2003-02-01T00:00:00.1234567Z", reference)[0], 0)
        os.utime(reference, ns=(1_600_000_000_987_654_321, 1_700_000_000_123_456_789))
        status, _, err = run("set", "--from", reference, target)
        self.assertEqual(status, 0, err)
        self.assertEqual(unix_ns(target), unix_ns(reference))  # to the nanosecond ext4 keeps
        created = self.shown(reference, target)
        self.assertEqual(created[1]["created"], created[0]["created"])
        other = self.make("other")
        os.utime(other, ns=(5 * 10**9, 5 * 10**9))
        self.assertEqual(run("set", "--from", reference, "--only", "a", other)[0], 0)
        self.assertEqual(unix_ns(other), (5 * 10**9, 1_600_000_000_987_654_321))

    def test_shift_across_a_daylight_saving_change_moves_by_the_same_seconds(self):
        # Berlin moves to summer time at 2026-03-29 01:00 UTC; one file lies on each side.
        before = self.make("before")
        after = self.make("after")
        os.utime(before, ns=(1_774_740_600 * 10**9, 1_774_740_600 * 10**9))  # 00:30 UTC
        os.utime(after, ns=(1_774_747_800 * 10**9, 1_774_747_800 * 10**9 + 500))  # 02:30 UTC
        status, _, err = run("set", "--shift", "-0:03:00:00", "--only", "m", before, after,
                             env=BERLIN)
        self.assertEqual(status, 0, err)
        self.assertEqual(unix_ns(before), ((1_774_740_600 - 10_800) * 10**9, 1_774_740_600 * 10**9))
        self.assertEqual(unix_ns(after)[0], (1_774_747_800 - 10_800) * 10**9 + 500)
        self.assertEqual(unix_ns(after)[1], 1_774_747_800 * 10**9)

    def test_attributes_read_only_refusal_and_clearing(self):
        plain = self.make("plain")
        locked = self.make("locked", mode=0o444)
        status, _, err = run("set", "--attrib", "+h+s-a", "--modified", "@0", plain, locked)
        self.assertEqual(status, 1)
        self.assertEqual(err, "tempinex: cannot change '%s': read-only file "
                              "(clear it with --attrib -r)\n" % locked)
        attributes = self.shown(plain)[0]["attributes"]
        self.assertEqual((attributes["hidden"], attributes["system"], attributes["archive"]),
                         (True, True, False))
        self.assertEqual(unix_ns(plain)[0], 0)
        self.assertEqual(os.stat(locked).st_mode & 0o777, 0o444)
        self.assertEqual(run("set", "--attrib", "-r", "--modified", "@0", locked)[0], 0)
        self.assertEqual(unix_ns(locked)[0], 0)
        self.assertTrue(os.stat(locked).st_mode & 0o200)
        self.assertEqual(run("set", "--attrib", "+r", locked)[0], 0)
        self.assertEqual(os.stat(locked).st_mode & 0o222, 0)

    def test_recursive_sets_folders_after_their_contents_and_each_file_once(self):
        outside = self.make("outside")
        tree = os.path.join(self.dir, "tree")
        sub = os.path.join(tree, "sub")
        os.makedirs(sub)
        inner = os.path.join(sub, "inner")
        open(inner, "w").close()
        os.link(inner, os.path.join(tree, "hard"))
        os.symlink(outside, os.path.join(tree, "link"))
        os.symlink(self.dir, os.path.join(sub, "up"))
        outside_before = snapshot(outside)
        links_before = [os.lstat(os.path.join(tree, name)).st_mtime_ns
                        for name in ("link", "sub/up")]
        day = 86400 * 10**9
        for path in (tree, sub, inner):
            os.utime(path, ns=(day, day))
        # The tree, a folder inside it, a hard link and a name given twice: each file once.
        status, _, err = run("set", "--recursive", "--shift", "0:01:00:00", "--attrib", "+h",
                             tree, sub, inner, inner)
        self.assertEqual(status, 0, err)
        for path in (tree, sub, inner):
            # Listing a folder moved its last access time; it was set after its contents.
            self.assertEqual(unix_ns(path), (day + 3600 * 10**9,) * 2, path)
        shown = self.shown(tree, sub, inner)
        self.assertTrue(all(entry["attributes"]["hidden"] for entry in shown))
        self.assertEqual(snapshot(outside), outside_before)
        # The links themselves are never changed.
        self.assertEqual([os.lstat(os.path.join(tree, name)).st_mtime_ns
                          for name in ("link", "sub/up")], links_before)

    def test_from_tree_gives_each_copy_its_originals_times(self):
        ns = [(1_000_000_000_000_000_000 + i * 10**15 + i, 999_000_000_000_000_000 + i)
              for i in range(5)]
        trees = {}
        for tree in ("orig", "copy"):
            root = trees[tree] = os.path.join(self.dir, tree)
            os.makedirs(os.path.join(root, "sub"))
            self.make(tree + "/a")
            self.make(tree + "/sub/b")
            os.symlink("a", os.path.join(root, "link"))
        self.make("orig/odd")
        os.makedirs(os.path.join(self.dir, "copy/odd"))  # a folder where the original is a file
        os.makedirs(os.path.join(self.dir, "copy/extra"))  # no original
        self.make("copy/extra/x")
        self.assertEqual(run("set", "--attrib", "+h", "--created", "2001-01-01T00:00:00.5Z",
                             os.path.join(trees["orig"], "a"))[0], 0)
        for (m, a), name in zip(ns, ("a", "sub/b", "sub", "", "link")):
            os.utime(os.path.join(trees["orig"], name), ns=(a, m), follow_symlinks=False)
        originals = snapshot(trees["orig"])
        copies = snapshot(trees["copy"])
        status, out, err = run("set", "--from-tree", trees["orig"], "--dry-run", trees["copy"])
        self.assertEqual(status, 1)
        self.assertEqual(snapshot(trees["copy"]), copies)
        self.assertEqual(out.count(" -> "), 8)  # two times of a, sub/b, sub and the root
        log = os.path.join(self.dir, "undo.log")
        status, _, err = run("set", "--from-tree", trees["orig"], "--with-attributes", "-h",
                             "--undo-log", log, trees["copy"])
        self.assertEqual(status, 1)
        self.assertEqual(err.splitlines(), [
            "tempinex: cannot change '%s/copy/extra': its original '%s/orig/extra' is missing"
            % (self.dir, self.dir),
            "tempinex: cannot change '%s/copy/odd': its original '%s/orig/odd' is another kind "
            "of file" % (self.dir, self.dir)])
        for name in ("a", "sub/b", "sub", "", "link"):
            original, copy = (os.lstat(os.path.join(trees[t], name)) for t in ("orig", "copy"))
            self.assertEqual((copy.st_mtime_ns, copy.st_atime_ns),
                             (original.st_mtime_ns, original.st_atime_ns), name)
        a_shown = self.shown(os.path.join(trees["orig"], "a"), os.path.join(trees["copy"], "a"))
        self.assertEqual(a_shown[1]["created"], a_shown[0]["created"])
        self.assertTrue(a_shown[1]["attributes"]["hidden"])
        self.assertEqual(snapshot(trees["orig"]), originals)  # never changed, nor listed
        self.assertEqual(run("undo", log), (0, "", ""))
        self.assertEqual(snapshot(trees["copy"]), copies)

    def test_no_dereference_changes_a_link_itself(self):
        target = self.make("target")
        link = os.path.join(self.dir, "link")
        os.symlink("target", link)
        target_before = os.stat(target).st_mtime_ns
        status, _, err = run("set", "--no-dereference", "--modified", "@100", link)
        self.assertEqual(status, 0, err)
        self.assertEqual(os.lstat(link).st_mtime_ns, 100 * 10**9)
        self.assertEqual(os.stat(target).st_mtime_ns, target_before)
        status, _, err = run("set", "-h", "--attrib", "+h", link)
        self.assertEqual((status, err), (1, "tempinex: cannot change '%s': not a regular file or "
                                            "folder\n" % link))

    def test_a_time_the_file_system_cannot_store_is_refused_not_clamped(self):
        image, volume = os.path.join(self.dir, "ext2.img"), os.path.join(self.dir, "ext2")
        os.mkdir(volume)
        made = subprocess.run("truncate -s 4M %s && mkfs.ext2 -q -I 128 %s && mount -o loop %s %s"
                              % (image, image, image, volume), shell=True, capture_output=True)
        if made.returncode != 0:
            self.skipTest("no ext2 volume of 128-byte inodes here: %s" % made.stderr)
        try:
            path = self.make("ext2/f")
            os.utime(path, (10**9, 10**9))
            for time in ("2050-01-01T00:00:00Z", "1800-01-01T00:00:00Z"):
                status, _, err = run("set", "--modified", time, path)
                self.assertEqual((status, err), (1, "tempinex: cannot change '%s': the file system "
                                                    "cannot store this time\n" % path))
                self.assertEqual(unix_ns(path), (10**18, 10**18))
            self.assertEqual(run("set", "--modified", "1960-01-01T00:00:00Z", path)[0], 0)
        finally:
            subprocess.run(["umount", volume], check=True)

    def test_dry_run_changes_nothing_and_prints_old_and_new(self):
        path = self.make("f")
        os.utime(path, ns=(0, 0))
        folder = os.path.join(self.dir, "d")
        os.mkdir(folder)
        self.make("d/g", mode=0o444)
        before = snapshot(self.dir)
        status, out, err = run("set", "--dry-run", "--recursive", "--modified", "@60", "--attrib",
                               "+s", "--undo-log", os.path.join(folder, "log"), path, folder)
        self.assertEqual(status, 1)  # d/g is read-only: refused as the real run would
        self.assertIn("d/g': read-only file", err)
        self.assertIn("  modified:   1970-01-01T00:00:00+00:00 -> 1970-01-01T00:01:00+00:00", out)
        self.assertIn("  attributes: ---A-- -> --SA--", out)
        self.assertIn("  attributes: ----D- -> --S-D-", out)
        self.assertEqual(snapshot(self.dir), before)
        status, out, err = run("set", "--dry-run", "--json", "--modified", "@60", "--attrib", "+s",
                               path, os.path.join(folder, "g"))
        self.assertEqual(status, 1, err)
        self.assertEqual([json.loads(line) for line in out.splitlines()], [{
            "path": path,
            "modified": {"old": "1970-01-01T00:00:00+00:00", "new": "1970-01-01T00:01:00+00:00"},
            "attributes": {
                "old": {"readOnly": False, "hidden": False, "system": False, "archive": True,
                        "directory": False, "compressed": False},
                "new": {"readOnly": False, "hidden": False, "system": True, "archive": True,
                        "directory": False, "compressed": False}},
        }])
        self.assertEqual(snapshot(self.dir), before)

    def test_names_from_find_print0_and_from_a_list(self):
        folder = os.path.join(self.dir, "photos")
        os.mkdir(folder)
        names = [self.make(name) for name in ("photos/two\nlines", "photos/with space",
                                              "photos/-dash", "photos/plain")]
        found = subprocess.run(["find", folder, "-type", "f", "-print0"], capture_output=True,
                               check=True).stdout
        status, _, err = run("set", "-0", "--modified", "@60", stdin=found)
        self.assertEqual(status, 0, err)
        self.assertEqual([unix_ns(name)[0] for name in names], [60 * 10**9] * 4)
        listing = self.make("list", text="\n".join(names[1:]) + "\n\n" + names[0] + "\n")
        status, _, err = run("set", "--files-from", listing, "--modified", "@120", names[1])
        self.assertEqual(status, 1)  # one per line: "two" and "lines" are no files
        self.assertEqual(err.splitlines(), [
            "tempinex: cannot change '%s/photos/two': No such file or directory" % self.dir,
            "tempinex: cannot change 'lines': No such file or directory"])
        self.assertEqual([unix_ns(name)[0] for name in names], [60 * 10**9] + [120 * 10**9] * 3)
        self.assertEqual(run("show", "--json", "--files-from", "-", stdin=b"")[:2], (0, ""))

    def test_from_exif_takes_each_photos_own_time_and_lists_those_without(self):
        with_offset = os.path.join(self.dir, "offset.jpg")
        write_jpeg(with_offset, "2024:07:01 12:34:56", "+09:00", "25")
        local = os.path.join(self.dir, "local.jpg")
        write_jpeg(local, "2024:07:01 12:34:56", "   :  ")  # a blank offset: unknown
        repeated = os.path.join(self.dir, "repeated.jpg")  # 02:30 happens twice in Berlin
        write_jpeg(repeated, "2024:10:27 02:30:00")
        bare = os.path.join(self.dir, "bare.jpg")
        write_jpeg(bare)
        text = self.make("notes.txt")
        for path in (with_offset, local, repeated, bare, text):
            os.utime(path, ns=(10**9, 10**9))
        files = (with_offset, local, repeated, bare, text)
        before = snapshot(self.dir)
        status, out, _ = run("set", "--from-exif", "--only", "m", "--dry-run", "--json", *files,
                             env=BERLIN)
        self.assertEqual(status, 1)
        self.assertEqual([json.loads(line)["modified"]["new"] for line in out.splitlines()],
                         ["2024-07-01T05:34:56.25+02:00", "2024-07-01T12:34:56+02:00"])
        self.assertEqual(snapshot(self.dir), before)
        status, _, err = run("set", "--from-exif", "--only", "m", *files, env=BERLIN)
        self.assertEqual(status, 1)
        self.assertEqual(unix_ns(with_offset), (1_719_804_896_250_000_000, 10**9))
        self.assertEqual(unix_ns(local), (1_719_830_096 * 10**9, 10**9))
        self.assertEqual(err.splitlines(), [
            "tempinex: cannot change '%s': no photo time: EXIF DateTimeOriginal "
            "'2024:10:27 02:30:00': this local time happens twice (repeated by a daylight-saving "
            "change); give an offset such as +01:00" % repeated,
            "tempinex: cannot change '%s': no photo time: the image has no EXIF "
            "DateTimeOriginal" % bare,
            "tempinex: cannot change '%s': no photo time: not an image that Exiv2 reads" % text])
        for path in (repeated, bare, text):
            self.assertEqual(unix_ns(path), (10**9, 10**9))


class UndoTests(CliTestCase):
    def test_undo_gives_back_exactly_what_was_there(self):
        plain = self.make("plain")  # no user.DOSATTRIB
        locked = self.make("locked", mode=0o444)
        samba = self.make("samba")
        os.setxattr(samba, "user.DOSATTRIB", b"0x20")  # the text form older Samba writes
        os.utime(plain, ns=(1_111_111_111_123_456_789, 1_222_222_222_987_654_321))
        log = os.path.join(self.dir, "undo.log")
        for mask in (0o000, 0o002):
            before = snapshot(self.dir)
            old_mask = os.umask(mask)  # the runs inherit it
            try:
                status, _, err = run("set", "--all", "2020-02-02T02:02:02Z", "--attrib", "-r+h",
                                     "--undo-log", log, plain, locked, samba)
                self.assertEqual(status, 0, err)
                self.assertEqual(run("set", "--attrib", "+r", "--undo-log", log, plain, samba)[0],
                                 0)
                self.assertNotEqual(snapshot(self.dir)[plain], before[plain])
                self.assertEqual(run("undo", log), (0, "", ""))
            finally:
                os.umask(old_mask)
            after = snapshot(self.dir)
            # Times to the nanosecond, the mode, and each value to the byte or its absence.
            for path in (plain, locked, samba):
                self.assertEqual(after[path], before[path], (path, oct(mask)))
            os.unlink(log)

    def test_undo_refuses_what_changed_since_and_names_it(self):
        moved = self.make("moved")
        replaced = self.make("replaced")
        log = os.path.join(self.dir, "undo.log")
        self.assertEqual(run("set", "--attrib", "+h", "--undo-log", log, moved, replaced)[0], 0)
        os.chmod(moved, 0o600)  # nothing show prints, but the saved state tells
        os.unlink(replaced)
        self.make("replaced")  # another file under the same name
        status, _, err = run("undo", log)
        self.assertEqual(status, 1)
        self.assertEqual(sorted(err.splitlines()), [
            "tempinex: cannot restore '%s': it has changed since the change was logged" % path
            for path in (moved, replaced)])
        self.assertTrue(self.shown(moved)[0]["attributes"]["hidden"])

    def test_undo_refuses_a_file_changed_since_and_restores_the_others(self):
        first = self.make("first")
        second = self.make("second")
        os.utime(first, ns=(10**9, 10**9))
        os.utime(second, ns=(10**9, 10**9))
        log = os.path.join(self.dir, "undo.log")
        self.assertEqual(run("set", "--modified", "@500", "--undo-log", log, first, second)[0], 0)
        os.utime(second, ns=(10**9, 777 * 10**9))
        status, _, err = run("undo", log)
        self.assertEqual(status, 1)
        self.assertEqual(err, "tempinex: cannot restore '%s': it has changed since the change "
                              "was logged\n" % second)
        self.assertEqual(unix_ns(first)[0], 10**9)
        self.assertEqual(unix_ns(second)[0], 10**9 * 777)

    def test_a_log_cut_short_after_its_first_entry_is_still_undone(self):
        path = self.make("f")
        os.utime(path, ns=(10**9, 10**9))
        log = os.path.join(self.dir, "undo.log")
        self.assertEqual(run("set", "--modified", "@500", "--undo-log", log, path)[0], 0)
        with open(log) as f:
            lines = f.readlines()
        with open(log, "w") as f:
            f.write(lines[0] + lines[1] + lines[2][:20])  # the after line cut off
        self.assertEqual(run("undo", log)[0], 0)
        self.assertEqual(unix_ns(path)[0], 10**9)


    def test_the_log_is_never_one_of_the_files_and_never_written_over_another_file(self):
        path = self.make("f")
        log = os.path.join(self.dir, "undo.log")
        status, _, err = run("set", "--recursive", "--modified", "@0", "--undo-log", log, self.dir)
        self.assertEqual(status, 0, err)
        self.assertNotEqual(os.stat(log).st_mtime_ns, 0)
        self.assertEqual(run("undo", log), (0, "", ""))
        self.assertNotEqual(os.stat(path).st_mtime_ns, 0)
        notes = self.make("notes", text="keep me")
        planted = os.path.join(self.dir, "planted.log")
        os.symlink(notes, planted)
        for target, message in ((notes, "the file holds something else"),
                                (planted, "a symbolic link: an undo log is never reached")):
            status, _, err = run("set", "--modified", "@0", "--undo-log", target, path)
            self.assertEqual(status, 2)
            self.assertIn(message, err)
            with open(notes) as f:
                self.assertEqual(f.read(), "keep me")
            self.assertNotEqual(os.stat(path).st_mtime_ns, 0)
        self.assertIn("a symbolic link", run("undo", planted)[2])

    def test_undo_from_another_folder_and_a_log_of_version_1(self):
        os.mkdir(os.path.join(self.dir, "sub"))
        path = self.make("sub/f")
        os.utime(path, ns=(10**9, 10**9))
        status, _, err = run("set", "--modified", "@500", "--undo-log", "undo.log", "sub/f",
                             cwd=self.dir)
        self.assertEqual(status, 0, err)
        log = os.path.join(self.dir, "undo.log")
        with open(log) as f:
            self.assertEqual({json.loads(line).get("path") for line in f}, {None, path})
        self.assertEqual(run("undo", log, cwd="/"), (0, "", ""))
        self.assertEqual(unix_ns(path), (10**9, 10**9))
        # The same log as the first version wrote it: file times in 100 ns since 1601, the name
        # as given.
        self.assertEqual(run("set", "--modified", "@500", "--undo-log", log, path)[0], 0)
        with open(log) as f:
            lines = [json.loads(line) for line in f]
        lines = [{"tempinex undo log": 1}] + [dict(line, path="sub/f") for line in lines[1:]]
        for line in lines[1:]:
            for state in (line[key] for key in ("before", "planned", "after") if key in line):
                for key in ("created", "modified", "accessed"):
                    seconds, nanoseconds = state[key] or (-EPOCH_1601, 0)  # 0 when unknown
                    state[key] = (seconds + EPOCH_1601) * TICKS + nanoseconds // 100
        with open(log, "w") as f:
            f.writelines(json.dumps(line) + "\n" for line in lines)
        self.assertEqual(run("undo", log, cwd=self.dir), (0, "", ""))
        self.assertEqual(unix_ns(path), (10**9, 10**9))

    def test_a_full_disk_stops_the_run_and_leaves_a_whole_log(self):
        small = os.path.join(self.dir, "small")
        os.mkdir(small)
        subprocess.run(["mount", "-t", "tmpfs", "-o", "size=8k", "tmpfs", small], check=True)
        try:
            with open(os.path.join(small, "filler"), "wb") as f:
                f.write(b"x" * 4096)  # leaves one page for the log
            files = [self.make("f%02d" % i) for i in range(30)]
            for path in files:
                os.utime(path, ns=(10**9 + 1234567, 10**9))
            before = snapshot(self.dir)
            log = os.path.join(small, "undo.log")
            status, _, err = run("set", "--modified", "@500", "--undo-log", log, *files)
            self.assertEqual(status, 2)
            self.assertEqual(err, "tempinex: cannot write the undo log: No space left on device\n")
            changed = [path for path in files if unix_ns(path)[0] == 500 * 10**9]
            self.assertTrue(0 < len(changed) < len(files))
            self.assertEqual(changed, files[:len(changed)])  # none after the failure
            with open(log, "rb") as f:
                self.assertTrue(f.read().endswith(b"}\n"))
            self.assertEqual(run("undo", log), (0, "", ""))
            after = snapshot(self.dir)
            for path in files:
                self.assertEqual(after[path], before[path])
        finally:
            subprocess.run(["umount", small], check=True)

    def test_two_runs_on_one_log_append_one_after_the_other(self):
        files = {run_: [self.make("%s%03d" % (run_, i)) for i in range(150)] for run_ in "ab"}
        for path in files["a"] + files["b"]:
            os.utime(path, ns=(10**9, 10**9))
        log = os.path.join(self.dir, "undo.log")
        environment = {"PATH": os.environ["PATH"], "LC_ALL": "C.UTF-8", "TZ": "UTC"}
        environment.update({k: v for k, v in os.environ.items() if k.endswith("SAN_OPTIONS")})
        runs = [subprocess.Popen([PROGRAM, "set", "--modified", "@500", "--undo-log", log,
                                  *files[name]], env=environment) for name in "ab"]
        self.assertEqual([process.wait(timeout=60) for process in runs], [0, 0])
        with open(log) as f:
            order = [os.path.basename(json.loads(line)["path"])[0] for line in f.readlines()[1:]]
        self.assertIn("".join(order), ("a" * 300 + "b" * 300, "b" * 300 + "a" * 300))
        self.assertEqual(run("undo", log), (0, "", ""))
        self.assertEqual({unix_ns(path)[0] for path in files["a"] + files["b"]}, {10**9})


class BadInputTests(CliTestCase):
    def test_usage_errors_exit_2_and_change_nothing(self):
        path = self.make("f")
        not_a_log = self.make("notes")  # read by undo, so its access time may move
        before = snapshot(self.dir)
        for args, message in (
            (["set", "--bogus", "x", path], "The following argument was not expected: --bogus"),
            (["set", "--modified", "2026-02-30T00:00:00", path], "no such date"),
            (["set", "--modified", "", path], "--modified: '': not a date-time"),
            (["set", "--only", "", "--shift", "0:01:00:00", path], "--only: ''"),
            (["set", "--from", "", path], "--from: cannot read ''"),
            (["set", "--modified", "9999-12-31T23:59:59-05:00", path], "outside the range of "
             "times, 1601-01-01T00:00:01Z to 9999-12-31T23:59:59Z"),
            (["set", "--modified", "1601-01-01T00:00:00+01:00", path], "outside the range"),
            (["set", "--modified", "@253402300800", path], "outside the range"),
            (["set", "--json", "--modified", "now", path], "give --dry-run as well"),
            (["set", "--from-exif", "--from", path, path], "excludes"),
            (["set", "--from-tree", path, "--modified", "now", path], "excludes"),
            (["set", "--with-attributes", "--shift", "0:01:00:00", path],
             "--with-attributes: give --from-tree as well"),
            (["set", "--from-tree", os.path.join(self.dir, "gone"), path],
             "--from-tree: cannot read"),
            (["set", "--modified", "now"], "no files given"),
            (["set", "--files-from", os.path.join(self.dir, "gone"), "--modified", "now"],
             "--files-from: cannot read"),
            (["set", "--modified", "yesterday", path], "not a date-time"),
            (["set", "--modified", "2026-03-29T02:30", path], "does not exist"),
            (["set", "--shift", "1:25:00:00", path], "--shift"),
            (["set", "--attrib", "+x", path], "--attrib"),
            (["set", "--only", "m", "--attrib", "+h", path], "--only"),
            (["set", "--all", "now", "--modified", "now", path], "excludes"),
            (["set", path], "nothing to change"),
            (["set", "--from", os.path.join(self.dir, "gone"), path], "--from: cannot read"),
            (["undo", not_a_log], "not an undo log"),
            ([], "A subcommand is required"),
        ):
            status, _, err = run(*args, env=BERLIN)
            self.assertEqual(status, 2, args)
            self.assertIn(message, err, args)
        after = snapshot(self.dir)
        self.assertEqual(after.pop(not_a_log)[0], before.pop(not_a_log)[0])
        self.assertEqual(after, before)

    def test_the_ends_of_the_range_are_taken_and_shown_within_four_digit_years(self):
        path = self.make("f")
        # Where the local date would leave the years 1601 to 9999, the time is shown in UTC.
        for zone, end, shown in (
                ("America/New_York", "1601-01-01T00:00:01Z", "1601-01-01T00:00:01+00:00"),
                ("Asia/Tokyo", "9999-12-31T23:59:59Z", "9999-12-31T23:59:59+00:00"),
                ("Asia/Tokyo", "9999-12-31T23:59:59-09:00", None),  # 10000-01-01 in UTC
                ("UTC", "1601-01-01T00:00:00Z", None)):
            status, out, err = run("set", "--dry-run", "--modified", end, path, env={"TZ": zone})
            if shown:
                self.assertEqual(status, 0, err)
                self.assertTrue(out.endswith(" -> %s\n" % shown), out)
            else:
                self.assertEqual(status, 2, end)
                self.assertIn("outside the range", err)

    def test_refused_files_exit_1_and_the_rest_is_done(self):
        missing = os.path.join(self.dir, "missing")
        fifo = os.path.join(self.dir, "fifo")
        os.mkfifo(fifo)
        folder = os.path.join(self.dir, "folder")
        os.mkdir(folder)
        long_name = os.path.join(self.dir, "x" * (259 - len(self.dir)))
        open(long_name, "w").close()
        good = self.make("good")
        before = snapshot(self.dir)
        status, _, err = run("set", "--modified", "@0", missing, fifo, folder, long_name, good)
        self.assertEqual(status, 1)
        self.assertEqual(err.splitlines(), [
            "tempinex: cannot change '%s': No such file or directory" % missing,
            "tempinex: cannot change '%s': not a regular file or folder" % fifo,
            "tempinex: cannot change '%s': path too long (260 UTF-16 units or more)" % long_name,
        ])
        after = snapshot(self.dir)
        for path in (good, folder):
            self.assertEqual(after[path][0], 0)
            del after[path], before[path]
        self.assertEqual(after, before)
        self.assertEqual(run("set", "--modified", "@0", long_name[:-1] + "")[0], 1)
        os.rename(long_name, long_name[:-1])
        self.assertEqual(run("set", "--modified", "@0", long_name[:-1])[0], 0)  # 259 units

    def test_names_that_are_not_utf8_are_quoted_and_still_reach_their_file(self):
        folder = os.fsencode(self.dir)
        writable = folder + b"/caf\xe9"
        locked = folder + b"/it's\xff\n"
        for name, mode in ((writable, 0o644), (locked, 0o444)):
            open(name, "w").close()
            os.chmod(name, mode)
        before = snapshot(self.dir)
        status, _, err = run("set", "--modified", "@0", os.fsdecode(writable), os.fsdecode(locked))
        self.assertEqual(status, 1)
        self.assertEqual(err, "tempinex: cannot change '%s/it'\\''s'$'\\377'$'\\012': read-only "
                              "file (clear it with --attrib -r)\n" % self.dir)
        self.assertEqual(os.stat(writable).st_mtime_ns, 0)
        self.assertEqual(snapshot(self.dir)[os.fsdecode(locked)], before[os.fsdecode(locked)])
        shown = self.shown(os.fsdecode(writable))[0]
        self.assertEqual(bytes.fromhex(shown["pathBytes"]), writable)


class PermissionTests(CliTestCase):
    def test_another_users_file_is_refused_before_any_part_is_written(self):
        os.chmod(self.dir, 0o777)
        writable = self.make("writable", mode=0o666)  # root's, but anyone may write it
        private = self.make("private", mode=0o600)
        own = os.path.join(self.dir, "own")
        subprocess.run(["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups",
                        "touch", own], check=True)
        before = snapshot(self.dir)
        status, _, err = run("set", "--modified", "@0", "--attrib", "+h", writable, private, own,
                             user=True)
        self.assertEqual(status, 1)
        self.assertEqual(err.splitlines(), [
            "tempinex: cannot change '%s': only its owner or a privileged user may change it"
            % writable,
            "tempinex: cannot change '%s': only its owner or a privileged user may change it"
            % private,
        ])
        after = snapshot(self.dir)
        self.assertEqual(after[own][0], 0)
        for path in (writable, private):
            self.assertEqual(after[path], before[path])
        # Hidden alone needs only write access, which anyone has to the first file.
        self.assertEqual(run("set", "--attrib", "+h", writable, user=True)[0], 0)
        self.assertEqual(run("set", "--attrib", "+h", private, user=True)[0], 1)


    def test_a_read_only_volume_refuses_even_root(self):
        source = os.path.join(self.dir, "source")
        mounted = os.path.join(self.dir, "mounted")
        os.mkdir(source)
        os.mkdir(mounted)
        self.make("source/plain")
        self.make("source/locked", mode=0o444)
        subprocess.run(["mount", "--bind", source, mounted], check=True)
        try:
            subprocess.run(["mount", "-o", "remount,bind,ro", mounted], check=True)
            before = snapshot(source)
            status, _, err = run("set", "--modified", "@0", "--attrib", "-r+h",
                                 os.path.join(mounted, "plain"), os.path.join(mounted, "locked"))
            self.assertEqual(status, 1)
            self.assertEqual(err.count("the file system is mounted read-only"), 2, err)
            self.assertEqual(snapshot(source), before)
        finally:
            subprocess.run(["umount", mounted], check=True)


class LocaleTests(CliTestCase):
    def test_messages_are_japanese_under_a_japanese_locale(self):
        env = {"LC_ALL": "ja_JP.UTF-8"}
        locales = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout
        if "ja_JP.utf8" not in locales.split():
            # A machine without it generated: build one for this test alone.
            env["LOCPATH"] = os.path.join(self.dir, "locales")
            os.mkdir(env["LOCPATH"])
            subprocess.run(["localedef", "-i", "ja_JP", "-f", "UTF-8",
                            os.path.join(env["LOCPATH"], "ja_JP.UTF-8")], check=True)
        locked = self.make("locked", mode=0o444)
        status, out, err = run("set", "--modified", "now", locked, env=env)
        self.assertEqual(status, 1)
        self.assertEqual(err, "tempinex: '%s' を変更できません: 読み取り専用のファイルです "
                              "(--attrib -r で外せます)\n" % locked)
        status, out, _ = run("show", locked, env=env)
        self.assertIn("  更新:", out)
        status, _, err = run("set", "--bogus", locked, env=env)
        self.assertEqual((status, err.splitlines()[0]), (2, "tempinex: 次の引数は使えません: --bogus"))
        status, _, err = run("set", "--all", "now", "--created", "now", locked, env=env)
        self.assertIn("--all と --created は一緒に指定できません", err)
        for environment in (env, {}):
            status, out, _ = run("--help", env=environment)
            self.assertEqual(status, 0)
            lines = out.splitlines()
            # The synopsis first, then one line for each option, the exit status at the end.
            self.assertRegex(lines[0], "^(Usage|使い方): tempinex ")
            self.assertRegex(next(line for line in lines if "--modified=T" in line),
                             r"^      --modified=T {12}\S")
            self.assertIn("2  ", lines[-3])
            self.assertFalse([line for line in lines if len(line.encode("utf-16-le")) > 160])
            self.assertNotIn("REQUIRED", out)
            self.assertNotIn("Excludes", out)


if __name__ == "__main__":
    PROGRAM = os.path.abspath(sys.argv.pop(1))
    unittest.main()
