"""The Python reader of golden files and durations against the same cases
as marlsim's own (tests/goldens), and the Screen read from `screen` and
`attrs` answers."""

import os

import pytest

from marlsim import golden
from marlsim.duration import DurationError, format_duration, parse_duration, to_ms
from marlsim.screen import Screen


def _names(folder, extension):
    return sorted(n[: -len(extension)] for n in os.listdir(folder) if n.endswith(extension))


def _read(path):
    with open(path, "rb") as f:
        return f.read().decode("latin-1")


def test_parse_cases_read_as_expected(goldens_dir):
    folder = os.path.join(goldens_dir, "parse")
    names = _names(folder, ".golden")
    assert len(names) >= 20
    for name in names:
        try:
            got = golden.golden_text(golden.parse_golden(_read(os.path.join(folder, name + ".golden"))))
        except golden.GoldenError as e:
            got = "error: %s\n" % e
        assert got == _read(os.path.join(folder, name + ".expected")), name


def test_compare_cases_give_their_diffs(goldens_dir):
    folder = os.path.join(goldens_dir, "compare")
    names = _names(folder, ".golden")
    assert len(names) >= 6
    for name in names:
        g = golden.parse_golden(_read(os.path.join(folder, name + ".golden")))
        screen = Screen.from_dump(_read(os.path.join(folder, name + ".screen")))
        got = golden.diff_text(g, screen, golden.compare(g, screen))
        assert got == _read(os.path.join(folder, name + ".expected")), name


def test_durations_table(goldens_dir):
    rows = 0
    for line in _read(os.path.join(goldens_dir, "durations.txt")).split("\n"):
        if not line or line.startswith("#"):
            continue
        word, expected = line.split("\t", 1)
        word = word.encode("latin-1").decode("unicode_escape") if "\\x" in word else word
        try:
            got = str(parse_duration(word))
        except DurationError as e:
            got = "error: %s" % e
        assert got == expected, word
        rows += 1
    assert rows >= 30


@pytest.mark.parametrize(
    "timeout, ms",
    [(5, 5000), (0.25, 250), ("250ms", 250), ("1.5s", 1500), ("250", 250), (0, 0), (-1, 0)],
)
def test_time_limits_are_seconds_or_words(timeout, ms):
    assert to_ms(timeout) == ms


@pytest.mark.parametrize("bad", ["5x", "1.5", None, True, float("nan")])
def test_bad_time_limits_say_so(bad):
    with pytest.raises(DurationError):
        to_ms(bad)


def test_formatted_durations_read_back():
    for ms in (0, 1, 999, 1000, 1500, 1050, 61001, 86400000):
        assert parse_duration(format_duration(ms)) == ms


def test_a_row_reading_ok_is_a_row():
    dump = "screen 2 2 1 0\nok\n..\nattrs 2 2 1 0\n10\n0f"
    s = Screen.from_dump(dump)
    assert s.rows == ["ok", ".."]
    assert s.cursor == (1, 0)
    assert s.attributes == [[1, 0], [0, 15]]
    assert "ok" in s and s.find("..") == (1, 0)


def test_update_keeps_comments_and_masks_that_fit():
    previous = golden.parse_golden("# why\nscreen 3x2 cursor 0 0\n|abc|\n|def|\nmasks\n0 |  *|\n1 |*  |\n")
    cases = [
        (Screen(["xyz", "uvw"], (1, 2), [[0, 0, 0], [0, 1, 0]]),
         "# why\nscreen 3x2 cursor 1 2\n|xyz|\n|uvw|\nattributes\n1 | r |\nmasks\n0 |  *|\n1 |*  |\n"),
        (Screen(["xy", "uv"]), "# why\nscreen 2x2 cursor 0 0\n|xy|\n|uv|\nmasks\n1 |* |\n"),
        (Screen(["a\x01\xff", "   "]), "# why\nscreen 3x2 cursor 0 0\n|a..|\n|   |\nmasks\n0 |  *|\n1 |*  |\n"),
    ]
    for screen, text in cases:
        updated = golden.Golden.from_screen(screen, previous)
        assert golden.golden_text(updated) == text
        assert golden.golden_text(golden.parse_golden(text)) == text


def test_write_then_read_a_file(tmp_path):
    path = str(tmp_path / "a.golden")
    assert golden.read_golden(path) is None
    g = golden.Golden.from_screen(Screen(["ab", "cd"], (1, 1), [[8, 0], [0, 2]]))
    golden.write_golden(path, g)
    back = golden.read_golden(path)
    assert golden.compare(back, Screen(["ab", "cd"], (1, 1), [[8, 0], [0, 2]])).matches
    with open(path, "a") as f:
        f.write("junk\n")
    with pytest.raises(golden.GoldenError, match=r"a\.golden: line 7: expected"):
        golden.read_golden(path)
