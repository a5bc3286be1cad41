"""KWin's part of a desktop for the tests: with no argument, a dock along the
top of the output, as a panel stands there (a layer-shell surface above
windows, which they are not placed under); with `shot FILE`, a screenshot of
the whole output through KWin's own screenshot service, as PNG."""
import os
import subprocess
import sys

import gi

DOCK_HEIGHT = 32


def dock():
    gi.require_version("Gtk", "3.0")
    gi.require_version("GtkLayerShell", "0.1")
    from gi.repository import Gtk, GtkLayerShell

    window = Gtk.Window()
    GtkLayerShell.init_for_window(window)
    GtkLayerShell.set_layer(window, GtkLayerShell.Layer.TOP)
    for edge in (GtkLayerShell.Edge.LEFT, GtkLayerShell.Edge.RIGHT, GtkLayerShell.Edge.TOP):
        GtkLayerShell.set_anchor(window, edge, True)
    GtkLayerShell.auto_exclusive_zone_enable(window)
    window.set_size_request(-1, DOCK_HEIGHT)
    style = Gtk.CssProvider()
    style.load_from_data(b"window { background-color: #3050c0; }")
    window.get_style_context().add_provider(style, Gtk.STYLE_PROVIDER_PRIORITY_APPLICATION)
    window.show_all()
    Gtk.main()


def shot(path, width=1920, height=1080):
    from gi.repository import Gio, GLib

    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    read_end, write_end = os.pipe()
    fds = Gio.UnixFDList.new()
    handle = fds.append(write_end)
    os.close(write_end)
    reply, _ = bus.call_with_unix_fd_list_sync(
        "org.kde.KWin", "/org/kde/KWin/ScreenShot2", "org.kde.KWin.ScreenShot2", "CaptureArea",
        GLib.Variant("(iiuua{sv}h)", (0, 0, width, height, {}, handle)),
        GLib.VariantType("(a{sv})"), Gio.DBusCallFlags.NONE, 10000, fds)
    fds = None  # closes our copy of the write end, so the read ends
    meta = reply.unpack()[0]
    with os.fdopen(read_end, "rb") as pipe:
        data = pipe.read()
    stride, w, h = meta["stride"], meta["width"], meta["height"]
    rows = b"".join(data[y * stride:y * stride + w * 4] for y in range(h))
    # QImage's 32-bit formats lie in memory as B, G, R, A on this machine.
    subprocess.run(["convert", "-size", f"{w}x{h}", "-depth", "8", "bgra:-", "-alpha", "off", path],
                   input=rows, check=True)


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "shot":
        shot(sys.argv[2])
    else:
        dock()
