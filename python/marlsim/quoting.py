"""Texts quoted as the automation language writes them."""

_ESCAPES = {ord('"'): '\\"', ord("\\"): "\\\\", ord("\n"): "\\n", ord("\r"): "\\r", ord("\t"): "\\t"}


def to_bytes(text):
    """A str or bytes as the bytes the terminal gets: a str in the window's
    code page (Windows-1252)."""
    if isinstance(text, (bytes, bytearray)):
        return bytes(text)
    return str(text).encode("cp1252")


def quoted(text, limit=None):
    """TEXT in double quotes with the escapes a command line reads back:
    \\" \\\\ \\n \\r \\t, and \\xHH for any other byte outside 0x20 to 0x7E.
    Past `limit` bytes the rest is left off and "..." follows."""
    data = text.encode("latin-1") if isinstance(text, str) else bytes(text)
    shown = data if limit is None else data[:limit]
    out = []
    for b in shown:
        if b in _ESCAPES:
            out.append(_ESCAPES[b])
        elif 0x20 <= b <= 0x7E:
            out.append(chr(b))
        else:
            out.append("\\x%02x" % b)
    return '"' + "".join(out) + '"' + ("..." if len(shown) < len(data) else "")


def printable(text, limit=None):
    """One line with every byte outside 0x20 to 0x7E as \\xHH."""
    data = text.encode("latin-1", "replace") if isinstance(text, str) else bytes(text)
    shown = data if limit is None else data[:limit]
    line = "".join(chr(b) if 0x20 <= b <= 0x7E else "\\x%02x" % b for b in shown)
    return line + ("..." if len(shown) < len(data) else "")
