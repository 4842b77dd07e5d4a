"""The window as a test sees it: rows, cursor and attributes."""

REVERSE = 1
UNDERLINE = 2
BOLD = 8


def shown_char(c):
    """A character as `screen` shows it: 0x20 to 0x7E as itself, else '.'."""
    return c if " " <= c <= "~" else "."


class Screen:
    """rows: one str a row, exactly `columns` characters as `screen` prints
    them; attributes: a list of ints a row (1 reverse, 2 underlined, 8 bold);
    cursor: (row, column)."""

    def __init__(self, rows, cursor=(0, 0), attributes=None, columns=None):
        self.columns = columns if columns is not None else (len(rows[0]) if rows else 0)
        self.rows = ["".join(shown_char(c) for c in r[: self.columns]).ljust(self.columns) for r in rows]
        self.cursor = (int(cursor[0]), int(cursor[1]))
        given = list(attributes) if attributes is not None else []
        self.attributes = []
        for r in range(len(self.rows)):
            a = list(given[r]) if r < len(given) else []
            self.attributes.append([(a[c] & 0x0F) if c < len(a) else 0 for c in range(self.columns)])

    @classmethod
    def from_dump(cls, text):
        """A Screen from what `screen` and then `attrs` print (without their
        "ok" lines)."""
        lines = text.split("\n")
        head = lines[0].split()
        if len(head) != 5 or head[0] != "screen":
            raise ValueError("not a screen dump: %r" % lines[0][:80])
        rows, columns, row, column = (int(v) for v in head[1:])
        body = lines[1 : 1 + rows]
        attributes = None
        if len(lines) > 1 + rows and lines[1 + rows].startswith("attrs "):
            attributes = [[int(c, 16) for c in line] for line in lines[2 + rows : 2 + 2 * rows]]
        return cls(body, (row, column), attributes, columns)

    @property
    def size(self):
        """(columns, rows)."""
        return (self.columns, len(self.rows))

    def row(self, index):
        """Row `index` without its trailing blanks."""
        return self.rows[index].rstrip(" ")

    @property
    def text(self):
        return "\n".join(self.rows)

    def __contains__(self, text):
        return any(text in r for r in self.rows)

    def find(self, text):
        """(row, column) of the first place TEXT stands, or None."""
        for r, line in enumerate(self.rows):
            c = line.find(text)
            if c >= 0:
                return (r, c)
        return None

    def attribute(self, row, column):
        return self.attributes[row][column]

    def report(self):
        """The rows numbered between bars and a '^' under the cursor's cell,
        as marlsim's failure reports show them."""
        count = len(self.rows)
        sized = count > 0 and self.columns > 0
        r0, c0 = self.cursor
        shown = sized and 0 <= r0 < count and 0 <= c0 < self.columns
        out = "screen %dx%d, cursor %d %d" % (self.columns if sized else 0, count if sized else 0, r0, c0)
        out += " (off the screen)\n" if sized and not shown else "\n"
        if not sized:
            return out
        width = len(str(count - 1))
        for r, line in enumerate(self.rows):
            out += "%*d |%s|\n" % (width + 1, r, line)
            if shown and r == r0:
                out += " " * (width + 3 + c0) + "^\n"
        return out

    def __str__(self):
        return self.report()

    def __repr__(self):
        return "Screen(%dx%d, cursor=%r)" % (self.columns, len(self.rows), self.cursor)

    def __eq__(self, other):
        return (
            isinstance(other, Screen)
            and (self.rows, self.cursor, self.attributes) == (other.rows, other.cursor, other.attributes)
        )
