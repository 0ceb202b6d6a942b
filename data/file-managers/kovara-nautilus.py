# "Adicionar ao Kovara" in the context menu of folders in GNOME Files, through the file
# manager's own Python extension point (python3-nautilus): no compiled plug-in. The folders go
# to Kovara as its command line; a launch context gives that launch the activation token that
# lets Kovara's window come to the front.
from gi.repository import GObject, Gdk, Gio, Nautilus


class KovaraMenuProvider(GObject.GObject, Nautilus.MenuProvider):
    def get_file_items(self, *arguments):
        # Older versions of the extension interface pass the window before the files.
        folders = arguments[-1]
        if not folders or not all(folder.is_directory() and folder.get_location().get_path() for folder in folders):
            return []
        item = Nautilus.MenuItem(name="Kovara::AddToKovara", label="Adicionar ao Kovara", icon="com.kovara.Kovara")
        item.connect("activate", self._add_to_kovara, folders)
        return [item]

    def _add_to_kovara(self, _item, folders):
        # Each path takes the place of %F as one argument, whatever characters its name holds;
        # "--" keeps a name that starts with a dash a folder.
        application = Gio.AppInfo.create_from_commandline(
            "kovara -- %F", "Kovara", Gio.AppInfoCreateFlags.SUPPORTS_STARTUP_NOTIFICATION)
        display = Gdk.Display.get_default()
        context = display.get_app_launch_context() if display is not None else None
        application.launch([folder.get_location() for folder in folders], context)
