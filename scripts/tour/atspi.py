"""What a person sees and does, through the accessibility tree (AT-SPI) and real X input (xdotool)."""
import subprocess
import time

import pyatspi

XDOTOOL = "/usr/bin/xdotool"


class Failure(Exception):
    """A step did not get what it waited for; the text says what, in Russian."""


def wait_for(condition, seconds, what):
    """The first true value of condition() within the time, polled; Failure naming `what` otherwise."""
    deadline = time.monotonic() + seconds
    while True:
        try:
            value = condition()
        except Exception:  # the tree changes under us: a node went away while it was read
            value = None
        if value:
            return value
        if time.monotonic() >= deadline:
            raise Failure("за %d с не дождались: %s" % (seconds, what))
        time.sleep(0.2)


def applications():
    desktop = pyatspi.Registry.getDesktop(0)
    found = []
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None:
            found.append(app)
    return found


def application(pid):
    for app in applications():
        try:
            if app.get_process_id() == pid:
                return app
        except Exception:
            continue
    return None


def showing(node):
    states = node.getState()
    return states.contains(pyatspi.STATE_SHOWING) and states.contains(pyatspi.STATE_VISIBLE)


def walk(node, visible_only=True):
    """Every node below `node` that is on screen, depth first in the tree's order."""

    def children(parent):
        found = []
        try:
            for i in range(parent.childCount):
                child = parent.getChildAtIndex(i)
                if child is not None and (not visible_only or showing(child)):
                    found.append(child)
        except Exception:
            pass  # the node went away
        return found

    stack = list(reversed(children(node)))
    while stack:
        current = stack.pop()
        yield current
        stack.extend(reversed(children(current)))


def role(node):
    return node.getRoleName()


def find_all(root, name=None, roles=None, contains=None):
    found = []
    for node in walk(root):
        try:
            text = node.name or ""
            if name is not None and text != name:
                continue
            if contains is not None and contains not in text:
                continue
            if roles is not None and role(node) not in roles:
                continue
            found.append(node)
        except Exception:
            continue
    return found


def find(root, name=None, roles=None, contains=None):
    nodes = find_all(root, name, roles, contains)
    return nodes[0] if nodes else None


def await_node(root, seconds, what, name=None, roles=None, contains=None):
    return wait_for(lambda: find(root, name, roles, contains), seconds, what)


def enabled(node):
    return node.getState().contains(pyatspi.STATE_ENABLED)


def centre(node):
    extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return extents.x + extents.width // 2, extents.y + extents.height // 2


def xdotool(*args):
    subprocess.run([XDOTOOL, *args], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)


def click(node):
    x, y = centre(node)
    xdotool("mousemove", "--sync", str(x), str(y))
    xdotool("click", "1")


def type_text(text):
    # xdotool maps a character missing from the keyboard map (Cyrillic, here) onto a spare key
    # for each press; quicker than this, the X server can see a key before its new meaning.
    xdotool("type", "--delay", "150", text)


def key(*keys):
    xdotool("key", *keys)


def text_of(node):
    try:
        text = node.queryText()
        return text.getText(0, text.characterCount)
    except Exception:
        return node.name or ""
