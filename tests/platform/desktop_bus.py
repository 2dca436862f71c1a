"""A private D-Bus with python-dbusmock's stand-ins for the desktop services the laptop's day uses.

Usage: desktop_bus.py SERVICE...   where SERVICE is one of
  logind                      systemd-logind (dbusmock's template: Inhibit hands out a pipe)
  logind-refusing             a logind whose Inhibit answers AccessDenied
  screensaver                 org.freedesktop.ScreenSaver with Inhibit, UnInhibit and Held (the
                              applications still holding it off, for the test to look at)
  upower:TYPE:STATE:PERCENT:SECONDS_TO_EMPTY:PRESENT   UPower's display device (dbusmock's template)

One bus stands for both the system and the session bus. Prints its address on one line, then keeps
it until its standard input closes, and takes the stand-ins down with it.
"""
import os
import subprocess
import sys

import dbus
import dbusmock
from dbusmock import DBusTestCase


def main():
    # The bus daemon stays this script's child (no --fork), so that it ends at once when told to.
    bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                           stdout=subprocess.PIPE, universal_newlines=True)
    try:
        address = bus.stdout.readline().strip()
        os.environ["DBUS_SYSTEM_BUS_ADDRESS"] = address
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = address
        for service in sys.argv[1:]:
            start(service)
        print(address, flush=True)
        sys.stdin.read()
    finally:
        # The stand-ins end with their bus.
        bus.terminate()
        bus.wait()


def start(service):
    if service == "logind":
        DBusTestCase.spawn_server_template("logind", {}, stdout=sys.stderr)
    elif service == "logind-refusing":
        DBusTestCase.spawn_server("org.freedesktop.login1", "/org/freedesktop/login1",
                                  "org.freedesktop.login1.Manager", system_bus=True, stdout=sys.stderr)
        mock = DBusTestCase.get_dbus(True).get_object("org.freedesktop.login1", "/org/freedesktop/login1")
        mock.AddMethod("", "Inhibit", "ssss", "h",
                       "raise dbus.exceptions.DBusException('not allowed', "
                       "name='org.freedesktop.DBus.Error.AccessDenied')",
                       dbus_interface=dbusmock.MOCK_IFACE)
    elif service == "screensaver":
        DBusTestCase.spawn_server("org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                                  "org.freedesktop.ScreenSaver", stdout=sys.stderr)
        mock = DBusTestCase.get_dbus().get_object("org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver")
        mock.AddMethods("", [
            ("Inhibit", "ss", "u",
             "self.held = getattr(self, 'held', {}); self.held[len(self.held) + 100] = args[0]; "
             "ret = dbus.UInt32(len(self.held) + 99)"),
            ("UnInhibit", "u", "", "getattr(self, 'held', {}).pop(args[0])"),
            ("Held", "", "as", "ret = list(getattr(self, 'held', {}).values())"),
        ], dbus_interface=dbusmock.MOCK_IFACE)
    elif service.startswith("upower:"):
        kind, state, percent, to_empty, present = service.split(":")[1:]
        _, mock = DBusTestCase.spawn_server_template("upower", {"DaemonVersion": "0.99"}, stdout=sys.stderr)
        mock.SetupDisplayDevice(dbus.UInt32(int(kind)), dbus.UInt32(int(state)), float(percent), 10.0, 20.0, 5.0,
                                dbus.Int64(int(to_empty)), dbus.Int64(0), present == "1", "battery", dbus.UInt32(1),
                                dbus_interface=dbusmock.MOCK_IFACE)
    else:
        sys.exit("desktop_bus.py: unknown service " + service)


if __name__ == "__main__":
    main()
