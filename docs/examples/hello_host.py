#!/usr/bin/env python3
"""hello_host.py: a complete host for one Marlpoint terminal, with nothing
but the Python standard library. It asks for a name and greets it, until
the terminal goes away.

    python3 hello_host.py [PORT]      (4055 when not given)
    marlsim -H127.0.0.1 -PPORT
"""
import re
import socket
import sys


def command(body, word=0x20, shortest=0, width=0, start=0):
    """A command record: kind 0x82, eight header bytes, the body, a line feed.

    The header word's high byte and low byte, seven bits each, come first
    (0x4000, beep when shown, is the high byte's 0x40), then a table form's
    shortest entry and entry width and the field to start on; each byte
    travels with its top bit set, so none is a zero byte or a line end.
    Bit 0x20 empties the stored-table slot first, so the form is built
    afresh each time."""
    values = [word >> 8, word, shortest, width, start]
    return b"\x82" + bytes(0x80 | (v & 0x7F) for v in values) + b"000" + body + b"\n"


def greeting(message):
    """Slot 1: show (\\1T) a field form. '^' and a line feed end a row; the
    field is a backslash, its type byte '@' (plain), ten blanks of data and
    a closing backslash."""
    text = b"\\Hello!^\n" + message.encode("latin-1") + b"^\nName: \\@" + b" " * 10 + b"\\"
    return command(b"\\1T" + text)


def messages(buffer):
    """Takes complete messages from the front of the buffer; returns them
    and what is left. The terminal frames nothing, but a form reply ends
    with a zero byte, F=, the current field's number and a zero byte."""
    found = []
    while buffer:
        # A terminal started with -I sends its ID and a comma first.
        power_up = buffer.find(b"P,Rows=")
        if power_up > 0 and re.fullmatch(rb"[^\\\0]*,", buffer[:power_up]):
            found.append(("id", buffer[:power_up - 1]))
            buffer = buffer[power_up:]
        if buffer.startswith(b"P,Rows="):  # the power-up comes in one piece
            found.append(("power-up", buffer))
            return found, b""
        if buffer.startswith(b"K\\\\") and len(buffer) >= 4 and buffer[4:7] != b"\0F=":
            found.append(("status", buffer[:4]))  # K, two backslashes, a code
            buffer = buffer[4:]
            continue
        trailer = re.search(rb"\0F=\d+\0", buffer)
        if not trailer:
            break  # more to come
        found.append(("reply", buffer[: trailer.start()]))
        buffer = buffer[trailer.end():]
    return found, buffer


def fields(reply):
    """The fields of a form reply K\\<form>\\<index>\\<K|S>[terminator]<text>...
    as a dictionary from index to text."""
    reply = re.sub(rb"\\\\.$", b"", reply)  # the reply letter: w for Enter
    return {int(i): text.decode("latin-1")
            for i, text in re.findall(rb"\\(\d+)\\[KS][\x00-\x1f]?([^\\]*)", reply)}


def main():
    port = int(sys.argv[1]) if len(sys.argv) > 1 else 4055
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", port))
    listener.listen(1)
    print("listening on port", port, flush=True)
    terminal, _ = listener.accept()
    buffer = b""
    while True:
        data = terminal.recv(4096)
        if not data:
            break
        found, buffer = messages(buffer + data)
        for kind, message in found:
            if kind == "power-up":
                terminal.sendall(greeting("What is your name?"))
            elif kind == "reply":
                name = fields(message).get(0, "")
                terminal.sendall(greeting("Hello, " + name if name else "Please type a name"))
    terminal.close()


if __name__ == "__main__":
    main()
