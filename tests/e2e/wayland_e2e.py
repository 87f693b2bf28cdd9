"""Tessel on Wayland through its accessibility tree: the package given on the command line is
shown, an entry is deleted through Edit > Delete files and its confirmation, and tessel-vp
reads the package back without it.
Usage: wayland_e2e.py PACKAGE TESSEL_VP"""
import subprocess
import sys

import pyatspi

from accessibility_e2e import application, find, menu_item, press, select_row, wait_for


def main():
    package, tessel_vp = sys.argv[1], sys.argv[2]
    pyatspi.setTimeout(3000, 15000)
    app = wait_for("the tessel application", application)
    frame = wait_for("the main window", lambda: find(app, "frame"))
    wait_for("the package in the title", lambda: frame.name.startswith(package.rsplit("/", 1)[-1] + " - "))
    table = wait_for("the entries", lambda: find(frame, "tree", "Entries"))
    select_row(table, "first.txt")
    menu_item(app, "Edit", "Delete files")
    box = wait_for("the confirmation", lambda: find(app, "dialog", "Delete") or find(app, "alert", "Delete"))
    press(wait_for("the Delete button", lambda: find(box, "push button", "Delete")))
    listed = wait_for("the entry gone from the package",
                      lambda: (out := subprocess.run([tessel_vp, "list", package], capture_output=True,
                                                     text=True).stdout) == "second.txt\n" and out)
    print("wayland: listed after delete:", listed.strip())
    print("wayland e2e: passed")


if __name__ == "__main__":
    main()
