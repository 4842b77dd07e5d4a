"""Golden screens: the same file format, the same errors and the same diff
as marlsim's own reader (docs/testing.md), so a golden written by one is
read alike by the other.

    # comments, kept when the file is rewritten
    screen 20x4 cursor 2 6
    | MARL WAREHOUSE     |
    |Sign in, 12:04      |
    |User: ______        |
    |                    |
    attributes
    0 |rrrrrrrrrrrrrrrr    |
    2 |      uuuuuu        |
    masks
    1 |         *****      |
"""

import os
import re

from .quoting import quoted
from .screen import Screen

MAX_SIDE = 9999
MAX_CELLS = 1 << 22
MAX_FILE = 32 << 20
_QUOTED = 40
_BLANKS = re.compile(r"[ \t]+")
_LETTERS = " ru34567b9ABCDEF"  # an attribute value's letter, by value


class GoldenError(ValueError):
    """A malformed golden file; the message names the line."""


def attribute_letter(value):
    return _LETTERS[value & 0x0F]


class Golden:
    def __init__(self, columns, rows, cursor=(0, 0)):
        self.comments = []
        self.columns = columns
        self.rows = rows
        self.cursor = cursor
        self.text = [" " * columns for _ in range(rows)]
        self.attributes = [[0] * columns for _ in range(rows)]
        self.masks = [[False] * columns for _ in range(rows)]

    @classmethod
    def from_screen(cls, screen, previous=None):
        """The golden `screen` would match exactly, keeping the comments of
        `previous` and its masks where they fall on the new screen."""
        g = cls(screen.columns, len(screen.rows), screen.cursor)
        g.text = list(screen.rows)
        g.attributes = [list(a) for a in screen.attributes]
        if previous is not None:
            g.comments = list(previous.comments)
            for r in range(min(g.rows, previous.rows)):
                for c in range(min(g.columns, previous.columns)):
                    g.masks[r][c] = previous.masks[r][c]
        return g


def _fail(number, why, column=None):
    where = "line %d" % number if column is None else "line %d, column %d" % (number, column + 1)
    return GoldenError("%s: %s" % (where, why))


def _number(word, low, high):
    negative = word.startswith("-") and low < 0
    digits = word[1:] if negative else word
    if not digits or len(digits) > 9 or not all("0" <= c <= "9" for c in digits):
        return None
    value = -int(digits) if negative else int(digits)
    return value if low <= value <= high else None


def _words(text):
    return [w for w in _BLANKS.split(text) if w]


def _lines(content):
    pieces = content.split("\n")
    if pieces and pieces[-1] == "":
        pieces.pop()
    for number, text in enumerate(pieces, 1):
        yield number, text.rstrip(" \t\r")


def _barred(text, columns):
    if len(text) != columns + 2 or text[0] != "|" or text[-1] != "|":
        return None
    return text[1:-1]


def _header(number, text):
    w = _words(text)
    if len(w) != 5 or w[0] != "screen" or w[2] != "cursor":
        raise _fail(number, 'expected "screen COLSxROWS cursor ROW COL", found ' + quoted(text, _QUOTED))
    x = w[1].find("x")
    columns = _number(w[1][:x], 1, MAX_SIDE) if x >= 0 else None
    rows = _number(w[1][x + 1 :], 1, MAX_SIDE) if x >= 0 else None
    if columns is None or rows is None or rows * columns > MAX_CELLS:
        raise _fail(
            number,
            "screen size %s is not COLSxROWS from 1x1 to %dx%d, at most %d cells"
            % (quoted(w[1], _QUOTED), MAX_SIDE, MAX_SIDE, MAX_CELLS),
        )
    row = _number(w[3], -MAX_SIDE, MAX_SIDE)
    column = _number(w[4], -MAX_SIDE, MAX_SIDE)
    if row is None or column is None:
        raise _fail(number, "cursor %s is not two numbers ROW COL" % quoted(w[3] + " " + w[4], _QUOTED))
    return Golden(columns, rows, (row, column))


def _block_row(number, text, block, last_row, g):
    bar = text.find("|")
    label = text if bar < 0 else text[:bar]
    w = _words(label)
    row = _number(w[0], 0, g.rows - 1) if len(w) == 1 else None
    cells = _barred(text[bar:], g.columns) if bar >= 0 else None
    if row is None or cells is None:
        raise _fail(
            number,
            'expected "ROW |%d characters|" with ROW 0 to %d, found %s' % (g.columns, g.rows - 1, quoted(text, _QUOTED)),
        )
    if row <= last_row:
        raise _fail(number, "row %d %s" % (row, "is listed twice" if row == last_row else "comes after row %d" % last_row))
    for c, ch in enumerate(cells):
        if block == "attributes":
            value = _LETTERS.find(ch)
            if value < 0:
                raise _fail(number, "%s is not an attribute (blank, r, u, b, or a hex digit 3 to F)" % quoted(ch), bar + 1 + c)
            g.attributes[row][c] = value
        elif ch == "*":
            g.masks[row][c] = True
        elif ch != " ":
            raise _fail(number, "%s in a mask: mark a cell with * or leave it blank" % quoted(ch), bar + 1 + c)
    return row


def parse_golden(content):
    """A Golden from a file's content (bytes, or str with one character a
    byte); raises GoldenError naming the line."""
    if isinstance(content, (bytes, bytearray)):
        content = bytes(content).decode("latin-1")
    lines = _lines(content)
    comments = []
    g = None
    last_number = 0
    for number, text in lines:
        last_number = number
        if text.startswith("#"):
            comments.append(text)
        elif text:
            g = _header(number, text)
            break
    if g is None:
        raise _fail(last_number + 1, 'no "screen COLSxROWS cursor ROW COL" line')
    g.comments = comments
    for r in range(g.rows):
        item = next(lines, None)
        if item is None:
            raise _fail(last_number + 1, "the file ends after %d of %d rows" % (r, g.rows))
        last_number, text = item
        cells = _barred(text, g.columns)
        if cells is None:
            raise _fail(
                last_number,
                "row %d is not %d characters between two bars: %s" % (r, g.columns, quoted(text, _QUOTED)),
            )
        for c, ch in enumerate(cells):
            if not " " <= ch <= "~":
                raise _fail(last_number, "byte 0x%02x is not a screen character (0x20 to 0x7e)" % ord(ch), c + 1)
        g.text[r] = cells
    block = None
    seen = set()
    last_row = -1
    for number, text in lines:
        if not text:
            continue
        if text in ("attributes", "masks"):
            if text in seen:
                raise _fail(number, 'a second "%s" block' % text)
            seen.add(text)
            block = text
            last_row = -1
            continue
        if block is None:
            raise _fail(number, 'expected "attributes" or "masks" after the rows, found ' + quoted(text, _QUOTED))
        last_row = _block_row(number, text, block, last_row, g)
    return g


def golden_text(g):
    """The file's text; parse_golden reads it back as the same golden."""
    out = [c + "\n" for c in g.comments]
    out.append("screen %dx%d cursor %d %d\n" % (g.columns, g.rows, g.cursor[0], g.cursor[1]))
    out += ["|%s|\n" % row for row in g.text]
    width = len(str(max(g.rows - 1, 0)))
    for name, cells, letter in (
        ("attributes", g.attributes, attribute_letter),
        ("masks", g.masks, lambda m: "*" if m else " "),
    ):
        named = False
        for r, row in enumerate(cells):
            if not any(row):
                continue
            if not named:
                out.append(name + "\n")
                named = True
            out.append("%*d |%s|\n" % (width, r, "".join(letter(v) for v in row)))
    return "".join(out)


def read_golden(path):
    """The Golden in the file at `path`, or None when there is none."""
    try:
        with open(path, "rb") as f:
            content = f.read(MAX_FILE + 1)
    except FileNotFoundError:
        return None
    if len(content) > MAX_FILE:
        raise GoldenError("%s: larger than %d MiB" % (path, MAX_FILE >> 20))
    try:
        return parse_golden(content)
    except GoldenError as e:
        raise GoldenError("%s: %s" % (path, e)) from None


def write_golden(path, golden):
    """Writes the golden beside the file, then over it, so a failed write
    leaves the old one whole."""
    temporary = "%s.tmp%d" % (path, os.getpid())
    with open(temporary, "wb") as f:
        f.write(golden_text(golden).encode("latin-1"))
    os.replace(temporary, path)


class Comparison:
    SAME, TEXT, ATTRIBUTE = 0, 1, 2

    def __init__(self):
        self.size_differs = False
        self.text_cells = 0
        self.attribute_cells = 0
        self.cursor_differs = False
        self.cells = []

    @property
    def matches(self):
        return not (self.size_differs or self.text_cells or self.attribute_cells or self.cursor_differs)


def compare(golden, screen):
    """Compares every cell no mask covers, and the cursor."""
    result = Comparison()
    if golden.columns != screen.columns or golden.rows != len(screen.rows):
        result.size_differs = True
        return result
    for r in range(golden.rows):
        marks = []
        for c in range(golden.columns):
            mark = Comparison.SAME
            if not golden.masks[r][c]:
                if golden.text[r][c] != screen.rows[r][c]:
                    mark = Comparison.TEXT
                    result.text_cells += 1
                elif golden.attributes[r][c] != screen.attributes[r][c]:
                    mark = Comparison.ATTRIBUTE
                    result.attribute_cells += 1
            marks.append(mark)
        result.cells.append(marks)
    result.cursor_differs = tuple(golden.cursor) != tuple(screen.cursor)
    return result


def summary(golden, screen, comparison):
    if comparison.size_differs:
        return "the golden screen is %dx%d, the window %dx%d" % (golden.columns, golden.rows, screen.columns, len(screen.rows))
    if comparison.matches:
        return "the window matches the golden screen"
    parts = []
    if comparison.text_cells:
        n = comparison.text_cells
        parts.append("%d %s" % (n, "cell of text" if n == 1 else "cells of text"))
    if comparison.attribute_cells:
        n = comparison.attribute_cells
        parts.append("%d %s" % (n, "cell's attribute" if n == 1 else "cells' attributes"))
    if comparison.cursor_differs:
        parts.append("the cursor (%d %d, not %d %d)" % (tuple(screen.cursor) + tuple(golden.cursor)))
    return "the window differs from the golden screen: " + ", ".join(parts)


def diff_text(golden, screen, comparison):
    """The summary, then expected and actual side by side; under a row that
    differs its attributes where those differ and a line marking each
    differing cell ('^' its character, '~' only its attribute)."""
    out = summary(golden, screen, comparison) + "\n"
    if comparison.size_differs or comparison.matches:
        return out
    width = len(str(golden.rows - 1))
    blank = " " * (width + 1)
    gap = "   "

    def pair(label, left, right):
        return "%s|%s|%s|%s|\n" % (label, left, gap, right)

    heading = (blank + " expected").ljust(width + 1 + golden.columns + 2 + len(gap))
    out += heading + " actual\n"
    for r in range(golden.rows):
        out += pair("%*d " % (width, r), golden.text[r], screen.rows[r])
        marks = "".join(" ^~"[m] for m in comparison.cells[r])
        if Comparison.ATTRIBUTE in comparison.cells[r]:
            out += pair(
                " " * (width - 1) + "a ",
                "".join(attribute_letter(v) for v in golden.attributes[r]),
                "".join(attribute_letter(v) for v in screen.attributes[r]),
            )
        if marks.strip():
            out += pair(blank, marks, marks)
    return out


__all__ = [
    "Golden",
    "GoldenError",
    "Comparison",
    "parse_golden",
    "golden_text",
    "read_golden",
    "write_golden",
    "compare",
    "diff_text",
    "summary",
    "attribute_letter",
    "Screen",
]
