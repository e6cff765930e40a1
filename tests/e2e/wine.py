"""Starts the Wine prefix's server for a test run (`start`) and stops it afterwards (`stop`)."""
import os
import subprocess
import sys
import time

import harness

WINESERVER = os.environ.get("WINESERVER", "/usr/lib/wine/wineserver64")


def start():
    env = harness.wine_environment()
    # The server and the services that wineboot starts outlive this script: they must not hold on
    # to the test driver's output pipes.
    quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # The first start of a new prefix creates it, which takes a few seconds; the server needs
    # its directory to exist.
    began = time.monotonic()
    os.makedirs(env["WINEPREFIX"], exist_ok=True)
    if subprocess.run([WINESERVER, "-p"], env=env, timeout=60, **quiet).returncode != 0:
        # A server of an earlier run still lingers without -p: replace it by a persistent one.
        subprocess.run([WINESERVER, "-k"], env=env, timeout=60, **quiet)
        subprocess.run([WINESERVER, "-w"], env=env, timeout=60, **quiet)
        subprocess.run([WINESERVER, "-p"], env=env, check=True, timeout=60, **quiet)
    subprocess.run(harness.wine_command("wineboot", "--init"), env=env, check=True, timeout=300,
                   **quiet)
    print("wine prefix %s ready in %.1f s" % (env["WINEPREFIX"], time.monotonic() - began))


def stop():
    subprocess.run([WINESERVER, "-k"], env=harness.wine_environment(), timeout=60,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


if __name__ == "__main__":
    {"start": start, "stop": stop}[sys.argv[1]]()
