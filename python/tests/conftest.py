"""What every test of the kelvara module shares: one application and the module."""

import os
import subprocess

import pytest
from PyQt6.QtWidgets import QApplication

import kelvara

# The settings both sides give a control before its picture is taken (PythonPictures.cpp).
VALUE = 30
# Properties set wherever a control has them: a caption, and a fixed time for the clocks.
SETTINGS = {"Caption": "Kv", "Hours": 10, "Minutes": 8, "Seconds": 30}


# The registry and the controls need the application from the start: collection walks it.
APPLICATION = QApplication.instance() or QApplication([])


@pytest.fixture(scope="session")
def app():
    return APPLICATION


def control_classes():
    """Every control class form descriptions can create, as the module has it."""
    return [getattr(kelvara, name) for name in kelvara.RegisteredControlNames()]


@pytest.fixture(scope="session")
def cpp_pictures(tmp_path_factory):
    """The folder of the pictures the C++ library draws of every registered control."""
    folder = tmp_path_factory.mktemp("cpp-pictures")
    subprocess.run([os.environ["KV_PYTHON_PICTURES"], str(folder)], check=True,
                   env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    return folder
