#!/usr/bin/python3
"""The main window as a screen reader reads it: the real program on the X display, its
accessible tree walked through AT-SPI (pyatspi) on the session bus.

Checks that the tab bar is a page tab list of five named page tabs with the chosen one
selected, that arrow keys and Return typed into the window move and choose tabs, and that
the Light / Dark and Theme pickers are groups of radio buttons with the chosen one checked
and a Press action that chooses. Writes the tree it read to ARTIFACTS/atspi-tree.txt.

Usage (on a display with a window manager, inside its own session bus):
    dbus-run-session -- atspi_tree.py STASHWICK_BIN ARTIFACTS_DIR
"""
import configparser
import json
import os
import subprocess
import sys
import tempfile
import time

import pyatspi

DEADLINE = 20.0  # seconds for any one condition
POLL = 0.05  # how often a condition is looked at again


def wait_for(what, condition, deadline=DEADLINE):
    end = time.monotonic() + deadline
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > end:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(POLL)


def holds_within(condition, deadline):
    """Whether `condition` comes true within `deadline` seconds."""
    end = time.monotonic() + deadline
    while not condition():
        if time.monotonic() > end:
            return False
        time.sleep(POLL)
    return True


def states(acc):
    return sorted(pyatspi.stateToString(s) for s in acc.getState().getStates())


def children(acc):
    return [acc.getChildAtIndex(i) for i in range(acc.childCount)]


def find(root, role, name, depth=0):
    """The first showing descendant of `root` with this role and name, or None."""
    try:
        if root.getRoleName() == role and root.name == name:
            return root
        if depth > 40:
            return None
        for child in children(root):
            found = find(child, role, name, depth + 1)
            if found is not None:
                return found
    except Exception:  # the window is rebuilt under us: look again on the next poll
        return None
    return None


def window_of(app_name):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in children(desktop):
        if app is not None and app.name == app_name:
            for frame in children(app):
                if frame is not None and frame.name == "Stashwick" and \
                        pyatspi.STATE_SHOWING in frame.getState().getStates():
                    return frame
    return None


def describe(acc, indent=""):
    line = '%s%s "%s" [%s]' % (indent, acc.getRoleName(), acc.name, ", ".join(states(acc)))
    return [line] + [l for c in children(acc) for l in describe(c, indent + "    ")]


def selected_tab(tabs):
    chosen = [c.name for c in children(tabs) if "selected" in states(c)]
    return chosen[0] if len(chosen) == 1 else None


def checked_option(group):
    chosen = [c.name for c in children(group) if "checked" in states(c)]
    return chosen[0] if len(chosen) == 1 else None


def main():
    stashwick, artifacts = sys.argv[1], sys.argv[2]
    home = tempfile.TemporaryDirectory()
    env = dict(os.environ)
    for key, sub in (("XDG_DATA_HOME", "data"), ("XDG_CONFIG_HOME", "config"),
                     ("XDG_RUNTIME_DIR", "run")):
        env[key] = os.path.join(home.name, sub)
        os.makedirs(env[key], mode=0o700)
    env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
    env["QT_QPA_PLATFORM"] = "xcb"
    state_file = os.path.join(env["XDG_DATA_HOME"], "Stashwick", "state.json")
    config_file = os.path.join(env["XDG_CONFIG_HOME"], "Stashwick", "Stashwick.conf")

    def command(url):
        subprocess.run([stashwick, url], env=env, check=True, timeout=30,
                       stdout=subprocess.DEVNULL)

    def dumped(key):
        command("stashwick://dump")
        with open(state_file) as f:
            return json.load(f)[key]

    def preference(key):
        parser = configparser.ConfigParser()
        parser.read(config_file)
        return parser.get("General", key, fallback=None)

    program = subprocess.Popen([stashwick], env=env)
    try:
        def started():
            assert program.poll() is None, "the program exited with %s" % program.returncode
            return os.path.exists(state_file)
        wait_for("the program's first state dump", started)
        command("stashwick://summon")
        window = wait_for("the window in the accessible tree", lambda: window_of("stashwick"))
        tabs = wait_for("the tab bar", lambda: find(window, "page tab list", "Tabs"))

        # Five page tabs, named, Slots chosen.
        tab_list = children(tabs)
        assert [t.getRoleName() for t in tab_list] == ["page tab"] * 5, describe(tabs)
        assert [t.name for t in tab_list] == ["Slots", "History", "Snippets", "Stats",
                                              "Settings"], describe(tabs)
        assert selected_tab(tabs) == "Slots", describe(tabs)
        assert all("selectable" in states(t) for t in tab_list), describe(tabs)
        tree = ["The tab bar, Slots chosen:"] + describe(tabs)

        # From the keyboard: Tab until a page tab has the focus, Right, Return.
        # Each Tab is given time to land before the next, so none overshoots the tab bar.
        def tab_focused():
            return any("focused" in states(t) for t in children(tabs))
        for _ in range(40):
            if holds_within(tab_focused, 1.5):
                break
            subprocess.run(["xdotool", "key", "Tab"], check=True)
        assert tab_focused(), describe(tabs)
        assert "focused" in states(children(tabs)[0]), describe(tabs)
        subprocess.run(["xdotool", "key", "Right", "Return"], check=True)
        wait_for("History chosen by keys", lambda: selected_tab(tabs) == "History")
        assert "focused" in states(children(tabs)[1]), describe(tabs)
        assert dumped("mainTab") == "history"
        tree += ["", "After Right and Return typed into the window:"] + describe(tabs)

        # The pickers on Settings: radio buttons, the chosen one checked.
        command("stashwick://show-tab/settings")
        wait_for("Settings chosen", lambda: selected_tab(tabs) == "Settings")
        looks = wait_for("the Light / Dark picker",
                         lambda: find(window, "panel", "Light / Dark") or
                         find(window, "grouping", "Light / Dark"))
        group_role = looks.getRoleName()
        theme = wait_for("the Theme picker", lambda: find(window, group_role, "Theme"))
        for group, names, chosen in ((looks, ["System", "Light", "Dark"], "System"),
                                     (theme, ["Warm Cream", "Charcoal", "Bone"], "Warm Cream")):
            options = children(group)
            assert [o.getRoleName() for o in options] == ["radio button"] * 3, describe(group)
            assert [o.name for o in options] == names, describe(group)
            assert checked_option(group) == chosen, describe(group)
        tree += ["", "The pickers on Settings:"] + describe(looks) + describe(theme)

        # A screen reader's Press on Dark chooses it; the window is rebuilt in dark.
        dark = children(looks)[2]
        action = dark.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        assert "Press" in names, names
        action.doAction(names.index("Press"))
        wait_for("appearanceMode=dark saved", lambda: preference("appearanceMode") == "dark")
        looks = wait_for("the rebuilt picker with Dark checked",
                         lambda: (lambda g: g if g and checked_option(g) == "Dark" else None)(
                             find(window, group_role, "Light / Dark")))
        tree += ["", "After pressing Dark:"] + describe(looks)

        os.makedirs(artifacts, exist_ok=True)
        with open(os.path.join(artifacts, "atspi-tree.txt"), "w") as f:
            f.write("\n".join(tree) + "\n")
        print("\n".join(tree))
    finally:
        program.terminate()
        try:
            program.wait(timeout=10)
        except subprocess.TimeoutExpired:
            program.kill()
            program.wait()


if __name__ == "__main__":
    main()
