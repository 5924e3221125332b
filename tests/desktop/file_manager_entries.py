#!/usr/bin/python3
"""Checks the file managers' right-click entries installed under the data folder given (the
stage's usr/share): each is read the way its file manager reads it and, where a tool of the
file manager can run it, starts a stand-in Tempinex64 whose arguments are compared with the
selection. Prints one line per file manager; exits 1 at the first fault."""

import importlib.util
import os
import subprocess
import sys
import tempfile
import time

import gi

gi.require_version("GLib", "2.0")
gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

APP_ID = "io.github.kanorem.Tempinex64"
PROGRAM = "Tempinex64"
NAME = "Change dates and attributes"
NAME_JA = "日時と属性を変更"
EXEC = PROGRAM + " %F"


def fail(what):
    print("FAIL: " + what, file=sys.stderr)
    sys.exit(1)


def expect(value, wanted, what):
    if value != wanted:
        fail(f"{what}: {value!r}, expected {wanted!r}")


def key_file(path):
    keys = GLib.KeyFile()
    keys.load_from_file(path, GLib.KeyFileFlags.KEEP_TRANSLATIONS)
    return keys


def desktop_file_validate(path, allowed=()):
    # desktop-file-validate reports errors with exit code 0 too: every line counts.
    run = subprocess.run(["desktop-file-validate", path], capture_output=True, text=True)
    report = [line for line in (run.stdout + run.stderr).splitlines()
              if line and not any(text in line for text in allowed)]
    if report:
        fail("desktop-file-validate: " + "\n".join(report))


def expect_names(keys, group, key="Name"):
    expect(keys.get_string(group, key), NAME, f"{group} {key}")
    expect(keys.get_locale_string(group, key, "ja"), NAME_JA, f"{group} {key}[ja]")


class StandIn:
    """A Tempinex64 first on PATH that writes its arguments to a file."""

    def __init__(self, work):
        self.bin = os.path.join(work, "bin")
        self.record = os.path.join(work, "arguments")
        os.makedirs(self.bin)
        script = os.path.join(self.bin, PROGRAM)
        with open(script, "w") as out:
            out.write(f"#!/bin/sh\nprintf '%s\\0' \"$@\" > {self.record}.part\n"
                      f"mv {self.record}.part {self.record}\n")
        os.chmod(script, 0o755)
        self.path = self.bin + os.pathsep + os.environ["PATH"]

    def arguments(self, timeout=10.0):
        deadline = time.monotonic() + timeout
        while not os.path.exists(self.record):
            if time.monotonic() > deadline:
                fail(PROGRAM + " was not started")
            time.sleep(0.05)
        with open(self.record, "rb") as recorded:
            words = recorded.read().split(b"\0")[:-1]
        os.remove(self.record)
        return [os.fsdecode(word) for word in words]


def check_dolphin(share):
    path = os.path.join(share, "kio/servicemenus", APP_ID + ".desktop")
    # Type=Service is KDE's own type for service menus, unknown to desktop-file-validate:
    # its two complaints about keys it leaves to Type=Application are expected, nothing else.
    desktop_file_validate(path, allowed=(
        'key "MimeType" is present in group "Desktop Entry", but the type is "Service"',
        'key "Actions" is present in group "Desktop Entry", but the type is "Service"'))
    keys = key_file(path)
    entry = "Desktop Entry"
    expect(keys.get_string(entry, "Type"), "Service", "Type")
    expect(sorted(keys.get_string_list(entry, "MimeType")),
           ["application/octet-stream", "inode/directory"], "MimeType")
    expect(keys.get_string(entry, "X-KDE-Priority"), "TopLevel", "X-KDE-Priority")
    actions = keys.get_string_list(entry, "Actions")
    expect(len(actions), 1, "Actions")
    group = "Desktop Action " + actions[0]
    expect_names(keys, group)
    expect(keys.get_string(group, "Exec"), EXEC, "Exec")
    expect(keys.get_string(group, "Icon"), APP_ID, "Icon")
    print("Dolphin service menu: ok")


def check_thunar(share):
    path = os.path.join(share, "Thunar/sendto", APP_ID + ".desktop")
    desktop_file_validate(path)
    keys = key_file(path)
    entry = "Desktop Entry"
    expect_names(keys, entry)
    expect(keys.get_string(entry, "Exec"), EXEC, "Exec")
    # Without MimeType, Thunar offers the entry for every file and folder.
    expect("MimeType" in keys.get_keys(entry)[0], False, "MimeType present")
    print("Thunar Send To entry: ok")


def check_nemo(share, files, stand_in):
    path = os.path.join(share, "nemo/actions", APP_ID + ".nemo_action")
    keys = key_file(path)
    group = "Nemo Action"
    expect(keys.get_groups()[0], [group], "groups")
    expect_names(keys, group)
    expect(keys.get_string(group, "Exec"), EXEC, "Exec")
    selection = keys.get_string(group, "Selection")
    if selection not in ("s", "m", "any", "notnone", "none") and not selection.isdigit():
        fail("Selection " + selection)
    expect(selection, "notnone", "Selection")
    expect(keys.get_string_list(group, "Extensions"), ["any"], "Extensions")
    # Nemo puts the paths in unquoted without Quote: a name with a space would split.
    expect(keys.get_string(group, "Quote"), "double", "Quote")
    expect(keys.get_string(group, "Icon-Name"), APP_ID, "Icon-Name")
    expect(keys.get_string_list(group, "Dependencies"), [PROGRAM], "Dependencies")
    # Nemo puts each path in place of %F with its double quotes escaped by a backslash, within
    # the quotes Quote names and separated by spaces, and runs the line as
    # g_spawn_command_line_async parses it.
    quoted = " ".join('"' + name.replace('"', '\\"') + '"' for name in files)
    line = keys.get_string(group, "Exec").replace("%F", quoted)
    expect(GLib.shell_parse_argv(line)[1], [PROGRAM, *files], "Nemo's command line")
    environment = dict(os.environ)
    try:
        os.environ["PATH"] = stand_in.path
        GLib.spawn_command_line_async(line)
    finally:
        os.environ.clear()
        os.environ.update(environment)
    expect(stand_in.arguments(), files, "arguments from the Nemo command line")
    print("Nemo action: ok")


def check_caja(share, work, files, stand_in):
    path = os.path.join(share, "file-manager/actions", APP_ID + ".desktop")
    keys = key_file(path)
    expect_names(keys, "Desktop Entry")
    home = os.path.join(work, "home")
    os.makedirs(home, exist_ok=True)
    environment = dict(os.environ, HOME=home, XDG_DATA_HOME=os.path.join(home, "data"),
                       XDG_CONFIG_HOME=os.path.join(home, "config"),
                       XDG_DATA_DIRS=share, XDG_CONFIG_DIRS=os.path.join(work, "etc"),
                       PATH=stand_in.path)
    command = ["caja-actions-run", "--id", APP_ID]
    for name in files:
        command += ["--target", Gio.File.new_for_path(name).get_uri()]
    run = subprocess.run(command, env=environment, capture_output=True, text=True, timeout=60)
    if run.returncode != 0:
        fail("caja-actions-run: " + run.stdout + run.stderr)
    expect(stand_in.arguments(), files, "arguments from caja-actions")
    print("Caja action (caja-actions-run): ok")


def check_nautilus(share, files, stand_in):
    path = os.path.join(share, "nautilus-python/extensions/tempinex64.py")
    gi.require_version("Nautilus", "4.0")
    from gi.repository import Nautilus

    found = importlib.util.spec_from_file_location("tempinex64", path)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    providers = [value for value in vars(module).values()
                 if isinstance(value, type) and issubclass(value, Nautilus.MenuProvider)]
    expect(len(providers), 1, "menu providers")
    provider = providers[0]()

    class Selected:
        def __init__(self, location):
            self.location = location

        def get_location(self):
            return self.location

    local = [Selected(Gio.File.new_for_path(name)) for name in files]
    remote = Selected(Gio.File.new_for_uri("sftp://127.0.0.1/remote.txt"))
    saved = dict(os.environ)
    try:
        os.environ["PATH"] = stand_in.path
        for locale, wanted in (("ja_JP.UTF-8", NAME_JA), ("C.UTF-8", NAME),
                               ("en_US.UTF-8", NAME)):
            os.environ.pop("LANGUAGE", None)
            os.environ.pop("LC_ALL", None)
            os.environ["LANG"] = locale
            items = provider.get_file_items(local)
            expect(len(items), 1, "items for " + locale)
            expect(items[0].props.label, wanted, "label for " + locale)
        expect(provider.get_file_items([local[0], remote]), [], "items with a remote file")
        expect(provider.get_file_items([]), [], "items for no selection")
        # The older interface passes the window first.
        items = provider.get_file_items(None, local)
        expect(len(items), 1, "items through the older interface")
        items[0].activate()
        expect(stand_in.arguments(), files, "arguments from the Nautilus entry")
        os.environ["PATH"] = "/nonexistent"
        expect(provider.get_file_items(local), [], "items without the program")
    finally:
        os.environ.clear()
        os.environ.update(saved)
    print("Nautilus extension (nautilus-python, Nautilus 4.0): ok")


def main():
    share = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as work:
        stand_in = StandIn(work)
        folder = os.path.join(work, "選んだ フォルダー")
        os.makedirs(folder)
        files = [os.path.join(folder, "a b.txt"), os.path.join(folder, "it's $HOME \"x\".txt"),
                 folder]
        for name in files[:2]:
            open(name, "w").close()
        check_dolphin(share)
        check_thunar(share)
        check_nemo(share, files, stand_in)
        check_caja(share, work, files, stand_in)
        check_nautilus(share, files, stand_in)


if __name__ == "__main__":
    main()
