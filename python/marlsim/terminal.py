"""A marlsim terminal driven through its automation commands
(docs/automation.md), one process a Terminal."""

import collections
import json
import os
import select
import shutil
import subprocess
import tempfile
import time

from . import golden as golden_files
from .duration import format_duration, to_ms
from .quoting import printable, quoted, to_bytes
from .screen import Screen

DEFAULT_TIMEOUT = 5.0
# How long past a command's own time limit its answer may take before the
# process counts as hung: a loaded CI machine is slow, not stuck.
ANSWER_GRACE_MS = 30000
REPORTED_EVENTS = 12


class MarlsimError(Exception):
    """Something went wrong driving marlsim; the message holds the screen
    when one could be read."""


class StartError(MarlsimError):
    """marlsim did not start (a bad option, no connection)."""


class CommandError(MarlsimError):
    """A command answered "error: REASON"."""

    def __init__(self, message, reason=""):
        super().__init__(message)
        self.reason = reason


class ExpectationError(MarlsimError, AssertionError):
    """An expect_* failed; an AssertionError so test runners report it as a
    failure rather than an error."""


def find_binary(binary=None):
    """The marlsim to run: the argument, else $MARLSIM, else marlsim on PATH."""
    chosen = binary or os.environ.get("MARLSIM") or shutil.which("marlsim")
    if not chosen:
        raise StartError("marlsim not found: pass binary=, set MARLSIM, or put marlsim on PATH")
    return chosen


class Terminal:
    """marlsim --ui=headless as a context manager:

        with Terminal(demo=True) as t:
            t.wait_text("User:")
            t.type("ann"); t.key("Tab"); t.type("demo"); t.key("Enter")
            t.expect_text("Receive goods")

    host and port (or demo=True) say where the host is; size is "COLSxROWS"
    or (columns, rows); args are further marlsim arguments. Time limits are
    seconds, or durations in the script's words ("500ms"); `timeout` is the
    default of every wait and expect.
    """

    def __init__(self, host=None, port=None, *, demo=False, size=(20, 16), args=(), binary=None,
                 env=None, cwd=None, timeout=DEFAULT_TIMEOUT, update_goldens=None):
        self.binary = find_binary(binary)
        self.timeout = timeout
        if update_goldens is None:
            update_goldens = os.environ.get("MARLSIM_UPDATE_GOLDENS", "") not in ("", "0")
        self.update_goldens = update_goldens
        if not isinstance(size, str):
            size = "%dx%d" % tuple(size)
        command = [self.binary, "--ui=headless", "--size", size]
        if demo:
            command.append("--demo")
        command += [str(a) for a in args]
        if host is not None:
            command.append("-H%s" % host)
        if port is not None:
            command.append("-P%d" % int(port))
        self.command_line = command
        self._env = env
        self._cwd = cwd
        self._process = None
        self._stderr = None
        self._buffer = b""
        self._last_events = collections.deque(maxlen=200)

    # -- the process ------------------------------------------------------

    def start(self):
        if self._process is not None:
            return self
        self._stderr = tempfile.TemporaryFile()
        try:
            self._process = subprocess.Popen(
                self.command_line, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=self._stderr,
                env=self._env, cwd=self._cwd)
        except OSError as e:
            raise StartError("cannot run %s: %s" % (self.binary, e.strerror or e)) from None
        try:
            # `help` reads nothing of the window, so a later `wait output`
            # still sees the host's first screen.
            self.command("help")
        except MarlsimError as e:
            self._end()
            raise StartError("marlsim did not start: %s" % e) from None
        return self

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.close()
        return False

    @property
    def running(self):
        return self._process is not None and self._process.poll() is None

    def close(self, timeout=10.0):
        """Sends quit and waits for the process; returns its exit status."""
        if self._process is None:
            return None
        if self.running:
            try:
                self._send("quit")
                self._process.stdin.close()
            except OSError:
                pass
        try:
            status = self._process.wait(timeout)
        except subprocess.TimeoutExpired:
            self._process.kill()
            status = self._process.wait()
        self._end()
        return status

    def _end(self):
        if self._process is not None:
            if self._process.poll() is None:
                self._process.kill()
                self._process.wait()
            for stream in (self._process.stdin, self._process.stdout):
                try:
                    stream.close()
                except OSError:
                    pass
        self._process = None

    def stderr_text(self):
        if self._stderr is None:
            return ""
        self._stderr.seek(0)
        return self._stderr.read(65536).decode("utf-8", "replace")

    # -- the line protocol --------------------------------------------------

    def _send(self, line):
        self._process.stdin.write(line.encode("latin-1") + b"\n")
        self._process.stdin.flush()

    def _read_line(self, deadline):
        fd = self._process.stdout.fileno()
        while b"\n" not in self._buffer:
            left = deadline - time.monotonic()
            if left <= 0:
                raise MarlsimError("marlsim gave no answer in time (%s)" % " ".join(self.command_line))
            ready, _, _ = select.select([fd], [], [], left)
            if not ready:
                continue
            chunk = os.read(fd, 65536)
            if not chunk:
                status = self._process.wait(5)
                raise MarlsimError("marlsim ended (exit status %s): %s" % (status, self.stderr_text().strip()))
            self._buffer += chunk
        line, _, self._buffer = self._buffer.partition(b"\n")
        return line.decode("latin-1")

    def command(self, line, limit_ms=0):
        """Runs one command line; returns the lines it printed before "ok".
        Raises CommandError on "error: ..."."""
        if self._process is None:
            raise MarlsimError("the terminal is not started")
        if "\n" in line or "\r" in line:
            # Two lines would be two commands, and their answers would be
            # read as this one's.
            raise ValueError("a command is one line: %s" % quoted(line, 80))
        try:
            self._send(line)
        except OSError:
            self._read_line(time.monotonic() + 5)  # says why the process ended
            raise
        deadline = time.monotonic() + (limit_ms + ANSWER_GRACE_MS) / 1000.0
        head = line.split(" ", 1)[0].lower()
        lines = []
        if head in ("screen", "attrs", "grid"):
            # A row may read "ok" itself: take the heading's count of rows.
            heading = self._read_line(deadline)
            if heading.startswith("error: "):
                raise CommandError("%s: %s" % (line, heading[7:]), heading[7:])
            lines.append(heading)
            for _ in range(int(heading.split()[1])):
                lines.append(self._read_line(deadline))
        while True:
            answer = self._read_line(deadline)
            if answer == "ok":
                return lines
            if answer.startswith("error: "):
                raise CommandError("%s: %s" % (line, answer[7:]), answer[7:])
            lines.append(answer)

    def _limit(self, timeout):
        return to_ms(self.timeout if timeout is None else timeout)

    # -- commands -----------------------------------------------------------

    def type(self, text):
        self.command("type " + quoted(to_bytes(text)))

    def key(self, name):
        self.command("key " + name)

    def hotkey(self, number):
        self.command("hotkey %d" % number)

    def scan(self, data):
        self.command("scan " + quoted(to_bytes(data)))

    def click(self, x, y):
        self.command("click %d %d" % (x, y))

    def answer(self, how):
        self.command("answer " + how)

    def screen(self):
        """The window as a person sees it, with its attributes."""
        text = self.command("screen")
        attrs = self.command("attrs")
        return Screen.from_dump("\n".join(text + attrs))

    def state(self):
        return json.loads(self.command("state")[0])

    def events(self):
        """The events since the last call, oldest first."""
        new = self.command("events")
        self._last_events.extend(new)
        return new

    def snapshot(self, path):
        self.command("snapshot " + quoted(os.fsencode(path)))

    def sleep(self, duration):
        self.command("sleep %d" % to_ms(duration), to_ms(duration))

    # -- waits: each raises ExpectationError with the screen when it fails --

    def _wait(self, what, timeout, described):
        limit = self._limit(timeout)
        try:
            self.command("wait %s %d" % (what, limit), limit)
        except CommandError as e:
            raise self._failure("%s: %s after %s" % (described, e.reason, format_duration(limit))) from None

    def wait_text(self, text, timeout=None):
        self._wait("text " + quoted(to_bytes(text)), timeout, "wait text " + quoted(to_bytes(text)))

    def wait_ready(self, timeout=None):
        self._wait("ready", timeout, "wait ready")

    def wait_output(self, timeout=None):
        self._wait("output", timeout, "wait output")

    def wait_closed(self, timeout=None):
        self._wait("closed", timeout, "wait closed")

    def wait_quiet(self, quiet):
        ms = to_ms(quiet)
        try:
            self.command("wait quiet %d" % ms, ms + 5000)
        except CommandError as e:
            raise self._failure("wait quiet %s: %s" % (format_duration(ms), e.reason)) from None

    # -- expectations ---------------------------------------------------------

    def expect_text(self, text, timeout=None):
        """TEXT appears on the window within the time."""
        limit = self._limit(timeout)
        try:
            self.command("wait text %s %d" % (quoted(to_bytes(text)), limit), limit)
        except CommandError as e:
            why = "not shown within " + format_duration(limit) if e.reason == "timeout" else e.reason
            raise self._failure("expect text %s: %s" % (quoted(to_bytes(text)), why)) from None

    def _eventually(self, check, timeout):
        """Runs `check` (None when it holds, else why not) until it holds or
        the time is out, looking again after each screen the host sends."""
        limit = self._limit(timeout)
        deadline = time.monotonic() + limit / 1000.0
        while True:
            why = check()
            if why is None:
                return
            left = int((deadline - time.monotonic()) * 1000)
            if left <= 0:
                raise self._failure(why)
            try:
                self.command("wait output %d" % left, left)
            except CommandError:
                why = check()
                if why is None:
                    return
                raise self._failure(why) from None

    def expect_row(self, row, text, timeout=0):
        """The window's row ROW reads TEXT (trailing blanks ignored)."""
        want = text.rstrip(" ")

        def check():
            screen = self.screen()
            got = screen.row(row) if 0 <= row < len(screen.rows) else None
            if got == want:
                return None
            return "expect row %d %s: the row reads %s" % (row, quoted(want), "nothing" if got is None else quoted(got))

        self._eventually(check, timeout)

    def expect_cursor(self, row, column, timeout=0):
        def check():
            got = self.screen().cursor
            return None if got == (row, column) else "expect cursor %d %d: the cursor is at %d %d" % ((row, column) + got)

        self._eventually(check, timeout)

    def fields(self):
        """The current form's fields: dicts of number, label, value, row,
        column (empty without a form). The label is the text just left of
        the field on its row."""
        form = self.state().get("form")
        if not form:
            return []
        screen = self.screen()
        found = []
        for number, f in enumerate(form["fields"]):
            row, column = f["row"], f["column"]
            start = 0
            for other in form["fields"]:
                end = other["column"] + other["width"]
                if other["row"] == row and end <= column:
                    start = max(start, end)
            line = screen.rows[row] if 0 <= row < len(screen.rows) else ""
            label = line[start:column].strip(" ") if column > start else ""
            found.append({"number": number, "label": label, "value": f["value"], "row": row, "column": column,
                          "current": number == form["current_field"]})
        return found

    def expect_field(self, field, value, timeout=0):
        """The current form's field FIELD (its number, or its label such as
        "Qty:") holds VALUE, trailing blanks ignored."""
        want = value.rstrip(" ")

        def check():
            fields = self.fields()
            named = field if isinstance(field, int) else quoted(field)
            if not fields:
                return "expect field %s: the form has no fields" % named
            if isinstance(field, int):
                chosen = [f for f in fields if f["number"] == field]
                if not chosen:
                    return "expect field %d: no field %d (the form has %d %s)" % (
                        field, field, len(fields), "field" if len(fields) == 1 else "fields")
            else:
                chosen = [f for f in fields if f["label"] == field.strip(" ")]
                if not chosen:
                    labels = ", ".join(quoted(f["label"], 40) for f in fields)
                    return "expect field %s: no field labelled %s (labels: %s)" % (named, named, labels)
            got = chosen[0]["value"].rstrip(" ")
            if got == want:
                return None
            return "expect field %s %s: it holds %s" % (named, quoted(want), quoted(got))

        self._eventually(check, timeout)

    def expect_screen(self, path, timeout=None, update=None):
        """The window equals the golden screen in PATH within the time. With
        `update` (or update_goldens, or MARLSIM_UPDATE_GOLDENS=1) the window
        is written into the file instead, keeping its comments and masks."""
        update = self.update_goldens if update is None else update
        expected = golden_files.read_golden(path)
        if expected is None:
            if not update:
                raise self._failure(
                    "expect screen: no golden screen %s; run with --update-goldens "
                    "(or MARLSIM_UPDATE_GOLDENS=1) to write it from the window" % quoted(os.fsencode(path)))
            golden_files.write_golden(path, golden_files.Golden.from_screen(self.screen()))
            return
        last = {}

        def check():
            screen = self.screen()
            comparison = golden_files.compare(expected, screen)
            if comparison.matches:
                return None
            last["screen"] = screen
            return "expect screen %s: %s" % (quoted(os.fsencode(path)),
                                              golden_files.diff_text(expected, screen, comparison).rstrip("\n"))

        try:
            self._eventually(check, timeout)
        except ExpectationError:
            if not update:
                raise
            golden_files.write_golden(path, golden_files.Golden.from_screen(last["screen"], expected))

    # -- reports ------------------------------------------------------------

    def report(self, reason=None):
        """The screen (the cursor marked), the current field and the last
        events, as marlsim's failure reports show them; then the reason."""
        try:
            screen = self.screen()
            self.events()
            current = [f for f in self.fields() if f["current"]]
        except MarlsimError as e:
            return "(the screen could not be read: %s)\n%s" % (e, self.stderr_text())
        out = screen.report()
        if current:
            f = current[0]
            out += "field %d %s at %d %d: %s\n" % (f["number"], quoted(f["label"], 200), f["row"], f["column"],
                                                   quoted(f["value"], 200))
        else:
            out += "no current field\n"
        events = list(self._last_events)
        if not events:
            out += "no events\n"
        else:
            shown = events[-REPORTED_EVENTS:]
            out += "events:\n" if len(shown) == len(events) else "last %d of %d events:\n" % (len(shown), len(events))
            out += "".join("  %s\n" % printable(e, 200) for e in shown)
        if reason is not None:
            out += "error: %s\n" % reason
        return out

    def _failure(self, reason):
        return ExpectationError(reason + "\n" + self.report())
