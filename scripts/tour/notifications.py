#!/usr/bin/python3
"""A notification server for the tour's D-Bus session: answers as org.freedesktop.Notifications and
writes every notification it is given as one JSON line (app, summary, body) to the file named by the
first argument. Serves until SIGTERM."""
import json
import signal
import sys

from gi.repository import Gio, GLib

INTERFACE = """
<node>
  <interface name="org.freedesktop.Notifications">
    <method name="GetCapabilities"><arg direction="out" type="as"/></method>
    <method name="Notify">
      <arg direction="in" type="s"/><arg direction="in" type="u"/><arg direction="in" type="s"/>
      <arg direction="in" type="s"/><arg direction="in" type="s"/><arg direction="in" type="as"/>
      <arg direction="in" type="a{sv}"/><arg direction="in" type="i"/><arg direction="out" type="u"/>
    </method>
    <method name="CloseNotification"><arg direction="in" type="u"/></method>
    <method name="GetServerInformation">
      <arg direction="out" type="s"/><arg direction="out" type="s"/>
      <arg direction="out" type="s"/><arg direction="out" type="s"/>
    </method>
    <signal name="NotificationClosed"><arg type="u"/><arg type="u"/></signal>
    <signal name="ActionInvoked"><arg type="u"/><arg type="s"/></signal>
  </interface>
</node>
"""


def main():
    log = open(sys.argv[1], "a", encoding="utf-8")
    loop = GLib.MainLoop()
    counter = [0]

    def call(connection, sender, path, interface, method, parameters, invocation):
        if method == "GetCapabilities":
            invocation.return_value(GLib.Variant("(as)", (["body", "actions"],)))
        elif method == "GetServerInformation":
            invocation.return_value(GLib.Variant("(ssss)", ("novra-tour", "NOVRA", "1", "1.2")))
        elif method == "Notify":
            app, replaces, _icon, summary, body = parameters.unpack()[:5]
            counter[0] += 1
            log.write(json.dumps({"app": app, "summary": summary, "body": body}, ensure_ascii=False) + "\n")
            log.flush()
            invocation.return_value(GLib.Variant("(u)", (replaces or counter[0],)))
        else:
            invocation.return_value(None)

    info = Gio.DBusNodeInfo.new_for_xml(INTERFACE).interfaces[0]

    def acquired(connection, name):
        connection.register_object("/org/freedesktop/Notifications", info, call, None, None)

    Gio.bus_own_name(Gio.BusType.SESSION, "org.freedesktop.Notifications", Gio.BusNameOwnerFlags.NONE,
                     acquired, None, lambda *a: loop.quit())
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, loop.quit)
    loop.run()


if __name__ == "__main__":
    main()
