#!/usr/bin/python3
"""Drives a running window of the program through its accessibility interface (AT-SPI),
the way a screen reader or a test tool reaches it: no input device is needed, so it works
where nothing can click, as under a headless Wayland compositor.

    window_atspi.py PID search ADDRESS...
    window_atspi.py PID write NODE IP WHOLE

finds the window of process PID on the accessibility bus.

search presses the toolbar button "Поиск широковещательный" and waits until every ADDRESS
shows as a node of the tree and the count pane shows their number.

write (on X11: the tree node is clicked with xdotool, as AT-SPI can select a row but not
make it the tree's current node) clicks the controller's node NODE, waits until the IP
field shows NODE, puts IP in it, presses "Записать параметры" and waits until the status
marquee shows the outcome cut to its line while its description, what a screen reader
reads, is WHOLE.

Prints what it read; exits 1 when something is missing after 20 seconds.
"""
import subprocess
import sys
import time
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

SEARCH_BUTTON = "Поиск широковещательный"
WRITE_BUTTON = "Записать параметры"
STATUS_GROUP = "Статус операции"
COUNT_CAPTION = "Найденно устройств:"
WAIT_S = 20


def descendants(node, depth=0):
    """Every accessible below node, depth first (tree rows included)."""
    if depth > 30:
        return
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is None:
            continue
        yield child
        yield from descendants(child, depth + 1)


def find_application(pid):
    deadline = time.monotonic() + WAIT_S
    while time.monotonic() < deadline:
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            if app is not None and app.get_process_id() == pid:
                return app
        time.sleep(0.2)
    sys.exit(f"no application of process {pid} on the accessibility bus")


def find_named(app, role, name):
    for node in descendants(app):
        if node.get_role() == role and node.get_name() == name:
            return node
    return None


def press(node):
    for i in range(node.get_n_actions()):
        # atspi_action_get_name, which replaces it, is not in the Python bindings.
        with warnings.catch_warnings():
            warnings.simplefilter("ignore", DeprecationWarning)
            name = node.get_action_name(i)
        if name == "Press":
            node.do_action(i)
            return
    sys.exit(f'"{node.get_name()}" has no Press action')


def tree_nodes(app):
    """The captions of the tree's rows that show (Qt makes each one a table cell)."""
    for node in descendants(app):
        if node.get_role() == Atspi.Role.TREE:
            return [c.get_name() for c in descendants(node) if c.get_role() == Atspi.Role.TABLE_CELL]
    return []


def count_pane(app):
    """The count in the pane right of the count caption: the status bar's second pane, named
    after the caption and its count ("Найденно устройств: 2")."""
    for node in descendants(app):
        if node.get_role() != Atspi.Role.STATUS_BAR:
            continue
        names = [c.get_name() for c in descendants(node)]
        if COUNT_CAPTION in names:
            after = names[names.index(COUNT_CAPTION) + 1:]
            return after[0].rsplit(": ", 1)[-1] if after else None
    return None


def search(pid, addresses):
    app = find_application(pid)
    deadline = time.monotonic() + WAIT_S
    button = None
    while button is None and time.monotonic() < deadline:
        button = find_named(app, Atspi.Role.PUSH_BUTTON, SEARCH_BUTTON)
        if button is None:
            time.sleep(0.2)
    if button is None:
        sys.exit(f'no button "{SEARCH_BUTTON}" in the window')
    press(button)
    print(f'pressed "{SEARCH_BUTTON}"')
    nodes, count = [], None
    while time.monotonic() < deadline:
        nodes, count = tree_nodes(app), count_pane(app)
        if all(a in nodes for a in addresses) and count == str(len(addresses)):
            print(f"tree: {nodes}")
            print(f"count pane: {count}")
            return 0
        time.sleep(0.3)
    print(f"tree: {nodes}; count pane: {count!r}; expected {addresses}", file=sys.stderr)
    return 1


def text_of(node):
    return Atspi.Text.get_text(node, 0, -1)


def marquee(app):
    """The status marquee: the label in the group "Статус операции"."""
    for node in descendants(app):
        if node.get_role() == Atspi.Role.PANEL and node.get_name() == STATUS_GROUP:
            for child in descendants(node):
                if child.get_role() == Atspi.Role.LABEL:
                    return child
    sys.exit(f'no status marquee in the group "{STATUS_GROUP}"')


def wait_for(what, check):
    deadline = time.monotonic() + WAIT_S
    while time.monotonic() < deadline:
        if check():
            return True
        time.sleep(0.2)
    print(f"not within {WAIT_S} s: {what}", file=sys.stderr)
    return False


def write(pid, node, address, whole):
    app = find_application(pid)
    cell = find_named(app, Atspi.Role.TABLE_CELL, node)
    if cell is None:
        sys.exit(f"no node {node} in the tree")
    box = cell.get_extents(Atspi.CoordType.SCREEN)
    subprocess.run(["xdotool", "mousemove", str(box.x + box.width // 2),
                    str(box.y + box.height // 2), "click", "1"], check=True)
    field = find_named(app, Atspi.Role.TEXT, "IP:")
    if field is None or not wait_for(f"the IP field shows {node}", lambda: text_of(field) == node):
        return 1
    print(f"selected {node}")
    Atspi.EditableText.set_text_contents(field, address)
    press(find_named(app, Atspi.Role.PUSH_BUTTON, WRITE_BUTTON))
    print(f'typed {address}, pressed "{WRITE_BUTTON}"')
    line = marquee(app)
    if not wait_for("the outcome in the marquee", lambda: line.get_description() == whole):
        print(f"marquee: {line.get_name()!r}, description {line.get_description()!r}",
              file=sys.stderr)
        return 1
    print(f"marquee: {line.get_name()!r}")
    print(f"its description: {line.get_description()!r}")
    if not line.get_name().endswith("…"):
        print("the marquee's line is not cut", file=sys.stderr)
        return 1
    return 0


def main(argv):
    if len(argv) >= 3 and argv[2] == "search":
        return search(int(argv[1]), argv[3:])
    if len(argv) == 6 and argv[2] == "write":
        return write(int(argv[1]), argv[3], argv[4], argv[5])
    sys.exit(__doc__)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
