"""pytest plugin: a `marlsim_terminal` fixture, a started Terminal per test,
and the screen attached to a failed test's report.

    pytest -p marlsim.pytest_plugin --marlsim-demo

or `pytest_plugins = ["marlsim.pytest_plugin"]` in a conftest.py. A test
may choose its own terminal with a marker:

    @pytest.mark.marlsim(demo=True, size="20x16")
    def test_sign_in(marlsim_terminal): ...
"""

import pytest

from .terminal import MarlsimError, Terminal

_TERMINALS = "_marlsim_terminals"


def pytest_addoption(parser):
    group = parser.getgroup("marlsim")
    group.addoption("--marlsim", dest="marlsim_binary", default=None,
                    help="the marlsim binary (default: $MARLSIM, then PATH)")
    group.addoption("--marlsim-host", default=None, help="the host's address")
    group.addoption("--marlsim-port", type=int, default=None, help="the host's port")
    group.addoption("--marlsim-demo", action="store_true", default=False,
                    help="connect every terminal to its own demo host (--demo)")
    group.addoption("--marlsim-size", default="20x16", help="the screen size, COLSxROWS")
    group.addoption("--marlsim-timeout", default=None,
                    help="the default time limit of waits and expects (5s)")
    group.addoption("--update-goldens", action="store_true", default=False,
                    help="expect_screen writes the window into its golden file instead of failing")


def pytest_configure(config):
    config.addinivalue_line(
        "markers", "marlsim(**options): Terminal options for the marlsim_terminal fixture (demo=True, ...)")


def _options(request):
    config = request.config
    options = {
        "binary": config.getoption("marlsim_binary"),
        "host": config.getoption("marlsim_host"),
        "port": config.getoption("marlsim_port"),
        "demo": config.getoption("marlsim_demo"),
        "size": config.getoption("marlsim_size"),
        "update_goldens": config.getoption("update_goldens") or None,
    }
    timeout = config.getoption("marlsim_timeout")
    if timeout is not None:
        options["timeout"] = timeout
    for marker in reversed(list(request.node.iter_markers("marlsim"))):
        options.update(marker.kwargs)
    return options


@pytest.fixture
def marlsim_terminal_factory(request):
    """Starts Terminals with the session's options (overridden by keyword);
    each is closed when the test ends and shown if it fails."""
    started = []
    setattr(request.node, _TERMINALS, started)

    def start(**overrides):
        options = _options(request)
        options.update(overrides)
        terminal = Terminal(**options).start()
        started.append(terminal)
        return terminal

    yield start
    for terminal in started:
        terminal.close()


@pytest.fixture
def marlsim_terminal(marlsim_terminal_factory):
    """A started Terminal, closed after the test."""
    return marlsim_terminal_factory()


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    outcome = yield
    report = outcome.get_result()
    if report.when != "call" or not report.failed:
        return
    for number, terminal in enumerate(getattr(item, _TERMINALS, []), 1):
        if not terminal.running:
            text = "marlsim has ended\n" + terminal.stderr_text()
        else:
            try:
                text = terminal.report()
            except MarlsimError as e:
                text = "the screen could not be read: %s\n" % e
        name = "marlsim terminal %d" % number
        # In the failure's own text, so that a JUnit report has it too.
        if hasattr(report.longrepr, "addsection"):
            report.longrepr.addsection(name, text.rstrip("\n"))
        else:
            report.sections.append((name, text))
