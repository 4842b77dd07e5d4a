"""The demo host driven through the Python client, as a host team's own
suite would drive theirs: a real marlsim, started per test by the plugin's
fixture."""

import os
import xml.dom.minidom

import pytest

from marlsim import ExpectationError, StartError, Terminal

pytestmark = pytest.mark.marlsim(demo=True, size="20x16")
GOLDENS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "goldens")
PYTHON_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "python")


@pytest.fixture
def goldens():
    """The path of a golden file beside these tests."""
    return lambda name: os.path.join(GOLDENS, name)


def sign_in(t, name="ann"):
    t.wait_text("User:")
    t.type(name)
    t.key("Tab")
    t.type("demo")
    t.key("Enter")
    t.expect_text("Receive goods")


def test_sign_in_and_receive_by_typing(marlsim_terminal, goldens):
    t = marlsim_terminal
    t.wait_text("Pass:")
    t.expect_screen(goldens("login.golden"))
    t.expect_field("User:", "")
    t.expect_cursor(4, 6)
    sign_in(t)
    t.expect_screen(goldens("menu.golden"))
    t.key("Enter")
    t.expect_text("RECEIVE GOODS")
    t.type("C300")
    t.key("Tab")
    t.type("7")
    t.expect_field("Item:", "C300")
    t.expect_field(1, "7")
    t.key("Enter")
    t.expect_text("+7 C300")
    t.expect_row(1, "+7 C300   ")
    t.expect_screen(goldens("received.golden"))


def test_scan_goes_to_the_item_without_its_stars(marlsim_terminal):
    t = marlsim_terminal
    sign_in(t)
    t.key("Enter")
    t.wait_text("Item:")
    t.scan("*B200*")
    t.expect_field("Item:", "B200", timeout=5)
    assert t.screen().row(4) == "Item: B200"


def test_a_wrong_password_beeps_and_says_so(marlsim_terminal):
    t = marlsim_terminal
    t.wait_text("User:")
    t.events()
    t.type("ann")
    t.key("Tab")
    t.type("nope")
    t.key("Enter")
    t.expect_text("Wrong password")
    t.wait_ready()
    assert "beep 600 400" in t.events()
    # The name stays; the cursor waits in the password's field.
    assert t.state()["form"]["current_field"] == 1
    t.expect_field("User:", "ann")


def test_failures_show_the_screen_and_where(marlsim_terminal, tmp_path):
    t = marlsim_terminal
    t.wait_text("User:")
    with pytest.raises(ExpectationError) as failed:
        t.expect_text("Welcome", timeout="200ms")
    message = str(failed.value)
    assert message.startswith('expect text "Welcome": not shown within 200ms\n')
    assert "  4 |User:               |\n           ^\n" in message
    assert 'field 0 "User:" at 4 6: "          "' in message

    with pytest.raises(ExpectationError, match=r'no field labelled "Qty:" \(labels: "User:", "Pass:"\)'):
        t.expect_field("Qty:", "7")

    wrong = tmp_path / "wrong.golden"
    wrong.write_text(
        "screen 20x3 cursor 4 6\n| MARL WAREHOUSE     |\n|Sign on, any name   |\n|Password: demo      |\n")
    with pytest.raises(ExpectationError, match="the golden screen is 20x3, the window 20x16"):
        t.expect_screen(str(wrong), timeout=0)


def test_a_changed_screen_fails_with_the_diff(marlsim_terminal, goldens, tmp_path):
    t = marlsim_terminal
    t.wait_text("Pass:")
    changed = tmp_path / "login.golden"
    changed.write_text(open(goldens("login.golden")).read().replace("|Sign in, any name   |", "|Sign on, any name   |"))
    with pytest.raises(ExpectationError) as failed:
        t.expect_screen(str(changed), timeout="300ms")
    message = str(failed.value)
    assert "the window differs from the golden screen: 1 cell of text\n" in message
    assert ("\n 1 |Sign on, any name   |   |Sign in, any name   |\n"
            "   |     ^              |   |     ^              |\n") in message


def test_missing_goldens_say_how_to_make_them_and_updates_keep_masks(marlsim_terminal, goldens, tmp_path):
    t = marlsim_terminal
    t.wait_text("Pass:")
    path = tmp_path / "new.golden"
    with pytest.raises(ExpectationError, match="no golden screen .*; run with --update-goldens"):
        t.expect_screen(str(path))
    t.expect_screen(str(path), update=True)
    t.expect_screen(str(path))
    # A person masks the message row; an update after a change keeps it.
    text = path.read_text().replace("cursor 4 6", "cursor 0 0") + "masks\n 1 |*****               |\n"
    path.write_text("# the message changes\n" + text)
    t.expect_screen(str(path), timeout=0, update=True)
    updated = path.read_text()
    assert updated.startswith("# the message changes\nscreen 20x16 cursor 4 6\n")
    assert updated.endswith("masks\n 1 |*****               |\n")


def test_a_bad_start_says_why(tmp_path):
    with pytest.raises(StartError, match="--no-such-option"):
        Terminal(demo=True, args=["--no-such-option"]).start()
    with pytest.raises(StartError, match="cannot run"):
        Terminal(demo=True, binary=str(tmp_path / "none")).start()


def test_a_key_name_cannot_smuggle_a_second_command(marlsim_terminal):
    with pytest.raises(ValueError, match="a command is one line"):
        marlsim_terminal.key("Enter\nquit")
    assert marlsim_terminal.running


def test_the_plugin_attaches_the_screen_to_a_failure(pytester, monkeypatch):
    monkeypatch.setenv("PYTHONPATH", os.pathsep.join([PYTHON_DIR, os.environ.get("PYTHONPATH", "")]))
    pytester.makepyfile(
        """
        import pytest

        @pytest.mark.marlsim(demo=True)
        def test_fails(marlsim_terminal):
            marlsim_terminal.wait_text("User:")
            assert False, "on purpose"
        """)
    result = pytester.runpytest_subprocess("-p", "marlsim.pytest_plugin", "-p", "no:cacheprovider",
                                           "--junitxml=junit.xml")
    result.assert_outcomes(failed=1)
    result.stdout.fnmatch_lines(["*on purpose*", "*marlsim terminal 1*", "*4 |User:               |*"])
    failure = xml.dom.minidom.parse(str(pytester.path / "junit.xml")).getElementsByTagName("failure")[0]
    assert "  4 |User:               |\n           ^\n" in failure.firstChild.data
