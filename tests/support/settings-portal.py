#!/usr/bin/python3
# The desktop portal's Settings interface on the session bus, in a process of
# its own as xdg-desktop-portal is, answering only the colour scheme (first
# argument: 0 no preference, 1 dark, 2 light). SIGUSR1 turns the desktop dark
# and SIGUSR2 light while it runs, with the SettingChanged signal the real
# portal sends when a person switches the desktop's style.
import signal, sys
import dbus, dbus.service, dbus.mainloop.glib
from gi.repository import GLib

scheme = int(sys.argv[1])
dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()

class Settings(dbus.service.Object):
    def value(self, namespace, key):
        if namespace == "org.freedesktop.appearance" and key == "color-scheme":
            return dbus.UInt32(scheme)
        raise dbus.exceptions.DBusException("Requested setting not found",
                                            name="org.freedesktop.portal.Error.NotFound")

    @dbus.service.method("org.freedesktop.portal.Settings", in_signature="ss", out_signature="v")
    def Read(self, namespace, key):
        # The old call wraps the value in a second variant.
        return dbus.UInt32(self.value(namespace, key), variant_level=1)

    @dbus.service.method("org.freedesktop.portal.Settings", in_signature="ss", out_signature="v")
    def ReadOne(self, namespace, key):
        return self.value(namespace, key)

    @dbus.service.method("org.freedesktop.portal.Settings", in_signature="as", out_signature="a{sa{sv}}")
    def ReadAll(self, namespaces):
        return {"org.freedesktop.appearance": {"color-scheme": dbus.UInt32(scheme)}}

    @dbus.service.signal("org.freedesktop.portal.Settings", signature="ssv")
    def SettingChanged(self, namespace, key, value):
        pass

settings = Settings(bus, "/org/freedesktop/portal/desktop")
name = dbus.service.BusName("org.freedesktop.portal.Desktop", bus)

# SIGUSR1 turns the desktop dark and SIGUSR2 light while the app runs, as a
# person switching the desktop's style would.
def switch(to):
    def handler():
        global scheme
        scheme = to
        settings.SettingChanged("org.freedesktop.appearance", "color-scheme", dbus.UInt32(to, variant_level=1))
        return GLib.SOURCE_CONTINUE
    return handler

GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR1, switch(1))
GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR2, switch(2))
GLib.MainLoop().run()
