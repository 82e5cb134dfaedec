# SPDX-License-Identifier: GPL-3.0-or-later
"""Loads the file managers' entries as the file managers do: each Nemo action
through GLib's key-file parser, the Nautilus extension through its menu
provider, with stand-ins for Nautilus's classes and the selected items (the
real ones need Nautilus itself). Usage: check_filemanagers.py FOLDER"""

import importlib
import pathlib
import sys
import types

import gi

gi.require_version('GLib', '2.0')
from gi.repository import GLib  # noqa: E402

folder = pathlib.Path(sys.argv[1])
expected = {'Mark as Temporary': ['mark', '--notify'],
            'Mark as Temporary for…': ['mark', '--ask', '--notify'],
            'Keep': ['keep', '--notify']}

# Nemo: one action per entry, for any selected files and folders, given all of them.
nemo = {}
for path in sorted(folder.glob('*.nemo_action')):
    keys = GLib.KeyFile()
    keys.load_from_file(str(path), GLib.KeyFileFlags.NONE)
    group = 'Nemo Action'
    assert keys.get_string(group, 'Selection') == 'notnone', path
    assert keys.get_string_list(group, 'Extensions') == ['any'], path
    nemo[keys.get_locale_string(group, 'Name', None)] = keys.get_string(group, 'Exec').split()
assert nemo == {name: ['vantle', *words, '%F'] for name, words in expected.items()}, nemo

# Nautilus: stand-ins for what the extension imports, recording what it runs.
spawned = []
repository = types.SimpleNamespace(
    GObject=types.SimpleNamespace(GObject=type('GObject', (), {})),
    GLib=types.SimpleNamespace(SpawnFlags=types.SimpleNamespace(SEARCH_PATH=2),
                               spawn_async=lambda argv, flags: spawned.append(argv)),
    Nautilus=types.SimpleNamespace(MenuProvider=type('MenuProvider', (), {}), MenuItem=None))


class MenuItem:
    def __init__(self, name, label, icon):
        self.label = label
        self.activate = None

    def connect(self, signal, handler, data):
        assert signal == 'activate'
        self.activate = lambda: handler(self, data)


repository.Nautilus.MenuItem = MenuItem
versions = {}
sys.modules['gi'] = types.SimpleNamespace(
    require_version=lambda name, version: versions.update({name: version}))
sys.modules['gi.repository'] = repository


class Item:
    def __init__(self, uri):
        self.uri = uri

    def get_uri_scheme(self):
        return self.uri.split(':', 1)[0]

    def get_location(self):
        return types.SimpleNamespace(get_path=lambda: self.uri.removeprefix('file://'))


sys.dont_write_bytecode = True
# Nautilus loads the extension from its own folder, the way an import does.
sys.path.insert(0, str(folder))
extension = importlib.import_module('vantle_nautilus')
assert versions == {'Nautilus': '4.0'}, versions

provider = extension.VantleMenuProvider()
selection = [Item('file:///home/u/Downloads/a b.pdf'), Item('file:///home/u/Downloads/folder')]
items = provider.get_file_items(selection)
assert [item.label for item in items] == list(expected), [item.label for item in items]
for item in items:
    item.activate()
paths = ['/home/u/Downloads/a b.pdf', '/home/u/Downloads/folder']
assert spawned == [['vantle', *words, *paths] for words in expected.values()], spawned
# A remote item among them: no entries, as the command line could not name it.
assert provider.get_file_items([*selection, Item('sftp://host/a.pdf')]) == []
assert provider.get_background_items(Item('file:///home/u/Downloads')) == []
print('file managers: Nemo actions and Nautilus extension load')
