#!/usr/bin/python3
# A native GTK 3 text window for the Wayland delivery tests, the GTK counterpart of
# wayland_text_window: one text view whose whole content is written, as UTF-8, to the --output
# file after every change; "ready" is printed once the window is active and the view has the focus.
import argparse
import os
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk  # noqa: E402

parser = argparse.ArgumentParser()
parser.add_argument("--output", required=True)
args = parser.parse_args()

window = Gtk.Window(title="GTK text window")
window.set_default_size(480, 200)
view = Gtk.TextView()
window.add(view)
window.connect("destroy", Gtk.main_quit)


def save(buffer):
    start, end = buffer.get_bounds()
    temporary = args.output + ".part"
    with open(temporary, "wb") as file:
        file.write(buffer.get_text(start, end, True).encode("utf-8"))
    os.replace(temporary, args.output)


view.get_buffer().connect("changed", save)


def announce():
    if window.is_active() and view.has_focus():
        print("ready", flush=True)
        return False
    return True


window.show_all()
view.grab_focus()
GLib.timeout_add(10, announce)
Gtk.main()
sys.exit(0)
