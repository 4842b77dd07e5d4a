#!/usr/bin/env python3
"""Runs every example of the host guide against the real marlsim.

An example is a ```python block whose first line is `# example: NAME`. It
runs with the guide's Python host's helpers (`command`, ...) at hand and
sets `records`, the chunks the host sends one after another (or `record`,
one chunk), and may set `marlsim_args`, more of the terminal's command
line. The ```text blocks after it, up to the next example or heading, say
what must happen:

- a hex dump (`0000  82 80 ...  |...|`) at a block's start is the records'
  bytes exactly;
- a transcript runs automation commands: `> COMMAND` sends one, the lines
  under it are its answer without the final `ok` (trailing blanks and blank
  rows are not compared); `host receives B` reads a Python bytes literal B
  from the terminal, exactly; `host receives nothing more` says that the
  terminal sent nothing else so far.

    guide_examples.py MARLSIM GUIDE HELLO_HOST_PY
Exit status 0 when every example did what the guide says.
"""
import ast
import importlib.util
import os
import re
import socket
import sys
import tempfile

# The Python client, from the source tree.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "python"))
import marlsim as marlsim_client  # noqa: E402

TIMEOUT = 10.0


def examples(guide):
    """(name, code, [text blocks]) for every example, in order."""
    found = []
    blocks = re.finditer(r"^(#{2,3} [^\n]*)$|^```(\w*)\n(.*?)^```$", guide, re.M | re.S)
    for m in blocks:
        if m.group(1):  # a heading ends the example before it
            if found and found[-1][3]:
                found[-1][3] = False
            continue
        language, body = m.group(2), m.group(3)
        if language == "python" and body.startswith("# example: "):
            found.append([body.split("\n", 1)[0][11:], body, [], True])
        elif language == "text" and found and found[-1][3]:
            found[-1][2].append(body)
    return [(name, code, texts) for name, code, texts, _ in found]


def hexdump(data):
    lines = []
    for offset in range(0, len(data), 16):
        row = data[offset:offset + 16]
        hexes = " ".join(f"{b:02x}" for b in row[:8])
        if len(row) > 8:
            hexes += "  " + " ".join(f"{b:02x}" for b in row[8:])
        text = "".join(chr(b) if 0x20 <= b < 0x7F else "." for b in row)
        lines.append(f"{offset:04x}  {hexes:<48}  |{text}|")
    return "\n".join(lines)


class Terminal:
    """marlsim headless on a 20 x 16 screen, driven by the Python client and
    connected to this host."""

    def __init__(self, marlsim, args):
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(1)
        self.listener.settimeout(TIMEOUT)
        self.dir = tempfile.TemporaryDirectory()
        # start() has the program answer a command, which it does only after
        # sending the power-up; the announcement ends with the address.
        self.sim = marlsim_client.Terminal("127.0.0.1", self.listener.getsockname()[1], args=args,
                                           binary=marlsim, cwd=self.dir.name).start()
        self.socket, _ = self.listener.accept()
        self.received = b""
        self.receive_until(lambda r: re.search(rb"IP=[\d.]+$", r))
        self.received = b""
        self.ask("events")  # the start-up's, so that a transcript sees its own

    def ask(self, line):
        """One automation command; the lines of its answer before "ok"."""
        try:
            return self.sim.command(line)
        except marlsim_client.CommandError as e:
            raise AssertionError(str(e)) from None

    def receive_until(self, done):
        self.socket.settimeout(TIMEOUT)
        while not done(self.received):
            data = self.socket.recv(4096)
            if not data:
                raise AssertionError("the terminal closed the connection")
            self.received += data

    def take(self, expected):
        self.receive_until(lambda r: len(r) >= len(expected))
        got, self.received = self.received[:len(expected)], self.received[len(expected):]
        return got

    def send(self, chunk):
        """One chunk, handled before the next is sent."""
        self.ask("state")
        self.socket.sendall(chunk)
        self.ask("wait output")

    def close(self):
        try:
            self.sim.close(TIMEOUT)
        finally:
            self.socket.close()
            self.listener.close()
            self.dir.cleanup()


def trimmed(lines):
    lines = [line.rstrip() for line in lines]
    while lines and not lines[-1]:
        lines.pop()
    return lines


def check_transcript(terminal, text):
    lines = text.split("\n")
    i = 0
    while i < len(lines):
        line = lines[i]
        i += 1
        if not line.strip():
            continue
        if line.startswith("> "):
            expected = []
            while i < len(lines) and not lines[i].startswith(("> ", "host receives ")):
                expected.append(lines[i])
                i += 1
            answer = terminal.ask(line[2:])
            if trimmed(answer) != trimmed(expected):
                raise AssertionError(f"{line}: got\n" + "\n".join(answer))
        elif line == "host receives nothing more":
            try:
                terminal.ask("wait ready 100")
            except AssertionError:
                pass  # still waiting for the host: what counts is what it sent
            if terminal.received:
                raise AssertionError(f"the terminal also sent {terminal.received!r}")
        elif line.startswith("host receives "):
            expected = ast.literal_eval(line[len("host receives "):])
            got = terminal.take(expected)
            if got != expected:
                raise AssertionError(f"{line}: got {got!r}")
        else:
            raise AssertionError(f"not a transcript line: {line!r}")


def run(marlsim, name, code, texts, helpers):
    space = dict(helpers)
    exec(compile(code, name, "exec"), space)
    records = space.get("records") or [space["record"]]
    transcripts = []
    for text in texts:
        # A block may start with the records' dump; the rest is a transcript.
        lines = text.rstrip("\n").split("\n")
        dump = [line for line in lines if re.match(r"[0-9a-f]{4}  ", line)]
        if dump and hexdump(b"".join(records)) != "\n".join(dump):
            raise AssertionError("the records are\n" + hexdump(b"".join(records)))
        transcripts.append("\n".join(lines[len(dump):]))
    terminal = Terminal(marlsim, space.get("marlsim_args", []))
    try:
        for chunk in records:
            terminal.send(chunk)
        for text in transcripts:
            check_transcript(terminal, text)
    finally:
        terminal.close()


def main():
    marlsim, guide_path, host_path = sys.argv[1:4]
    marlsim = os.path.abspath(marlsim)
    spec = importlib.util.spec_from_file_location("hello_host", host_path)
    host = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(host)
    helpers = {k: v for k, v in vars(host).items() if not k.startswith("__")}
    with open(guide_path, encoding="utf-8") as f:
        found = examples(f.read())
    failed = 0
    for name, code, texts in found:
        try:
            run(marlsim, name, code, texts, helpers)
            print(f"ok      {name}")
        except Exception as e:  # one example's failure must not hide the others'
            failed += 1
            print(f"FAILED  {name}: {e}")
    print(f"{len(found) - failed} of {len(found)} examples as the guide says")
    return 1 if failed or not found else 0


if __name__ == "__main__":
    sys.exit(main())
