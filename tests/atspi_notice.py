#!/usr/bin/python3
"""Reads and presses the notice through the accessibility tree, as a screen
reader does. Talks to the session bus in DBUS_SESSION_BUS_ADDRESS.

  atspi_notice.py enable        say a screen reader is on, as one does when
                                it starts (Qt exposes its widgets only then)
  atspi_notice.py show TITLE    wait for a top-level window named TITLE and
                                print it, then its labels and push buttons:
                                  application NAME
                                  window ROLE NAME
                                  label TEXT
                                  button NAME
                                one a line, fields split by tabs, with "\\"
                                and newlines written as \\\\ and \\n
  atspi_notice.py press TITLE BUTTON   activate that window's push button

Exits 1, saying why on stderr, when the window or button never appears.
"""
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

import pyatspi  # noqa: E402

WAIT_SECONDS = 10
TOP_LEVEL_ROLES = ("dialog", "frame", "alert", "window")


def escape(text):
    return text.replace("\\", "\\\\").replace("\n", "\\n")


def enable():
    # What a screen reader sets when it starts; Qt reads ScreenReaderEnabled.
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    for name in ("IsEnabled", "ScreenReaderEnabled"):
        bus.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Set",
                      GLib.Variant("(ssv)", ("org.a11y.Status", name, GLib.Variant("b", True))),
                      None, Gio.DBusCallFlags.NONE, 5000, None)
    # Starts the accessibility bus, as the first accessible program of a
    # session does; on X its address then also goes on the root window.
    bus.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
                  GLib.VariantType("(s)"), Gio.DBusCallFlags.NONE, 5000, None)


def children(node):
    try:
        return [node.getChildAtIndex(i) for i in range(node.childCount)]
    except Exception:  # an application that went away while we looked
        return []


def find_window(title):
    for app in children(pyatspi.Registry.getDesktop(0)):
        for window in children(app):
            try:
                if window.name == title and window.getRoleName() in TOP_LEVEL_ROLES:
                    return app, window
            except Exception:
                continue
    return None, None


def wait_for_window(title):
    deadline = time.monotonic() + WAIT_SECONDS
    while time.monotonic() < deadline:
        app, window = find_window(title)
        if window is not None:
            return app, window
        time.sleep(0.1)
    sys.exit(f"no top-level window named {title!r} in the accessibility tree")


def descendants(node):
    for child in children(node):
        yield child
        yield from descendants(child)


def label_text(node):
    if node.name:
        return node.name
    try:
        return node.queryText().getText(0, -1)
    except NotImplementedError:
        return ""


def show(title):
    app, window = wait_for_window(title)
    print(f"application\t{app.name}")
    print(f"window\t{window.getRoleName()}\t{escape(window.name)}")
    for node in descendants(window):
        role = node.getRoleName()
        if role == "label":
            print(f"label\t{escape(label_text(node))}")
        elif role == "push button":
            print(f"button\t{escape(node.name)}")


def press(title, button):
    _, window = wait_for_window(title)
    for node in descendants(window):
        if node.getRoleName() == "push button" and node.name == button:
            action = node.queryAction()
            names = [action.getName(i) for i in range(action.nActions)]
            # GTK calls it "click", Qt "Press".
            for i, name in enumerate(names):
                if name.lower() in ("click", "press"):
                    action.doAction(i)
                    return
            sys.exit(f"button {button!r} has no click action, only {names}")
    sys.exit(f"no push button {button!r} in window {title!r}")


def main(argv):
    if argv[1:] == ["enable"]:
        enable()
    elif len(argv) == 3 and argv[1] == "show":
        show(argv[2])
    elif len(argv) == 4 and argv[1] == "press":
        press(argv[2], argv[3])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
