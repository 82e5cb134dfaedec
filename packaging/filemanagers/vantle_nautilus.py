# SPDX-License-Identifier: GPL-3.0-or-later
"""Vantle's entries in the context menu of Nautilus (43 and later) for the
selected local files and folders: each runs the `vantle` command line, which
reports what went wrong as a desktop notification."""

import gi

gi.require_version('Nautilus', '4.0')
from gi.repository import GLib, GObject, Nautilus  # noqa: E402

ENTRIES = (
    ('Vantle::MarkTemporary', 'Mark as Temporary', ['mark', '--notify']),
    ('Vantle::MarkTemporaryFor', 'Mark as Temporary for…', ['mark', '--ask', '--notify']),
    ('Vantle::Keep', 'Keep', ['keep', '--notify']),
)


def local_paths(files):
    """The paths of the selection, or none when any item is not a local one."""
    paths = []
    for info in files:
        location = info.get_location() if info.get_uri_scheme() == 'file' else None
        path = location.get_path() if location is not None else None
        if not path:
            return []
        paths.append(path)
    return paths


def run(_item, arguments):
    # Not waited for: "Mark as Temporary for…" lasts until the user answers.
    # GLib reaps the child itself.
    GLib.spawn_async(['vantle', *arguments], flags=GLib.SpawnFlags.SEARCH_PATH)


class VantleMenuProvider(GObject.GObject, Nautilus.MenuProvider):
    def get_file_items(self, files):
        paths = local_paths(files)
        if not paths:
            return []
        items = []
        for name, label, command in ENTRIES:
            item = Nautilus.MenuItem(name=name, label=label, icon='app.vantle.Vantle')
            item.connect('activate', run, [*command, *paths])
            items.append(item)
        return items

    def get_background_items(self, current_folder):
        return []
