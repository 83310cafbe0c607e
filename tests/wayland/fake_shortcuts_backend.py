#!/usr/bin/python3
"""A GlobalShortcuts portal backend for the tests, on the session bus.

xdg-desktop-portal finds it through portal/fake.portal (XDG_DESKTOP_PORTAL_DIR, with
XDG_CURRENT_DESKTOP=fake). It records every call it gets, assigns each shortcut the text
"<preferred trigger> on fake" (or "unassigned"), and takes orders from the test through its
own interface org.stashwick.test.FakeShortcuts:

  Record() -> s            the calls so far, as JSON
  Activate(s id)           emits Activated for that id on the newest session
  Reassign(s id, s text)   changes an assigned text and emits ShortcutsChanged
  Refuse(s method, u code) the next call of that method answers with this response code
  Misreport(u code)        the next BindShortcuts binds, and answers with this response code
                           and the shortcuts, as GNOME 48.0 does
"""

import json
import sys
import time

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

BUS_NAME = "org.freedesktop.impl.portal.desktop.fake"
PATH = "/org/freedesktop/portal/desktop"
IMPL = "org.freedesktop.impl.portal.GlobalShortcuts"
CONTROL = "org.stashwick.test.FakeShortcuts"
SESSION = "org.freedesktop.impl.portal.Session"


def plain(value):
    """A D-Bus value as JSON-friendly Python."""
    if isinstance(value, dbus.Dictionary):
        return {str(k): plain(v) for k, v in value.items()}
    if isinstance(value, (dbus.Array, dbus.Struct, list, tuple)):
        return [plain(v) for v in value]
    if isinstance(value, (dbus.String, dbus.ObjectPath)):
        return str(value)
    if isinstance(value, dbus.Boolean):
        return bool(value)
    if isinstance(value, (dbus.Byte, dbus.Int16, dbus.Int32, dbus.Int64, dbus.UInt16,
                          dbus.UInt32, dbus.UInt64)):
        return int(value)
    return value


class Session(dbus.service.Object):
    def __init__(self, bus, path, backend):
        super().__init__(bus, path)
        self.path = path
        self.backend = backend
        self.shortcuts = {}  # id -> {"description": ..., "trigger_description": ...}

    @dbus.service.method(SESSION, in_signature="", out_signature="")
    def Close(self):
        self.backend.record("Close", session=self.path)
        self.backend.sessions.pop(self.path, None)
        self.remove_from_connection()

    def take(self, shortcuts):
        for sid, props in shortcuts:
            preferred = str(props.get("preferred_trigger", ""))
            self.shortcuts[str(sid)] = {
                "description": str(props.get("description", "")),
                "trigger_description": preferred + " on fake" if preferred else "unassigned",
            }

    def listed(self):
        return dbus.Array(
            [dbus.Struct((sid, dbus.Dictionary({k: dbus.String(v) for k, v in props.items()},
                                               signature="sv")), signature="sa{sv}")
             for sid, props in self.shortcuts.items()],
            signature="(sa{sv})")


class Backend(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, PATH)
        self.bus = bus
        self.calls = []
        self.sessions = {}
        self.newest = None
        self.refusals = {}

    def record(self, method, **args):
        self.calls.append({"method": method, **{k: plain(v) for k, v in args.items()}})

    def answer(self, method):
        return dbus.UInt32(self.refusals.pop(method, 0))

    @dbus.service.method(IMPL, in_signature="oosa{sv}", out_signature="ua{sv}")
    def CreateSession(self, handle, session_handle, app_id, options):
        self.record("CreateSession", handle=handle, session=session_handle, app_id=app_id,
                    options=options)
        code = self.answer("CreateSession")
        if code != 0:
            return code, dbus.Dictionary({"shortcuts": dbus.Array([], signature="(sa{sv})")},
                                         signature="sv")
        session = Session(self.bus, str(session_handle), self)
        session.take(options.get("shortcuts", []))
        self.sessions[str(session_handle)] = session
        self.newest = session
        # xdg-desktop-portal 1.16 passes the "shortcuts" of these results on to the client
        # (KDE's backend gives them) and trips over their absence.
        return code, dbus.Dictionary({"session_id": dbus.String(str(session_handle)),
                                      "shortcuts": session.listed()}, signature="sv")

    @dbus.service.method(IMPL, in_signature="ooa(sa{sv})sa{sv}", out_signature="ua{sv}")
    def BindShortcuts(self, handle, session_handle, shortcuts, parent_window, options):
        self.record("BindShortcuts", handle=handle, session=session_handle,
                    shortcuts=shortcuts, parent_window=parent_window, options=options)
        code = self.answer("BindShortcuts")
        session = self.sessions.get(str(session_handle))
        if code != 0 or session is None:
            return code if code != 0 else dbus.UInt32(2), dbus.Dictionary({}, signature="sv")
        session.take(shortcuts)
        code = dbus.UInt32(self.refusals.pop("misreport", 0))
        return code, dbus.Dictionary({"shortcuts": session.listed()}, signature="sv")

    @dbus.service.method(IMPL, in_signature="oo", out_signature="ua{sv}")
    def ListShortcuts(self, handle, session_handle):
        self.record("ListShortcuts", handle=handle, session=session_handle)
        code = self.answer("ListShortcuts")
        session = self.sessions.get(str(session_handle))
        if code != 0 or session is None:
            return code if code != 0 else dbus.UInt32(2), dbus.Dictionary({}, signature="sv")
        return code, dbus.Dictionary({"shortcuts": session.listed()}, signature="sv")

    @dbus.service.signal(IMPL, signature="osta{sv}")
    def Activated(self, session_handle, shortcut_id, timestamp, options):
        pass

    @dbus.service.signal(IMPL, signature="osta{sv}")
    def Deactivated(self, session_handle, shortcut_id, timestamp, options):
        pass

    @dbus.service.signal(IMPL, signature="oa(sa{sv})")
    def ShortcutsChanged(self, session_handle, shortcuts):
        pass

    @dbus.service.method(CONTROL, in_signature="", out_signature="s")
    def Record(self):
        return json.dumps(self.calls)

    @dbus.service.method(CONTROL, in_signature="s", out_signature="")
    def Activate(self, shortcut_id):
        if self.newest is None:
            raise dbus.exceptions.DBusException("no session", name=CONTROL + ".NoSession")
        now = dbus.UInt64(int(time.time() * 1000000))
        empty = dbus.Dictionary({}, signature="sv")
        self.Activated(dbus.ObjectPath(self.newest.path), shortcut_id, now, empty)
        self.Deactivated(dbus.ObjectPath(self.newest.path), shortcut_id, now, empty)

    @dbus.service.method(CONTROL, in_signature="ss", out_signature="")
    def Reassign(self, shortcut_id, text):
        if self.newest is None or shortcut_id not in self.newest.shortcuts:
            raise dbus.exceptions.DBusException("no such shortcut", name=CONTROL + ".Unknown")
        self.newest.shortcuts[shortcut_id]["trigger_description"] = str(text)
        changed = dbus.Array(
            [dbus.Struct((shortcut_id, dbus.Dictionary(
                {k: dbus.String(v) for k, v in self.newest.shortcuts[shortcut_id].items()},
                signature="sv")), signature="sa{sv}")],
            signature="(sa{sv})")
        self.ShortcutsChanged(dbus.ObjectPath(self.newest.path), changed)

    @dbus.service.method(CONTROL, in_signature="su", out_signature="")
    def Refuse(self, method, code):
        self.refusals[str(method)] = int(code)

    @dbus.service.method(CONTROL, in_signature="u", out_signature="")
    def Misreport(self, code):
        self.refusals["misreport"] = int(code)


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    backend = Backend(bus)
    name = dbus.service.BusName(BUS_NAME, bus, do_not_queue=True)
    loop = GLib.MainLoop()
    # Exits with the bus: the session bus going away ends the main loop.
    bus.call_on_disconnection(lambda _: loop.quit())
    print("fake shortcuts backend ready", flush=True)
    loop.run()
    del name, backend


if __name__ == "__main__":
    sys.exit(main())
