"""Reads a window of the controls as a screen reader does, over AT-SPI.

Run inside a private session bus (dbus-run-session), with Debian's /usr/bin/python3 (pyatspi):
starts Xvfb, the accessibility bus and the panel program, then checks that every control is
present with its role, name, value and state, that each change of a value arrives as one
event, and that a slider moved through the value interface moves. Everything it starts is stopped again,
and every wait has a limit.

Then it starts the demo and checks that everything in it reads with a role and a name.

usage: screen_reader.py PANEL_PROGRAM [DEMO_PROGRAM]
"""

import json
import os
import subprocess
import sys
import tempfile
import time

WAIT = 20  # seconds for anything to appear
APP_NAME = "kv-atspi-panel"
# What no control may read as: the role of a widget without an interface of its own.
NAMELESS_ROLES = {"filler", "unknown", "invalid", "redundant object"}
# The roles a listener must hear for the families every screen reader knows.
EXPECTED = {"TKvSlider": "slider", "TKvMeter": "progress bar", "TKvCheckLed": "check box",
            "TKvDemoButton": "push button", "TKvHyperLink": "link", "TKvLabel": "label"}

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def start_display(children):
    """Xvfb on a free display number; returns ':N'."""
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1600x1200x24",
                             "-nolisten", "tcp"], pass_fds=[write_end], stderr=subprocess.DEVNULL)
    children.append(xvfb)
    os.close(write_end)
    with os.fdopen(read_end) as f:
        number = f.readline().strip()
    if not number:
        raise RuntimeError("Xvfb did not start")
    return ":" + number


def accessible_qt():
    """The environment of a Qt program that a screen reader reads, on the display started."""
    return dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                QT_ACCESSIBILITY="1")


def start_panel(panel, manifest_path, children):
    app = subprocess.Popen([panel, manifest_path], env=accessible_qt(), stdin=subprocess.PIPE,
                           stdout=subprocess.PIPE, text=True)
    children.append(app)
    line = app.stdout.readline()  # the panel prints "ready" once its window is shown
    if line.strip() != "ready":
        raise RuntimeError("the panel did not start")
    with open(manifest_path) as f:
        return json.load(f), app.stdin


def wait_for(what, find):
    deadline = time.monotonic() + WAIT
    while time.monotonic() < deadline:
        found = find()
        if found:
            return found
        time.sleep(0.2)
    raise RuntimeError("no " + what + " within %d s" % WAIT)


def find_app(pyatspi, name):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.name == name:
            return app
    return None


def walk(node, depth=0):
    yield node
    if depth > 8:
        return
    for child in node:
        if child is not None:
            yield from walk(child, depth + 1)


def value_of(node):
    try:
        return node.queryValue().currentValue
    except NotImplementedError:
        return None


def text_of(node):
    try:
        return node.queryText().getText(0, -1)
    except NotImplementedError:
        return None


def read_tree(pyatspi, app):
    """Name -> (role, value, checked, text) of every object with a name."""
    tree = {}
    for node in walk(app):
        states = node.getState()
        tree.setdefault(node.name, []).append(
            (node.getRoleName(), value_of(node), states.contains(pyatspi.STATE_CHECKED), text_of(node)))
    return tree


def check_tree(manifest, tree):
    roles_by_family = {}
    for control in manifest:
        name = control["name"]
        check(name == control["class"], "%s is named %r" % (control["class"], name))
        found = tree.get(name)
        check(found, "%s is not in the accessible tree" % name)
        if not found:
            continue
        role, value, checked, text = found[0]
        check(role not in NAMELESS_ROLES, "%s reads as %r" % (name, role))
        roles_by_family.setdefault(control["role"], set()).add(role)
        if control["class"] in EXPECTED:
            check(role == EXPECTED[control["class"]], "%s reads as %r" % (name, role))
        if "value" in control:
            check(value is not None and abs(value - control["value"]) < 1e-9,
                  "%s has value %r, Qt says %r" % (name, value, control["value"]))
        if control["role"] in ("StaticText", "Graphic") and control["text"]:
            check(text is not None, "%s has no text to read" % name)
        if text is not None and control["class"] != "TKvLedClock":  # the clock ticks on
            check(text == control["text"], "%s reads %r, Qt says %r" % (name, text, control["text"]))
        if "checked" in control:
            check(checked == control["checked"], "%s checked %r, Qt says %r" % (name, checked, control["checked"]))
    for family, roles in roles_by_family.items():
        check(len(roles) == 1, "the %s family reads as %r" % (family, sorted(roles)))
    print("roles: " + ", ".join("%s=%s" % (f, "/".join(sorted(r))) for f, r in sorted(roles_by_family.items())))


VALUE_EVENT = "object:property-change:accessible-value"
STATE_EVENT = "object:state-changed:checked"


def hear(pyatspi, action, seconds=3):
    """The value and checked-state events (kind, source name) heard while Action runs."""
    from gi.repository import GLib
    heard = []

    def listen(event):
        heard.append((str(event.type), event.source.name))

    pyatspi.Registry.registerEventListener(listen, VALUE_EVENT, STATE_EVENT)
    loop = GLib.MainLoop()

    def act():
        action()
        return False

    def stop():
        loop.quit()
        return False

    GLib.timeout_add(500, act)  # the registry tells the program of the listener first
    GLib.timeout_add(500 + seconds * 1000, stop)
    loop.run()
    pyatspi.Registry.deregisterEventListener(listen, VALUE_EVENT, STATE_EVENT)
    return heard


def check_change_events(pyatspi, manifest, panel_input):
    """Every value changed once is announced once: a number by a value event, on and off by a
    checked-state event."""
    def change():
        panel_input.write("change\n")
        panel_input.flush()

    heard = hear(pyatspi, change)
    for control in manifest:
        if not control["announces"]:
            continue
        kind = VALUE_EVENT if "value" in control else STATE_EVENT
        count = heard.count((kind, control["name"]))
        check(count == 1, "%s: %s heard %d times" % (control["name"], kind, count))


def check_slider_moves(pyatspi, app):
    """A slider moved through the value interface moves, and says so once."""
    slider = next(node for node in walk(app) if node.name == "TKvSlider").queryValue()
    target = slider.minimumValue + 7

    def move():
        slider.currentValue = target

    heard = hear(pyatspi, move)
    check(slider.currentValue == target, "the slider did not move to %r" % target)
    count = heard.count((VALUE_EVENT, "TKvSlider"))
    check(count == 1, "the slider's move was heard %d times" % count)


def settled_tree(app):
    """Every object of the application, once two walks in a row find as many."""
    last = [0]

    def find():
        nodes = list(walk(app))
        settled = len(nodes) > 1 and len(nodes) == last[0]
        last[0] = len(nodes)
        return nodes if settled else None

    return wait_for("settled tree of " + app.name, find)


def check_demo(pyatspi, demo, children):
    """The demo's windows, panels and controls all read as what they are, each by a name."""
    children.append(subprocess.Popen([demo, "--quit-after", "60000"], env=accessible_qt()))
    app = wait_for("application qel-demo", lambda: find_app(pyatspi, "qel-demo"))
    nodes = settled_tree(app)
    roles = {}
    for node in nodes[1:]:
        role = node.getRoleName()
        roles[role] = roles.get(role, 0) + 1
        check(role not in NAMELESS_ROLES, "a %s in the demo reads as %r" % (node.name or "nameless object", role))
        check(node.name, "a %s in the demo has no name" % role)
    print("demo: " + ", ".join("%d %s" % (n, r) for r, n in sorted(roles.items())))


def main():
    panel, demo = sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else None
    children = []
    manifest = []
    started = time.monotonic()
    try:
        os.environ["DISPLAY"] = start_display(children)
        children.append(subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"]))
        with tempfile.TemporaryDirectory() as folder:
            manifest, panel_input = start_panel(panel, os.path.join(folder, "manifest.json"), children)
        import pyatspi  # connects to the accessibility bus of this session
        app = wait_for("application " + APP_NAME, lambda: find_app(pyatspi, APP_NAME))
        wait_for("slider in the tree", lambda: "TKvSlider" in read_tree(pyatspi, app))
        check_tree(manifest, read_tree(pyatspi, app))
        check_change_events(pyatspi, manifest, panel_input)
        check_slider_moves(pyatspi, app)
        if demo:
            check_demo(pyatspi, demo, children)
    finally:
        for child in reversed(children):
            child.terminate()
            try:
                child.wait(timeout=5)
            except subprocess.TimeoutExpired:
                child.kill()
                child.wait()
    print("%d controls read in %.1f s" % (len(manifest), time.monotonic() - started))
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
