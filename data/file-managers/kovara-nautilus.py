# "Adicionar ao Kovara" in the context menu of folders in GNOME Files, through the file
# manager's own Python extension point (python3-nautilus): no compiled plug-in.
#
# GNOME Files 43 and later is a GTK 4 program. The extension asks for the Nautilus 4.0 interface
# before importing it and never imports GTK or GDK: in a process that already runs GTK 4,
# PyGObject would otherwise load whichever GDK version it finds first (GDK 3 where only the GTK 3
# typelib is installed), and GNOME Files would hang at start-up.
import gi

gi.require_version("Nautilus", "4.0")

from gi.repository import GObject, Gio, Nautilus  # noqa: E402 (the version must be chosen first)


class KovaraMenuProvider(GObject.GObject, Nautilus.MenuProvider):
    def get_file_items(self, folders):
        if not folders or not all(folder.is_directory() and folder.get_location().get_path() for folder in folders):
            return []
        item = Nautilus.MenuItem(name="Kovara::AddToKovara", label="Adicionar ao Kovara", icon="com.kovara.Kovara")
        item.connect("activate", self._add_to_kovara, folders)
        return [item]

    def _add_to_kovara(self, _item, folders):
        # Each path takes the place of %F as one argument, whatever characters its name holds;
        # "--" keeps a name that starts with a dash a folder. No launch context is needed to
        # start kovara, which hands the folders to the running instance if there is one.
        application = Gio.AppInfo.create_from_commandline("kovara -- %F", "Kovara", Gio.AppInfoCreateFlags.NONE)
        application.launch([folder.get_location() for folder in folders], None)
