"""Shared fixtures: the gxrm tool's sample building, loaded once."""

import os
import subprocess

import pytest

import gxrm


@pytest.fixture(scope="session")
def sample_path(tmp_path_factory):
    path = tmp_path_factory.mktemp("sample") / "building.gxrm"
    subprocess.run([os.environ["GXRM_TOOL"], "sample", str(path)], check=True, capture_output=True)
    return path


@pytest.fixture(scope="session")
def sample(sample_path):
    return gxrm.load(sample_path)


@pytest.fixture
def writer():
    """A writer with floor information and one floor "F1"."""
    w = gxrm.Writer({"ProjName": "测试"})
    w.add_floor_info({"FloorCount": "1"})
    w.add_floor("F1")
    return w
