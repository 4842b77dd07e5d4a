"""Durations as a script writes them: "500" and "500ms" are milliseconds,
"5s" and "1.5s" seconds. The same words, and the same errors, as marlsim's
own reader."""

from .quoting import quoted

MAX_DURATION_MS = 24 * 3600 * 1000


class DurationError(ValueError):
    pass


def _bad(word, why=None):
    if why is None:
        return DurationError("bad duration %s (write 500, 500ms, 5s or 1.5s)" % quoted(word, 40))
    return DurationError("duration %s%s" % (quoted(word, 40), why))


def parse_duration(word):
    """Milliseconds for `word` (str, in Latin-1 for odd bytes); raises
    DurationError with marlsim's message."""
    i = 0
    whole = 0
    while i < len(word) and "0" <= word[i] <= "9":
        if whole <= MAX_DURATION_MS:
            whole = whole * 10 + ord(word[i]) - 48
        i += 1
    if i == 0:
        raise _bad(word)
    thousandths = 0
    finer = False
    fraction = False
    if i < len(word) and word[i] == ".":
        fraction = True
        digits = 0
        i += 1
        while i < len(word) and "0" <= word[i] <= "9":
            if digits < 3:
                thousandths = thousandths * 10 + ord(word[i]) - 48
            elif word[i] != "0":
                finer = True
            i += 1
            digits += 1
        if digits == 0:
            raise _bad(word)
        thousandths *= 10 ** max(0, 3 - digits)
    unit = "".join(chr(ord(c) + 32) if "A" <= c <= "Z" else c for c in word[i:])
    if unit == "s":
        if finer:
            raise _bad(word, " is finer than a millisecond")
        value = whole * 1000 + thousandths
    elif unit in ("", "ms") and not fraction:
        value = whole
    else:
        raise _bad(word)
    if value > MAX_DURATION_MS:
        raise _bad(word, " is longer than 24 hours")
    return value


def to_ms(timeout):
    """A time limit as milliseconds: a number is seconds, as everywhere in
    Python; a str is a duration in the script's words ("500ms", "5s")."""
    if isinstance(timeout, str):
        return parse_duration(timeout)
    if isinstance(timeout, bool) or not isinstance(timeout, (int, float)) or timeout != timeout:
        raise DurationError("a time limit is seconds or a duration such as \"500ms\", not %r" % (timeout,))
    return max(0, min(MAX_DURATION_MS, int(round(timeout * 1000))))


def format_duration(ms):
    """The shortest words parse_duration reads back as `ms`."""
    ms = max(0, int(ms))
    if ms < 1000:
        return "%dms" % ms
    rest = ms % 1000
    if rest == 0:
        return "%ds" % (ms // 1000)
    return ("%d.%03d" % (ms // 1000, rest)).rstrip("0") + "s"
