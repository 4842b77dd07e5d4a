"""marlsim terminals as Locust users.

    from marlsim.locust import MarlsimUser

    class Picker(MarlsimUser):
        script = "turn.txt"          # the load script every terminal follows
        terminal_args = "-IRF"       # the rest of the terminal's command line

    locust -f locustfile.py --host 10.0.0.5:4055 ...

Each user is one terminal following the load script over and over. The
terminals of one Locust process (a worker, or a run without workers) all
run in one child, `marlsim --serve-load`, which reports every transaction
(a reply and the host's answer); each becomes a Locust request event of type
"marlsim" named by the script's `mark` (or its line). When the child dies or
its pipe closes, its users report a failure saying so and start a new child
on their next turn: the run goes on. docs/load.md has the master and worker
commands.

Locust's master merges its workers' counts. So that none are lost at the
end, the master asks each worker to stop its child and send the last counts
before the run stops.
"""

import collections
import importlib.metadata
import logging

import gevent
import gevent.lock
import locust.runners
from gevent import subprocess
from locust import User, constant, events, task
from locust.runners import MasterRunner, WorkerRunner

from .terminal import find_binary

logger = logging.getLogger(__name__)

# Debian 12's Locust knows no version of its own, and a master turns away a
# worker that reports none ("an old (pre 2.0) worker"): give it the
# package's.
if not locust.runners.__version__:
    try:
        locust.runners.__version__ = importlib.metadata.version("locust") or "2"
    except importlib.metadata.PackageNotFoundError:
        locust.runners.__version__ = "2"

REQUEST_TYPE = "marlsim"
_STOP = "marlsim_stop"
_STOPPED = "marlsim_stopped"
# How long the master waits at the end for its workers' last counts, seconds.
STOP_WAIT = 60


class MarlsimFailure(Exception):
    """A transaction or terminal that failed, with marlsim's reason."""


def parse_line(line):
    """One line of marlsim --serve-load's output as (kind, fields), or None."""
    fields = line.rstrip("\r\n").split("\t")
    if not fields or not fields[0]:
        return None
    return fields[0], fields[1:]


def terminal_command_line(host, terminal_args=""):
    """The terminal's command line for Locust's --host ("HOST:PORT" or HOST)."""
    parts = []
    if host:
        address = host.split("://", 1)[-1].rstrip("/")
        name, colon, port = address.rpartition(":")
        if colon and port.isdigit() and name:
            parts += ["-H" + name.strip("[]"), "-P" + port]
        else:
            parts.append("-H" + address)
    if terminal_args:
        parts.append(terminal_args)
    return parts


class MarlsimChild:
    """One marlsim --serve-load process and the users whose terminals it runs."""

    def __init__(self, environment, args):
        self.environment = environment
        self.users = {}  # terminal number -> user
        self.ended = None  # why it is gone, once it is
        self.totals = None  # (transactions, failed) from its last line
        self.closing = False
        self._stderr = collections.deque(maxlen=5)
        self.process = subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True, bufsize=1)
        self._reader = gevent.spawn(self._read)
        self._errors = gevent.spawn(self._read_errors)

    def _read_errors(self):
        for line in self.process.stderr:
            self._stderr.append(line.rstrip())
            logger.warning("marlsim: %s", line.rstrip())

    def _read(self):
        try:
            for line in self.process.stdout:
                parsed = parse_line(line)
                if parsed is not None:
                    self._handle(*parsed)
        except (OSError, ValueError) as error:
            logger.error("marlsim: reading its output: %s", error)
        status = self.process.wait()
        self._errors.join(timeout=5)
        reason = "marlsim child ended"
        if not self.closing or status != 0:
            reason += " (exit status %s)" % status
            if self._stderr:
                reason += ": " + self._stderr[-1]
        self._gone(reason)

    def _handle(self, kind, fields):
        if kind == "tx" and len(fields) >= 5:
            failed = fields[4] != "ok"
            self.environment.events.request.fire(
                request_type=REQUEST_TYPE, name=fields[1], response_time=_number(fields[2]) / 1000.0,
                response_length=_number(fields[3]),
                exception=MarlsimFailure(fields[5] if len(fields) > 5 else "failed") if failed else None,
                context={"terminal": _number(fields[0])}, url=None)
        elif kind in ("ended", "failed", "refused") and fields:
            user = self.users.pop(_number(fields[0]), None)
            if user is not None:
                user._terminal_ended(kind, fields[1:])
            if kind == "refused":
                # Not a transaction: marlsim counted nothing for it.
                self.environment.events.request.fire(
                    request_type=REQUEST_TYPE, name="start", response_time=0, response_length=0,
                    exception=MarlsimFailure("terminal %s refused: %s" % (fields[0], " ".join(fields[1:]))),
                    context={}, url=None)
        elif kind == "totals" and len(fields) >= 2:
            self.totals = (_number(fields[0]), _number(fields[1]))
        elif kind == "error":
            logger.error("marlsim refused a command: %s", " ".join(fields))

    def _gone(self, reason):
        self.ended = reason
        users, self.users = self.users, {}
        for user in users.values():
            if self.closing:
                user._terminal_ended("ended", [])
                continue
            self.environment.events.request.fire(
                request_type=REQUEST_TYPE, name="terminal", response_time=0, response_length=0,
                exception=MarlsimFailure(reason), context={}, url=None)
            user._terminal_ended("failed", ["child", reason])

    def send(self, line):
        """False when the pipe is closed."""
        if self.ended is not None or self.closing:
            return False
        try:
            self.process.stdin.write(line + "\n")
            self.process.stdin.flush()
            return True
        except (OSError, ValueError):
            return False

    def start(self, number, user):
        self.users[number] = user
        if not self.send("start %d" % number):
            self.users.pop(number, None)
            return False
        return True

    def stop(self, number):
        self.send("stop %d" % number)

    def close(self, timeout=30):
        """Ends the child: its terminals stop, every transaction it reported
        becomes an event. Waits at most `timeout` seconds."""
        if self.closing:
            self._reader.join(timeout=timeout)
            return
        self.closing = True
        try:
            self.process.stdin.close()
        except (OSError, ValueError):
            pass
        self._reader.join(timeout=timeout)
        if not self._reader.ready():
            self.process.kill()
            self._reader.join(timeout=5)

    def wait_ended(self, timeout):
        self._reader.join(timeout=timeout)

    def free_number(self, base, span):
        for k in range(1, span + 1):
            if base + k not in self.users:
                return base + k
        return None


def _number(text):
    try:
        return int(text)
    except ValueError:
        return 0


class MarlsimUser(User):
    """A Locust user that is one marlsim terminal following `script`.

    Set `script`; `terminal_args` adds to the terminal's command line (-I,
    -L, placeholders); `marlsim` is the program (default: $MARLSIM, else
    marlsim on PATH); `marlsim_args` are further options of the child (such
    as --report FILE or --size 20x16). Terminal numbers (for {n}, the
    simulator ID and the loopback source address) are the worker's index
    times `numbers_per_worker` plus the user's place, so they differ across
    workers.
    """

    abstract = True
    script = None
    terminal_args = ""
    marlsim = None
    marlsim_args = ()
    numbers_per_worker = 1000
    # How often the user looks at its terminal, and restarts it after a failure.
    wait_time = constant(1)

    def __init__(self, environment):
        super().__init__(environment)
        self._number = None
        self._child = None

    def _terminal_ended(self, kind, fields):
        if kind != "ended":
            logger.warning("marlsim terminal %s %s: %s", self._number, kind, " ".join(fields))
        self._number = None
        self._child = None

    @task
    def follow_script(self):
        """Keeps this user's terminal running: it follows the script on its own."""
        if self._number is not None or _stopping(self.environment):
            return
        child = child_for(self.environment, type(self))
        base = getattr(self.environment.runner, "worker_index", 0) * self.numbers_per_worker
        number = child.free_number(max(base, 0), self.numbers_per_worker)
        if number is None:
            raise MarlsimFailure("more than %d terminals in one worker" % self.numbers_per_worker)
        if child.start(number, self):
            self._number = number
            self._child = child
            return
        # Its pipe closed: the child is ending, and says why once it has.
        child.wait_ended(timeout=10)
        self.environment.events.request.fire(
            request_type=REQUEST_TYPE, name="terminal", response_time=0, response_length=0,
            exception=MarlsimFailure(child.ended or "marlsim child's pipe closed"), context={}, url=None)

    def on_stop(self):
        if self._number is not None and self._child is not None:
            self._child.stop(self._number)
            self._child.users.pop(self._number, None)
        self._number = None
        self._child = None


# Starting a process lets other users run: they must wait for it, not start
# a second child.
_starting = gevent.lock.BoundedSemaphore()


def child_for(environment, user_class):
    """The process's one marlsim child, started on first use or after it died."""
    with _starting:
        return _child_for(environment, user_class)


def _child_for(environment, user_class):
    child = getattr(environment, "_marlsim_child", None)
    if child is None or child.ended is not None:
        if not user_class.script:
            raise MarlsimFailure("%s has no script" % user_class.__name__)
        args = [find_binary(user_class.marlsim), "--serve-load", "--script", user_class.script]
        args += list(user_class.marlsim_args)
        args += ["--"] + terminal_command_line(environment.host or user_class.host,
                                               user_class.terminal_args)
        child = MarlsimChild(environment, args)
        environment._marlsim_child = child
    return child


def _stopping(environment):
    return getattr(environment, "_marlsim_stopping", False)


def stop_child(environment):
    """Stops the process's child and fires the events of all it reported."""
    environment._marlsim_stopping = True
    child = getattr(environment, "_marlsim_child", None)
    if child is not None and not child.closing:
        child.close()
        if child.totals is not None:
            logger.info("marlsim counted %d transactions, %d failed", *child.totals)


@events.init.add_listener
def _on_init(environment, **_kwargs):
    runner = environment.runner
    if isinstance(runner, MasterRunner):
        stopped = set()
        runner.register_message(_STOPPED, lambda environment, msg, **kw: stopped.add(msg.node_id))

        @environment.events.test_stopping.add_listener
        def _ask_workers(**_kw):
            stopped.clear()
            workers = [client.id for client in runner.clients.all]
            for worker in workers:
                runner.send_message(_STOP, None, client_id=worker)
            with gevent.Timeout(STOP_WAIT, False):
                while not all(worker in stopped or worker not in runner.clients for worker in workers):
                    gevent.sleep(0.1)
    elif isinstance(runner, WorkerRunner):
        def _stop(environment, msg, **_kw):
            def finish():
                stop_child(environment)
                # The last counts first, then the word that they are sent.
                runner._send_stats()
                runner.send_message(_STOPPED)
            gevent.spawn(finish)
        runner.register_message(_STOP, _stop)

        @environment.events.test_start.add_listener
        def _started(**_kw):
            environment._marlsim_stopping = False
    else:
        @environment.events.test_stopping.add_listener
        def _stop_local(**_kw):
            stop_child(environment)

    @environment.events.quitting.add_listener
    def _quit(**_kw):
        stop_child(environment)
