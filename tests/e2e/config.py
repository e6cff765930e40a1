"""What the end-to-end tests know of the build they test: the test configuration that the
configure step writes (test_config.json in the build's tests/), named by QN_TEST_CONFIG. To run a
module by hand: QN_TEST_CONFIG=build/native/tests/test_config.json python3 -m unittest test_dump"""
import json
import os
from pathlib import Path

try:
    _CONFIG = json.loads(Path(os.environ["QN_TEST_CONFIG"]).read_text(encoding="utf-8"))
except KeyError:
    raise SystemExit("QN_TEST_CONFIG names no test configuration: run the tests with ctest, or "
                     "set it to build/<preset>/tests/test_config.json") from None

WINDOWS = _CONFIG["platform"] == "windows"
SANITIZED = _CONFIG["sanitized"]
VERSION = _CONFIG["version"]
SOURCE_DIR = Path(_CONFIG["source_dir"])
BUILD_DIR = Path(_CONFIG["build_dir"])
PROGRAMS_DIR = Path(_CONFIG["programs_dir"])
TEST_LAUNCHERS_DIR = Path(_CONFIG["test_launchers_dir"])
# The deliverables, for the tests that walk every one; each test names the launcher it uses.
DELIVERABLES = _CONFIG["deliverable_names"]
EXE = _CONFIG["exe_suffix"]
STRIP, OBJDUMP = _CONFIG["strip"], _CONFIG["objdump"]
CMAKE, CPACK = _CONFIG["cmake"], _CONFIG["cpack"]
GENERATOR, TOOLCHAIN_FILE = _CONFIG["generator"], _CONFIG["toolchain_file"]
WINE, WINESERVER, WINEPREFIX = _CONFIG["wine"], _CONFIG["wineserver"], _CONFIG["wineprefix"]
