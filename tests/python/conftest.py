"""The Python client's own tests. CI must see them run: a session that
collects nothing or skips a test fails instead of passing quietly."""

import os
import sys

import pytest

HERE = os.path.dirname(os.path.abspath(__file__))
# Usable from the source tree without installing.
sys.path.insert(0, os.path.join(HERE, "..", "..", "python"))

pytest_plugins = ["marlsim.pytest_plugin", "pytester"]

_skipped = []


def pytest_runtest_logreport(report):
    if report.skipped:
        _skipped.append(report.nodeid)


def pytest_sessionfinish(session, exitstatus):
    if session.testscollected == 0 or _skipped:
        session.exitstatus = pytest.ExitCode.TESTS_FAILED


@pytest.fixture
def goldens_dir():
    """tests/goldens: the cases the C++ reader checks too."""
    return os.path.join(HERE, "..", "goldens")
