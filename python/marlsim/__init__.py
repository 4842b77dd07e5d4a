"""marlsim's Python client: drive the simulated terminal from a test.

    from marlsim import Terminal

    with Terminal(demo=True) as t:
        t.wait_text("User:")
        t.type("ann"); t.key("Tab"); t.type("demo"); t.key("Enter")
        t.expect_text("Receive goods")
        t.expect_screen("goldens/menu.golden")

Standard library only. docs/testing.md describes the golden files and the
pytest plugin (pytest -p marlsim.pytest_plugin).
"""

from .duration import DurationError, format_duration, parse_duration
from .golden import Golden, GoldenError, compare, diff_text, golden_text, parse_golden, read_golden, write_golden
from .screen import BOLD, REVERSE, UNDERLINE, Screen
from .terminal import CommandError, ExpectationError, MarlsimError, StartError, Terminal, find_binary

__all__ = [
    "Terminal", "Screen", "Golden",
    "MarlsimError", "StartError", "CommandError", "ExpectationError", "GoldenError", "DurationError",
    "parse_golden", "golden_text", "read_golden", "write_golden", "compare", "diff_text",
    "parse_duration", "format_duration", "find_binary",
    "REVERSE", "UNDERLINE", "BOLD",
]
