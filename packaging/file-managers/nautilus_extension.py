"""Nautilus (with nautilus-python): "日時と属性を変更" in the context menu of files and folders,
which opens Tempinex64 on the selection.

Nautilus loads this file from nautilus-python/extensions/ in a data folder. The entry is
offered only where every selected item is a local path (Tempinex64 takes paths, not URIs) and
the program can be found.
"""

import os
import shutil

import gi

try:
    gi.require_version("Nautilus", "4.0")
except ValueError:  # Nautilus 42 and older
    gi.require_version("Nautilus", "3.0")
from gi.repository import GLib, GObject, Nautilus  # noqa: E402

PROGRAM = "Tempinex64"
ICON = "io.github.kanorem.Tempinex64"
LABELS = {
    "ja": ("日時と属性を変更", "選んだファイルの日時と属性を表示して変更します"),
    "": (
        "Change dates and attributes",
        "Show and change the time stamps and attributes of the selection",
    ),
}


def user_language(environ=os.environ):
    """The language of the user's messages, as gettext picks it: LANGUAGE first, unless the
    locale is C."""
    locale = environ.get("LC_ALL") or environ.get("LC_MESSAGES") or environ.get("LANG") or ""
    if locale in ("", "C", "POSIX") or locale.startswith("C."):
        return ""
    first = (environ.get("LANGUAGE") or locale).split(":")[0]
    return first.split("_")[0].split(".")[0]


def local_paths(files):
    """The paths of the selected items, or None when one of them is not a local file."""
    paths = []
    for item in files:
        location = item.get_location()
        path = location.get_path() if location is not None else None
        if not path:
            return None
        paths.append(path)
    return paths


def open_program(_item, paths):
    # Without DO_NOT_REAP_CHILD GLib reaps the child itself: Nautilus keeps no zombie.
    GLib.spawn_async([PROGRAM, *paths], flags=GLib.SpawnFlags.SEARCH_PATH)


class TempinexMenuProvider(GObject.GObject, Nautilus.MenuProvider):
    def get_file_items(self, *args):
        # Nautilus 43 passes the files alone; older versions pass the window first.
        files = args[-1]
        paths = local_paths(files) if files else None
        if not paths or shutil.which(PROGRAM) is None:
            return []
        label, tip = LABELS.get(user_language(), LABELS[""])
        item = Nautilus.MenuItem(
            name="Tempinex64::ChangeDatesAndAttributes", label=label, tip=tip, icon=ICON
        )
        item.connect("activate", open_program, paths)
        return [item]
