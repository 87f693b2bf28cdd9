"""Drives the real window through its accessibility tree (AT-SPI), as a screen reader or a
voice-control tool would: opens a package from File > Open Recent, enters a folder, reads the
status bar, deletes an entry through the Edit menu and its confirmation, and reads the new
totals; then reads a text entry in the preview pane, changes it, saves it and reads the
package's bytes back with tessel-vp. Exits 0 when every step did what a user would expect.
Then adds a file through Edit > Add Files and opens a read-only package, second in Open
Recent, whose edit commands are disabled.
Usage: accessibility_e2e.py PACKAGE TESSEL_VP FILE_TO_ADD (the package must be first in Open
Recent, the read-only one second)."""
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

TIMEOUT = 20


def wait_for(what, probe):
    end = time.time() + TIMEOUT
    while time.time() < end:
        try:
            found = probe()
        except Exception:  # the tree changes under us while the window works
            found = None
        if found:
            return found
        time.sleep(0.2)
    raise SystemExit(f"accessibility e2e: timed out waiting for {what}")


def walk(node, depth=0):
    if node is None or depth > 12:
        return
    yield node
    for i in range(node.childCount):
        yield from walk(node.getChildAtIndex(i), depth + 1)


def find(root, role, name=None, starts=None, about=None):
    for node in walk(root):
        if node.getRoleName() != role:
            continue
        if name is not None and node.name != name:
            continue
        if starts is not None and not (node.name or "").startswith(starts):
            continue
        if about is not None and not (node.description or "").startswith(about):
            continue
        return node
    return None


def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("Press", "Toggle", "Click", "ShowMenu"):
            try:
                action.doAction(i)
            except GLib.GError:
                # A command that opens a modal box answers only when the box is closed:
                # the press was taken, and the box is looked for next.
                pass
            return
    raise SystemExit(f"accessibility e2e: {node.name!r} has no action to press")


def text_of(node):
    text = node.queryText()
    return text.getText(0, text.characterCount)


def panel(frame, about):
    """A status bar panel's text: its accessible name, as a screen reader reads it."""
    return find(frame, "label", about=about).name


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == "tessel":
            return app
    return None


def menu_item(app, menu, item):
    press(wait_for(f"menu {menu}", lambda: find(app, "menu item", menu)))
    found = wait_for(f"menu item {item}", lambda: find(app, "menu item", starts=item))
    press(found)


def select_row(table, name):
    """Makes the row whose first cell is named the one selected row, through the table."""
    wait_for(f"row {name}", lambda: find(table, "table cell", name))
    grid = table.queryTable()
    for row in range(grid.nRows):
        if grid.getAccessibleAt(row, 0).name == name:
            for selected in grid.getSelectedRows():
                grid.removeRowSelection(selected)
            grid.addRowSelection(row)
            return
    raise SystemExit(f"accessibility e2e: no row {name!r}")


def main():
    package = sys.argv[1]
    # Replies to a press come at once, except from commands that open a modal box.
    pyatspi.setTimeout(3000, 15000)
    app = wait_for("the tessel application", application)
    frame = wait_for("the main window", lambda: find(app, "frame"))

    menu_item(app, "File", "1 ")
    wait_for("the package in the title", lambda: frame.name.startswith(package.rsplit("/", 1)[-1] + " - "))
    table = wait_for("the entries", lambda: find(frame, "tree", "Entries"))
    print("root:", wait_for("the totals", lambda: panel(frame, "Folder totals")))

    select_row(table, "data")
    menu_item(app, "Edit", "Open file")
    wait_for("the data folder", lambda: text_of(find(frame, "text", "Folder shown")).endswith("/data/"))
    before = wait_for("the data folder's totals",
                      lambda: panel(frame, "Folder totals") == "Total 1 folders and 118 Bytes in 2 files"
                      and panel(frame, "Folder totals"))
    print("data:", before)

    select_row(table, "ships.tbl")
    selected = wait_for("the selection text",
                        lambda: panel(frame, "Selection") == "Selected 70 Bytes in 1 files" and panel(frame, "Selection"))
    menu_item(app, "Edit", "Delete files")
    box = wait_for("the confirmation", lambda: find(app, "dialog", "Delete") or find(app, "alert", "Delete"))
    question = wait_for("the question", lambda: find(box, "label", starts='Delete "ships.tbl" from'))
    print("asked:", question.name.splitlines()[0])
    press(wait_for("the Delete button", lambda: find(box, "push button", "Delete")))
    after = wait_for("the new totals",
                     lambda: panel(frame, "Folder totals") == "Total 1 folders and 48 Bytes in 1 files"
                     and panel(frame, "Folder totals"))
    print("after delete:", after)
    names = [c.name for c in walk(table) if c.getRoleName() == "table cell" and c.name]
    assert "ships.tbl" not in names, names

    # The preview pane reads the current row's text; it is changed and saved in place.
    select_row(table, "weapons.tbl")
    editor = wait_for("the text in the preview", lambda: find(frame, "text", "Text"))
    shown = wait_for("the entry's text", lambda: text_of(editor) == "0" * 48 and text_of(editor))
    print("preview:", shown)
    editor.queryEditableText().setTextContents("speed = 12\n")
    state = wait_for("the modified state", lambda: find(frame, "label", starts="Modified: "))
    print("state:", state.name)
    press(wait_for("the Save button", lambda: find(frame, "push button", "Save")))
    wait_for("the saved state", lambda: find(frame, "label", starts="UTF-8, "))
    stored = subprocess.run([sys.argv[2], "cat", package, "data/weapons.tbl"], capture_output=True, check=True).stdout
    assert stored == b"speed = 12\n", stored
    print("saved:", stored)

    # Edit > Add Files: the file dialog takes a typed name, and the file becomes an entry.
    added = sys.argv[3]
    menu_item(app, "Edit", "Add Files")
    dialog = wait_for("the Add Files dialog", lambda: find(app, "dialog", "Add Files"))
    field = wait_for("the file name field", lambda: find(dialog, "text", starts="File name"))
    field.queryEditableText().setTextContents(added)
    press(wait_for("the Open button", lambda: find(dialog, "push button", "Open")))
    wait_for("the added row", lambda: find(table, "table cell", added.rsplit("/", 1)[-1]))
    listed = subprocess.run([sys.argv[2], "list", package], capture_output=True, text=True).stdout
    assert "data/" + added.rsplit("/", 1)[-1] in listed.splitlines(), listed
    print("added:", added.rsplit("/", 1)[-1])

    # A read-only package, second in Open Recent: said in the title, its edits disabled.
    menu_item(app, "File", "2 ")
    wait_for("read-only in the title", lambda: "(read-only)" in frame.name)
    press(wait_for("menu Edit", lambda: find(app, "menu item", "Edit")))
    delete = wait_for("Delete files", lambda: find(app, "menu item", "Delete files"))
    assert not delete.getState().contains(pyatspi.STATE_ENABLED), "Delete files is enabled"
    print("read-only:", frame.name)
    print("accessibility e2e: passed")


if __name__ == "__main__":
    main()
