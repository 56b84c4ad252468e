"""Runs one file of the end-to-end suite: python3 run.py test_turning [more modules].

Exits 77 (skipped) when there is no Xvfb to run the program on. The other tools the
suite drives the program with are set up with it, so a missing one is a failure."""

import os
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))


def main(modules):
    if not shutil.which("Xvfb"):
        print("e2e: skipped, no Xvfb")
        return 77
    missing = [t for t in ("xdotool", "xprop", "import") if not shutil.which(t)]
    if missing:
        print("e2e: missing tools: %s (scripts/setup.sh installs them)" % " ".join(missing))
        return 1
    if not os.path.isfile(os.path.join(os.environ.get("FOLIVEX_BIN_DIR", ""), "folivex")):
        print("e2e: FOLIVEX_BIN_DIR does not hold the built program")
        return 1
    suite = unittest.defaultTestLoader.loadTestsFromNames(modules)
    start = time.monotonic()
    result = unittest.TextTestRunner(verbosity=2, stream=sys.stdout).run(suite)
    failed = len(result.failures) + len(result.errors) + len(result.unexpectedSuccesses)
    skipped = len(result.skipped)
    passed = result.testsRun - failed - skipped
    print("e2e %s: %.1f s" % (" ".join(modules), time.monotonic() - start))
    print("%d passed, %d failed, %d skipped" % (passed, failed, skipped))
    return 0 if failed == 0 and result.testsRun > 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
