"""A real Locust run of marlsim terminals on loopback, and its bad inputs.

    python3 locust_run.py            (MARLSIM, MARLSIM_DEMO_HOST, PYTHONPATH set)

1. A headless master expecting two workers and two workers, against the demo
   host: Locust's CSV counts the transactions of both workers' marlsim
   children, none failed, and its total is what the children counted.
2. A child whose pipe closes early: its users fail saying so, Locust goes
   on to the end of its run.
3. More terminals than the file limit allows: each refused with the reason,
   and the child ends normally when its input does.

Every wait is for a state (a line, a file, a process's end) with a generous
limit: CI machines are shared and slow.
"""

import csv
import glob
import json
import os
import resource
import socket
import subprocess
import sys
import tempfile
import time

MARLSIM = os.environ["MARLSIM"]
DEMO_HOST = os.environ["MARLSIM_DEMO_HOST"]
START_LIMIT = 180  # seconds for a process to get going or to end

SCRIPT = """\
wait text "MARL WAREHOUSE" 10000
click 88 57
type "rf{n:03}"
key Tab
type "demo"
mark "sign-in"
key Enter
wait text "1 Receive goods" 20000
mark "receive"
key Enter
wait text "RECEIVE GOODS" 20000
type "B200"
key Tab
type "{i}"
key Enter
wait text "+{i} B200" 20000
mark "sign-out"
key F3
wait text "1 Receive goods" 20000
key Up
key Enter
sleep 100
"""

LOCUSTFILE = """\
import os
from marlsim.locust import MarlsimUser

class Picker(MarlsimUser):
    script = os.environ["LOCUST_TEST_SCRIPT"]
    terminal_args = "-ILC"
    marlsim = os.environ.get("LOCUST_TEST_MARLSIM") or None
    marlsim_args = ["--size", "20x16", "--report",
                    os.path.join(os.environ["LOCUST_TEST_DIR"], "child-%d.json" % os.getpid())]
"""

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAILED:", message, flush=True)
    return condition


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def start_demo_host(directory):
    log = open(os.path.join(directory, "host.out"), "w+")
    host = subprocess.Popen([DEMO_HOST, "--port", "0", "--quiet"], stdout=log,
                            stderr=subprocess.STDOUT)
    deadline = time.monotonic() + START_LIMIT
    while time.monotonic() < deadline:
        log.seek(0)
        text = log.read()
        if "-P" in text:
            return host, int(text.rsplit("-P", 1)[1].split()[0])
        if host.poll() is not None:
            break
        time.sleep(0.05)
    raise SystemExit("the demo host did not start: " + text)


def locust(directory, *args, name):
    out = open(os.path.join(directory, name + ".log"), "w")
    return subprocess.Popen([sys.executable, "-m", "locust", "-f", os.path.join(directory, "locustfile.py"),
                             *args], cwd=directory, stdout=out, stderr=subprocess.STDOUT)


def finish(process, name, directory):
    try:
        return process.wait(timeout=START_LIMIT + 60)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
        with open(os.path.join(directory, name + ".log")) as log:
            print(log.read()[-4000:])
        raise SystemExit(name + " did not end")


def stats_rows(path):
    with open(path, newline="") as f:
        return {(row["Type"], row["Name"]): row for row in csv.DictReader(f)}


def show_logs(directory):
    for path in sorted(glob.glob(os.path.join(directory, "*.log"))):
        with open(path) as log:
            print("----", os.path.basename(path))
            print(log.read()[-3000:])


def distributed_run(directory, port):
    """Master, two workers, about 20 seconds: the CSV's counts are the children's."""
    master_port = free_port()
    master = locust(directory, "--master", "--master-bind-host", "127.0.0.1", "--master-bind-port",
                    str(master_port), "--headless", "--expect-workers", "2",
                    "--expect-workers-max-wait", str(START_LIMIT), "-u", "6", "-r", "6",
                    "--run-time", "20s", "--host", "127.0.0.1:%d" % port, "--csv",
                    os.path.join(directory, "run"), "--only-summary", name="master")
    workers = [locust(directory, "--worker", "--master-host", "127.0.0.1", "--master-port",
                      str(master_port), name="worker%d" % i) for i in (1, 2)]
    status = finish(master, "master", directory)
    worker_status = [finish(w, "worker%d" % i, directory) for i, w in enumerate(workers, 1)]
    check(status == 0, "the master ended with %s" % status)
    check(worker_status == [0, 0], "the workers ended with %s" % worker_status)

    rows = stats_rows(os.path.join(directory, "run_stats.csv"))
    total = rows.get(("", "Aggregated"))
    if not check(total is not None, "no Aggregated row in the CSV"):
        return
    requests, failed = int(total["Request Count"]), int(total["Failure Count"])
    names = sorted(name for kind, name in rows if kind == "marlsim")
    print("locust: %d transactions, %d failed; names %s" % (requests, failed, names))
    check(failed == 0, "%d transactions failed" % failed)
    check(names == ["power-up", "receive", "sign-in", "sign-out"], "names %s" % names)

    reports = sorted(glob.glob(os.path.join(directory, "child-*.json")))
    check(len(reports) == 2, "one marlsim child per worker, found %s" % reports)
    counted = []
    for path in reports:
        with open(path) as f:
            report = json.load(f)
        answered = report["response_ms"]["count"]
        errors = sum(t["errors"] for t in report["transactions"])
        counted.append(answered + errors)
        check(report["errors"]["total"] == 0, "%s: errors %s" % (path, report["errors"]))
        check(answered > 0, "%s counted no transactions" % path)
    print("marlsim children: %s transactions" % counted)
    check(sum(counted) == requests,
          "Locust counted %d transactions, the children %s" % (requests, counted))


def pipe_closes(directory, port):
    """A child whose output ends early: its users fail saying so; Locust goes on."""
    wrapper = os.path.join(directory, "short-lived")
    with open(wrapper, "w") as f:
        f.write('#!/bin/sh\n"$MARLSIM" "$@" | head -n 8\n')
    os.chmod(wrapper, 0o755)
    os.environ["LOCUST_TEST_MARLSIM"] = wrapper
    try:
        run = locust(directory, "--headless", "-u", "2", "-r", "2", "--run-time", "4s", "--host",
                     "127.0.0.1:%d" % port, "--csv", os.path.join(directory, "short"),
                     "--only-summary", name="short")
        status = finish(run, "short", directory)
    finally:
        del os.environ["LOCUST_TEST_MARLSIM"]
    # Locust's own status for a run with failures: it ran to its end.
    check(status == 1, "Locust ended with %s, not 1 (a run with failures)" % status)
    with open(os.path.join(directory, "short_failures.csv"), newline="") as f:
        errors = [row["Error"] for row in csv.DictReader(f)]
    check(any("marlsim child ended" in e for e in errors), "failures: %s" % errors)
    total = stats_rows(os.path.join(directory, "short_stats.csv"))[("", "Aggregated")]
    check(int(total["Request Count"]) > int(total["Failure Count"]) > 0,
          "short-lived child: %s requests, %s failures" % (total["Request Count"], total["Failure Count"]))


def file_limit(directory, port):
    """Terminals beyond the open-file limit are refused with the reason."""
    def low_limit():
        resource.setrlimit(resource.RLIMIT_NOFILE, (100, 100))

    script = os.path.join(directory, "turn.txt")
    child = subprocess.Popen([MARLSIM, "--serve-load", "--script", script, "--size", "20x16", "--",
                              "-H127.0.0.1", "-P%d" % port, "-ILF"],
                             stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True,
                             preexec_fn=low_limit, cwd=directory)
    # At most 8 workers take 16 files and 32 are kept spare: some start, not all.
    commands = "".join("start %d\n" % n for n in range(1, 121))
    # Five bad commands, the last without its line end.
    commands += "start 0\nstop x\n" + "x" * 5000 + "\n\x01\x02\xff start\nstart 1 2"
    out, _ = child.communicate(commands, timeout=START_LIMIT)
    lines = out.splitlines()
    refused = [line for line in lines if line.startswith("refused\t")]
    started = [line for line in lines if line.startswith("started\t")]
    check(child.returncode == 0, "the child ended with %s" % child.returncode)
    check(0 < len(started) < 120 and len(started) + len(refused) == 120,
          "%d started, %d refused" % (len(started), len(refused)))
    check(all("terminals can run" in line for line in refused), "refusals: %s" % refused[:2])
    errors = [line for line in lines if line.startswith("error\t")]
    check(len(errors) == 5, "bad commands answered with %s" % errors)
    check(lines[-1].startswith("totals\t"), "last line %r" % lines[-1:])


def main():
    with tempfile.TemporaryDirectory() as directory:
        with open(os.path.join(directory, "turn.txt"), "w") as f:
            f.write(SCRIPT)
        with open(os.path.join(directory, "locustfile.py"), "w") as f:
            f.write(LOCUSTFILE)
        os.environ["LOCUST_TEST_SCRIPT"] = os.path.join(directory, "turn.txt")
        os.environ["LOCUST_TEST_DIR"] = directory
        host, port = start_demo_host(directory)
        try:
            distributed_run(directory, port)
            pipe_closes(directory, port)
            file_limit(directory, port)
        finally:
            host.terminate()
            host.wait()
        if failures:
            show_logs(directory)
    print("%d failed checks" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
