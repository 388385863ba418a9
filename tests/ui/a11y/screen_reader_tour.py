#!/usr/bin/python3
"""The desktop program as a screen reader sees and works it, over AT-SPI.

Run as: xvfb-run -a dbus-run-session -- screen_reader_tour.py FESK_PROGRAM
(the session bus inside the display: the accessibility bus it starts is named
after the display, so that runs side by side keep apart).

Starts the program on an empty data directory with the accessibility bridge
on, and then, through AT-SPI alone (actions, focus, editable text, table
selection; no key presses), opens the browse, adds two records through the
form, finds the first in the list in name order and changes its name,
deletes the second in code order, and ends the program from its menu.
Every control that takes the focus in the windows met on the way must have
a name. The data file is then read back with the program's own export.

What a reader announces is heard through the AT-SPI events: the focus moving
to the list's current row after a form closes and after a row is selected.

Every wait is for a condition, with a deadline.
"""

import os
import subprocess
import sys
import tempfile
import time

import pyatspi
from gi.repository import GLib

WAIT_SECONDS = 20
BROWSE = "Browse the fesk1 File"
ADD_FORM = "Adding a fesk1 Record"
CHANGE_FORM = "Changing a fesk1 Record"


class TourFailed(Exception):
    pass


# What a screen reader has been told: (event, role, name) of each focus
# event, in order.
heard = []


def hear(event):
    try:
        heard.append((event.type, event.source.getRoleName(), event.source.name))
    except Exception:  # pylint: disable=broad-except
        pass  # the object went away before it could be read


def wait_for(what, condition, seconds=WAIT_SECONDS):
    """The first true answer of condition(), polled until the deadline while
    the events that arrive meanwhile are heard. Objects of a window that is
    closing may vanish while they are read: such a read counts as not yet."""
    deadline = time.monotonic() + seconds
    while True:
        while GLib.MainContext.default().iteration(False):
            pass
        try:
            answer = condition()
        except Exception:  # pylint: disable=broad-except
            answer = None
        if answer:
            return answer
        if time.monotonic() > deadline:
            raise TourFailed("timed out waiting for " + what)
        time.sleep(0.05)


def descendants(node):
    for child in node:
        if child is None:
            continue
        yield child
        yield from descendants(child)


def has_state(node, state):
    return node.getState().contains(state)


def shown(node):
    return has_state(node, pyatspi.STATE_SHOWING)


def find(root, name, roles=None):
    """The first shown object under root with that name (and one of roles)."""
    for node in descendants(root):
        if node.name == name and (roles is None or node.getRole() in roles) and shown(node):
            return node
    return None


WINDOW_ROLES = {pyatspi.ROLE_FRAME, pyatspi.ROLE_INTERNAL_FRAME}


def window(app, title):
    return wait_for("the window " + repr(title), lambda: find(app, title, WINDOW_ROLES))


def gone(app, title):
    wait_for("the window " + repr(title) + " to close", lambda: find(app, title, WINDOW_ROLES) is None)


def do_action(node, action):
    actions = node.queryAction()
    for i in range(actions.nActions):
        if actions.getName(i) == action:
            if not actions.doAction(i):
                raise TourFailed(f"{action} on {node.name!r} was refused")
            return
    raise TourFailed(f"{node.name!r} offers no {action} action")


def press(root, name, roles=(pyatspi.ROLE_PUSH_BUTTON,)):
    do_action(wait_for("a control " + repr(name), lambda: find(root, name, set(roles))), "Press")


def choose_menu(app, name):
    item = wait_for("the menu item " + repr(name),
                    lambda: next(n for n in descendants(app)
                                 if n.name == name and n.getRole() == pyatspi.ROLE_MENU_ITEM))
    do_action(item, "Press")


def text_of(node):
    return node.queryText().getText(0, -1)


def fill_in(form, prompt, value):
    """Focuses the entry named by a prompt, then puts the value in it."""
    entry = wait_for("the entry " + repr(prompt), lambda: find(form, prompt, {pyatspi.ROLE_TEXT}))
    if not entry.queryComponent().grabFocus():
        raise TourFailed(f"the entry {prompt!r} did not take the focus")
    wait_for(repr(prompt) + " focused", lambda: has_state(entry, pyatspi.STATE_FOCUSED))
    entry.queryEditableText().setTextContents(value)
    wait_for(repr(prompt) + " showing " + repr(value), lambda: text_of(entry) == value)


def expect_all_named(root, where):
    unnamed = [node.getRoleName() for node in descendants(root)
               if has_state(node, pyatspi.STATE_FOCUSABLE) and shown(node) and not node.name]
    if unnamed:
        raise TourFailed(f"controls that take the focus without a name in {where}: {unnamed}")


def list_table(browse):
    listed = wait_for("the list", lambda: find(browse, BROWSE, {pyatspi.ROLE_TREE, pyatspi.ROLE_TABLE,
                                                                pyatspi.ROLE_TREE_TABLE}))
    return listed.queryTable()


def rows_of(table):
    return [tuple(table.getAccessibleAt(r, c).name for c in range(table.nColumns))
            for r in range(table.nRows)]


def select_row(table, code):
    """Finds the row of a code by reading the cells, and selects it."""
    row = wait_for("a row for " + code,
                   lambda: next((r + 1 for r, cells in enumerate(rows_of(table)) if cells[0] == code),
                                None)) - 1
    heard.clear()
    table.addRowSelection(row)
    wait_for("row " + code + " selected", lambda: table.isRowSelected(row))
    expect_heard("the row selected", "table cell", code)


def expect_heard(what, role, name):
    wait_for(f"the reader to hear the focus on the {role} {name!r} ({what})",
             lambda: ("focus:", role, name) in heard)


def add_record(app, browse, code, name):
    press(browse, "Insert")
    form = window(app, ADD_FORM)
    expect_all_named(form, ADD_FORM)
    fill_in(form, "code:", code)
    fill_in(form, "name:", name)
    heard.clear()
    press(form, "OK")
    gone(app, ADD_FORM)
    wait_for(code + " in the list", lambda: (code, name) in rows_of(list_table(browse)))
    expect_heard("the list stands on the record added", "table cell", code)


def tour(app):
    choose_menu(app, "fesk")
    browse = window(app, BROWSE)
    press(browse, "InLine On")
    wait_for("in-line editing off", lambda: find(browse, "InLine Off", {pyatspi.ROLE_PUSH_BUTTON}))

    add_record(app, browse, "P01", "Mercury")
    add_record(app, browse, "P02", "Earth")
    table = list_table(browse)
    headers = [table.getColumnHeader(c).name for c in range(table.nColumns)]
    if headers != ["code", "name"]:
        raise TourFailed(f"the list's columns read {headers}")
    expect_all_named(app, "the frame with the browse")

    # The tab chosen is the order shown; the record just added is the
    # selected one, the first is found by reading the list, and the form
    # opened by Change must show it.
    press(browse, "FES:Keyname", (pyatspi.ROLE_PAGE_TAB,))
    wait_for("name order", lambda: rows_of(table) == [("P02", "Earth"), ("P01", "Mercury")])
    select_row(table, "P01")
    press(browse, "Change")
    form = window(app, CHANGE_FORM)
    expect_all_named(form, CHANGE_FORM)
    code = wait_for("the code entry", lambda: find(form, "code:", {pyatspi.ROLE_TEXT}))
    if text_of(code) != "P01":
        raise TourFailed(f"the change form shows {text_of(code)!r}, not the row selected")
    fill_in(form, "name:", "Mercury (first)")
    press(form, "OK")
    gone(app, CHANGE_FORM)
    wait_for("the changed name in the list", lambda: ("P01", "Mercury (first)") in rows_of(table))

    press(browse, "FES:Keycode", (pyatspi.ROLE_PAGE_TAB,))
    wait_for("code order", lambda: rows_of(table) == [("P01", "Mercury (first)"), ("P02", "Earth")])
    select_row(table, "P02")
    press(browse, "Delete")
    confirm = wait_for("the Confirm Delete box",
                       lambda: find(app, "Confirm Delete", {pyatspi.ROLE_DIALOG, pyatspi.ROLE_ALERT}))
    press(confirm, "OK")
    wait_for("P02 gone from the list", lambda: rows_of(table) == [("P01", "Mercury (first)")])

    choose_menu(app, "Exit")


def application(pid):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def main():
    pyatspi.Registry.registerEventListener(hear, "focus:")
    program = sys.argv[1]
    with tempfile.TemporaryDirectory(prefix="fesk-a11y-") as data, \
            tempfile.TemporaryDirectory(prefix="fesk-a11y-config-") as config:
        # A settings file of its own: the tour expects a first start's choices
        # (InLine On), not what the user's last run kept.
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
                   XDG_CONFIG_HOME=config)
        fesk = subprocess.Popen([program, "--ui=qt", "--data-dir", data], env=env)
        try:
            app = wait_for("the program on the accessibility bus", lambda: application(fesk.pid))
            wait_for("the frame", lambda: find(app, "Application", {pyatspi.ROLE_FRAME}))
            tour(app)
            exit_code = fesk.wait(timeout=WAIT_SECONDS)
        finally:
            if fesk.poll() is None:
                fesk.kill()
                fesk.wait()
        if exit_code != 0:
            raise TourFailed(f"the program ended with {exit_code}")
        stored = subprocess.run([program, "export", "FESK1", "--data-dir", data], check=True,
                                capture_output=True, text=True).stdout
        if stored.splitlines() != ["CODE,NAME", "P01,Mercury (first)"]:
            raise TourFailed("FESK1 holds " + repr(stored))
    print("the tour over AT-SPI stored what it should")


if __name__ == "__main__":
    try:
        main()
    except TourFailed as failure:
        print("FAILED:", failure, file=sys.stderr)
        sys.exit(1)
