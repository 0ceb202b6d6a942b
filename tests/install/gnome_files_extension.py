"""Loads the GNOME Files extension the way python3-nautilus does, next to the GTK 3 typelib, and
checks that it chose the Nautilus 4.0 interface, left GTK and GDK alone, and starts kovara with
the folders as they are named. Exits 77 (skipped) when PyGObject or the typelib is missing."""
import importlib.util
import os
import sys
import tempfile
import time
import types

SKIP = 77
try:
    import gi
except ImportError:
    print("SKIPPED: PyGObject (python3-gi) is not installed")
    sys.exit(SKIP)
if "3.0" not in gi.Repository.get_default().enumerate_versions("Gtk"):
    print("SKIPPED: the GTK 3 typelib (gir1.2-gtk-3.0) is not installed")
    sys.exit(SKIP)

# No Nautilus typelib outside GNOME Files: a stand-in with the two classes the extension uses.
required = {}
real_require_version = gi.require_version


def require_version(namespace, version):
    required[namespace] = version
    if namespace != "Nautilus":
        real_require_version(namespace, version)


class MenuItem:
    def __init__(self, name, label, icon):
        self.name, self.label, self.icon, self.handlers = name, label, icon, []

    def connect(self, signal, handler, *data):
        self.handlers.append((signal, handler, data))

    def activate(self):
        for signal, handler, data in self.handlers:
            if signal == "activate":
                handler(self, *data)


gi.require_version = require_version
sys.modules["gi.repository.Nautilus"] = types.SimpleNamespace(MenuProvider=type("MenuProvider", (), {}),
                                                              MenuItem=MenuItem)

spec = importlib.util.spec_from_file_location("kovara_nautilus", sys.argv[1])
extension = importlib.util.module_from_spec(spec)
spec.loader.exec_module(extension)

failures = []
if required.get("Nautilus") != "4.0":
    failures.append(f"the Nautilus interface version asked for was {required.get('Nautilus')}, not 4.0")
toolkit = sorted(name for name in sys.modules if name.split(".")[-1].startswith(("Gtk", "Gdk")))
if toolkit:
    failures.append(f"GTK or GDK was imported: {toolkit}")

from gi.repository import Gio  # noqa: E402


class Folder:
    def __init__(self, path):
        self.path = path

    def is_directory(self):
        return os.path.isdir(self.path)

    def get_location(self):
        return Gio.File.new_for_path(self.path)


with tempfile.TemporaryDirectory() as root:
    names = ['Relatórios "2024" $HOME \\n', "-começa com hífen"]
    folders = [Folder(os.path.join(root, name)) for name in names]
    for folder in folders:
        os.mkdir(folder.path)
    document = os.path.join(root, "nota.txt")
    open(document, "w").close()
    provider = extension.KovaraMenuProvider()
    if provider.get_file_items([folders[0], Folder(document)]) != []:
        failures.append("the item was offered for a selection holding a file")
    items = provider.get_file_items(folders)
    if [item.label for item in items] != ["Adicionar ao Kovara"]:
        failures.append(f"the items offered for folders were {[item.label for item in items]}")
    else:
        # A kovara on the search path that writes down the arguments it was given.
        received = os.path.join(root, "received")
        kovara = os.path.join(root, "bin", "kovara")
        os.mkdir(os.path.dirname(kovara))
        with open(kovara, "w") as script:
            script.write(f"#!/bin/sh\nprintf '%s\\0' \"$@\" > '{received}.part' && mv '{received}.part' '{received}'\n")
        os.chmod(kovara, 0o755)
        os.environ["PATH"] = os.path.dirname(kovara) + ":" + os.environ["PATH"]
        items[0].activate()
        deadline = time.monotonic() + 30
        while not os.path.exists(received) and time.monotonic() < deadline:
            time.sleep(0.05)
        arguments = open(received, "rb").read().decode().split("\0")[:-1] if os.path.exists(received) else None
        if arguments != ["--"] + [folder.path for folder in folders]:
            failures.append(f"kovara was started with {arguments}")

for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
