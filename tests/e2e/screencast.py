# Records GNOME's monitor Meta-0 through mutter's ScreenCast D-Bus API, on the
# session bus in the environment: prints the PipeWire node that carries the
# frames, then keeps the recording going until standard input closes.
import sys

from gi.repository import Gio, GLib

NAME = 'org.gnome.Mutter.ScreenCast'
bus = Gio.bus_get_sync(Gio.BusType.SESSION)


def call(path, interface, method, args, reply):
    result = bus.call_sync(NAME, path, NAME + interface, method, args,
                           GLib.VariantType(reply) if reply else None, 0, 10000, None)
    return result.unpack()[0] if reply else None


session = call('/org/gnome/Mutter/ScreenCast', '', 'CreateSession',
               GLib.Variant('(a{sv})', ({},)), '(o)')
stream = call(session, '.Session', 'RecordMonitor',
              GLib.Variant('(sa{sv})', ('Meta-0', {})), '(o)')
bus.signal_subscribe(NAME, NAME + '.Stream', 'PipeWireStreamAdded', stream, None, 0,
                     lambda *signal: print(signal[5].unpack()[0], flush=True))
call(session, '.Session', 'Start', None, None)
loop = GLib.MainLoop()
GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()), GLib.PRIORITY_DEFAULT,
                  GLib.IO_IN | GLib.IO_HUP, lambda *_: loop.quit())
loop.run()
