#!/usr/bin/python3
"""What a screen reader finds in Korvanta Task List, read over a real AT-SPI bus.

Usage: screen_reader_check.py PROGRAM   (inside a D-Bus session of its own:
       tools/dev a11y runs it under dbus-run-session)

Starts a virtual display (Xvfb), the accessibility bus (at-spi-bus-launcher) and the
program, then reads and operates the program as a screen reader would (pyatspi): the
main window's tree, the list and its focus, the Run and options dialogs, a message box,
the about windows, and the close picture, which must end the program with exit code 0
after handing the maker's address once to the desktop's opener. The opener is a stand-in
that only writes down what it was given. Every wait has a time limit; whatever the
check started is ended, whatever happens. Exits non-zero when a check fails.
"""

import ctypes
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

ADDRESS = "https://www.korvanta.example/"
MAIN_BUTTONS = ["Run a task", "Kill process", "Options", "Start", "Exit"]
PICTURES = ["Minimise", "About", "Close"]
WAIT = 10  # seconds any one thing may take to happen; the program's start gets three times that
PR_SET_CHILD_SUBREAPER = 36
XK_DOWN, XK_TAB = 0xFF54, 0xFF09


class CheckFailed(Exception):
    pass


def expect(condition, message):
    if not condition:
        raise CheckFailed(message)


class Session:
    """The display, the bus, the program and the stand-in opener, ended together."""

    def __init__(self, program):
        self.program = program
        self.folder = tempfile.mkdtemp(prefix="korvanta-a11y-")
        self.started = []  # Popen objects, in the order they were started
        self.opened = os.path.join(self.folder, "opened")
        self.fake_bin = os.path.join(self.folder, "bin")
        self.runtime = os.path.join(self.folder, "runtime")
        os.mkdir(self.fake_bin)
        os.mkdir(self.runtime, 0o700)
        opener = os.path.join(self.fake_bin, "xdg-open")
        with open(opener, "w") as script:
            script.write("#!/bin/sh\nprintf '%%s\\n' \"$*\" >> '%s'\n" % self.opened)
        os.chmod(opener, 0o755)
        # Processes the program leaves behind (the opener, started detached) become ours,
        # so none outlives the check unseen.
        ctypes.CDLL(None, use_errno=True).prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)

    def start_display(self):
        read_end, write_end = os.pipe()
        xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
             "-nolisten", "tcp"],
            pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.started.append(xvfb)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + WAIT
        while not number.endswith(b"\n"):
            ready, _, _ = select.select([read_end], [], [], max(0, deadline - time.monotonic()))
            expect(ready, "Xvfb did not start")
            chunk = os.read(read_end, 16)
            expect(chunk, "Xvfb ended at start")
            number += chunk
        os.close(read_end)
        os.environ["DISPLAY"] = ":" + number.decode().strip()

    def start_bus(self):
        from gi.repository import Gio, GLib

        # DISPLAY is set by now: the registry daemon types keys on the display.
        self.started.append(subprocess.Popen(
            ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        session = Gio.bus_get_sync(Gio.BusType.SESSION, None)

        def bus_up():
            reply = session.call_sync(
                "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                "NameHasOwner", GLib.Variant("(s)", ("org.a11y.Bus",)), None,
                Gio.DBusCallFlags.NONE, 1000, None)
            return reply.unpack()[0]

        wait_for(bus_up, "the accessibility bus to start", pump=False)

    def start_program(self):
        environment = dict(os.environ)
        for name in ("BROWSER", "DEFAULT_BROWSER", "WAYLAND_DISPLAY"):
            environment.pop(name, None)
        environment.update({
            "PATH": self.fake_bin + os.pathsep + environment.get("PATH", ""),
            "QT_QPA_PLATFORM": "xcb",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "XDG_RUNTIME_DIR": self.runtime,
        })
        self.program_process = subprocess.Popen([self.program], env=environment)
        self.started.append(self.program_process)

    def opener_calls(self):
        if not os.path.exists(self.opened):
            return []
        with open(self.opened) as record:
            return record.read().splitlines()

    def openers_running(self):
        return [pid for pid in children_of(os.getpid())
                if self.fake_bin in command_line(pid) and not reaped(pid)]

    def end(self):
        for process in reversed(self.started):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(WAIT)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        # Whatever the bus or the program left behind was handed to us.
        for pid in descendants_of(os.getpid()):
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        for pid in children_of(os.getpid()):
            reaped(pid, block=True)
        shutil.rmtree(self.folder, ignore_errors=True)


def stat_fields(pid):
    try:
        with open("/proc/%d/stat" % pid, "rb") as stat:
            text = stat.read().decode(errors="replace")
    except OSError:
        return None
    return text[text.rindex(")") + 2:].split()


def children_of(parent):
    found = []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            fields = stat_fields(int(entry))
            if fields and int(fields[1]) == parent:
                found.append(int(entry))
    return found


def descendants_of(ancestor):
    found, frontier = [], [ancestor]
    while frontier:
        children = children_of(frontier.pop())
        found += children
        frontier += children
    return found


def command_line(pid):
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as line:
            return line.read().replace(b"\0", b" ").decode(errors="replace")
    except OSError:
        return ""


def reaped(pid, block=False):
    """True once pid has ended (and is collected, when it is our child)."""
    try:
        done, _ = os.waitpid(pid, 0 if block else os.WNOHANG)
        return done == pid
    except ChildProcessError:
        return not os.path.exists("/proc/%d" % pid)


def pump_events():
    from gi.repository import GLib

    context = GLib.MainContext.default()
    while context.iteration(False):
        pass


def wait_for(condition, what, timeout=WAIT, pump=True):
    """Polls condition until it gives a true value and returns it; fails after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        if pump:
            pump_events()
        try:
            result = condition()
        except Exception:  # an object that went away while it was read: try again
            result = None
        if result:
            return result
        if time.monotonic() > deadline:
            raise CheckFailed("timed out waiting for " + (what() if callable(what) else what))
        time.sleep(0.02)


def children(node):
    return [node.getChildAtIndex(index) for index in range(node.childCount)]


def states(node):
    return set(node.getState().getStates())


def showing(node):
    import pyatspi

    return pyatspi.STATE_SHOWING in states(node)


def action_names(node):
    try:
        actions = node.queryAction()
    except NotImplementedError:
        return []
    return [actions.getName(index).lower() for index in range(actions.nActions)]


def press(node):
    actions = node.queryAction()
    for index in range(actions.nActions):
        if actions.getName(index).lower() == "press":
            actions.doAction(index)
            return
    raise CheckFailed("%r offers no press action" % node.name)


def find(parent, role, name, deep=False):
    for child in children(parent):
        if child.getRole() == role and child.name == name:
            return child
        if deep:
            below = find(child, role, name, deep)
            if below:
                return below
    return None


def window(application, role, name):
    return wait_for(lambda: next(
        (child for child in children(application)
         if child.getRole() == role and child.name == name and showing(child)), None),
        "the window %r" % name)


def gone(node):
    try:
        return not showing(node)
    except Exception:  # destroyed, as a message box is once answered
        return True


def describe(node, depth=0, rows=2):
    """The tree below node as a screen reader reads it, a list's first rows only."""
    import pyatspi

    text = "%s[%s] %r" % ("  " * depth, node.getRoleName(), node.name)
    if node.description:
        text += " (%s)" % node.description
    actions = action_names(node)
    if actions:
        text += " actions=" + ",".join(actions)
    flags = [pyatspi.stateToString(state) for state in sorted(states(node))
             if state in (pyatspi.STATE_FOCUSED, pyatspi.STATE_SELECTED)]
    if flags:
        text += " " + ",".join(flags)
    lines = [text]
    if node.getRole() in (pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TABLE):
        table = node.queryTable()
        shown = min(node.childCount, (rows + 1) * table.nColumns)
        lines += [describe(node.getChildAtIndex(i), depth + 1) for i in range(shown)]
        lines.append("%s... %d rows" % ("  " * (depth + 1), table.nRows))
    else:
        lines += [describe(child, depth + 1, rows) for child in children(node)]
    return "\n".join(lines)


class Checks:
    def __init__(self, session):
        import pyatspi

        self.pyatspi = pyatspi
        self.session = session
        self.focus = []  # (role, name) of each object that took the focus, in order
        pyatspi.Registry.registerEventListener(self.on_focus, "focus:")

    def on_focus(self, event):
        try:
            self.focus.append((event.source.getRole(), event.source.name))
        except Exception:
            self.focus.append((None, None))

    def main_window(self):
        P = self.pyatspi
        desktop = P.Registry.getDesktop(0)
        self.application = wait_for(lambda: next(
            (app for app in children(desktop) if app and app.name == "KorvantaTaskList"),
            None), lambda: "the program on the accessibility bus (running: %s, listed: %s)" % (
                self.session.program_process.poll() is None,
                [app.name for app in children(desktop)]), timeout=3 * WAIT)
        self.main = window(self.application, P.ROLE_FRAME, "Korvanta Task List")
        print(describe(self.main))
        self.list = find(self.main, P.ROLE_TREE, "Processes")
        expect(self.list is not None, "no list named Processes")
        buttons = [c.name for c in children(self.main) if c.getRole() == P.ROLE_PUSH_BUTTON]
        expect(buttons == MAIN_BUTTONS + PICTURES, "the buttons read %r" % buttons)
        for name in PICTURES:
            actions = action_names(find(self.main, P.ROLE_PUSH_BUTTON, name))
            expect("press" in actions, "%s offers %r" % (name, actions))
        internal = [c.name for c in children(self.main)
                    if c.getRole() == P.ROLE_RADIO_BUTTON or c.name == "Option1"]
        expect(not internal, "internal controls are listed: %r" % internal)

    def list_selection_and_focus(self):
        P = self.pyatspi
        table = self.list.queryTable()
        expect(table.nRows > 2, "the list has %d rows" % table.nRows)
        wait_for(lambda: P.STATE_FOCUSED in states(self.list), "the list to have the focus")
        before = list(table.getSelectedRows())
        expect(len(before) <= 1, "selected rows: %r" % before)

        self.focus.clear()
        P.Registry.generateKeyboardEvent(XK_DOWN, None, P.KEY_SYM)
        selected = wait_for(lambda: len(table.getSelectedRows()) == 1 and
                            list(table.getSelectedRows()) != before and table.getSelectedRows(),
                            "Down to select a row")[0]
        expect(not before or selected == before[0] + 1, "Down went from %r to %d" % (before, selected))
        expect(all(P.STATE_SELECTED in states(table.getAccessibleAt(selected, column))
                   for column in range(table.nColumns)), "the selected row reads unselected")
        row = table.getAccessibleAt(selected, 0).name
        wait_for(lambda: (P.ROLE_TABLE_CELL, row) in self.focus, "the new row to be announced")

        # Refreshes while the focus is on a button leave the reader's focus there.
        P.Registry.generateKeyboardEvent(XK_TAB, None, P.KEY_SYM)
        wait_for(lambda: self.focus and self.focus[-1] == (P.ROLE_PUSH_BUTTON, "Run a task"),
                 "the focus to move to Run a task")
        self.focus.clear()
        press(find(self.main, P.ROLE_PUSH_BUTTON, "Start"))
        child = subprocess.Popen(["sleep", "120"])
        try:
            listed = lambda: str(child.pid) in [
                self.list.queryTable().getAccessibleAt(row, 0).name
                for row in range(self.list.queryTable().nRows)]
            wait_for(listed, "a refresh to list a new process")
        finally:
            child.kill()
            child.wait()
        wait_for(lambda: not listed(), "a refresh to drop the ended process")
        press(wait_for(lambda: find(self.main, P.ROLE_PUSH_BUTTON, "Stop"), "Start to read Stop"))
        wait_for(lambda: find(self.main, P.ROLE_PUSH_BUTTON, "Start"), "the refresh to stop")
        pump_events()
        expect(all(role != P.ROLE_TABLE_CELL for role, _ in self.focus),
               "refreshes moved the reader's focus: %r" % self.focus)

    def open_dialog(self, button, title, text_box):
        P = self.pyatspi
        press(find(self.main, P.ROLE_PUSH_BUTTON, button))
        dialog = window(self.application, P.ROLE_DIALOG, title)
        print(describe(dialog))
        expect(find(dialog, P.ROLE_TEXT, text_box), "no text box named %s" % text_box)
        return dialog

    def close_through_picture(self, dialog):
        # The picture offers only "press"; a command button "Close" can take the focus too.
        pictures = [c for c in children(dialog)
                    if c.name == "Close" and action_names(c) == ["press"]]
        expect(len(pictures) == 1, "%d close pictures" % len(pictures))
        press(pictures[0])
        wait_for(lambda: gone(dialog), "%s to hide" % dialog.name)

    def run_dialog(self):
        P = self.pyatspi
        dialog = self.open_dialog("Run a task", "Run a Task", "Program:")
        help_picture = find(dialog, P.ROLE_PUSH_BUTTON, "Help")
        expect(help_picture and action_names(help_picture) == ["press"], "no Help picture")
        press(help_picture)
        alert = window(self.application, P.ROLE_ALERT, "Run a task")
        expect(alert.description.startswith("You can type the program name"),
               "the help alert reads %r" % alert.description)
        expect(any(c.name == alert.description for c in children(alert)),
               "the help text is no label of the alert")
        press(wait_for(lambda: find(alert, P.ROLE_PUSH_BUTTON, "OK", deep=True),
                       "the alert's OK button"))
        wait_for(lambda: gone(alert), "the alert to close")
        self.close_through_picture(dialog)

    def options_dialog(self):
        self.close_through_picture(self.open_dialog("Options", "Options", "Refresh Rate:"))

    def about_windows(self):
        P = self.pyatspi
        press(find(self.main, P.ROLE_PUSH_BUTTON, "About"))
        about = window(self.application, P.ROLE_FRAME, "About")
        card = window(self.application, P.ROLE_FRAME, "About Programmer")
        print(describe(about))
        print(describe(card))
        expect("free task list" in about.description, "the about box reads %r" % about.description)

    def close_picture(self):
        P = self.pyatspi
        session = self.session
        press(find(self.main, P.ROLE_PUSH_BUTTON, "Close"))
        wait_for(lambda: session.program_process.poll() is not None, "the program to end",
                 pump=False)
        code = session.program_process.returncode
        expect(code == 0, "the program ended with exit code %r" % code)
        wait_for(lambda: session.opener_calls() and not session.openers_running(),
                 "the opener to be handed the address", pump=False)
        calls = session.opener_calls()
        expect(calls == [ADDRESS], "the opener was handed %r" % calls)


def out_of_time(*_):
    raise CheckFailed("out of time")


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    if "DBUS_SESSION_BUS_ADDRESS" not in os.environ:
        sys.exit("run me inside a D-Bus session of my own: dbus-run-session -- %s" % sys.argv[0])
    session = Session(os.path.abspath(sys.argv[1]))
    # A hang anywhere still ends everything.
    signal.signal(signal.SIGALRM, out_of_time)
    signal.alarm(120)
    steps = ["main_window", "list_selection_and_focus", "run_dialog", "options_dialog",
             "about_windows", "close_picture"]
    passed = 0
    step = "start"
    try:
        session.start_display()
        session.start_bus()
        session.start_program()
        checks = Checks(session)
        for step in steps:
            getattr(checks, step)()
            print("ok    %s" % step, flush=True)
            passed += 1
    except Exception as failure:  # reported; the steps after it count as failed too
        print("FAIL  %s: %s: %s" % (step, type(failure).__name__, failure), flush=True)
    finally:
        signal.alarm(0)
        session.end()
    print("%d passed, %d failed" % (passed, len(steps) - passed))
    sys.exit(0 if passed == len(steps) else 1)


if __name__ == "__main__":
    main()
