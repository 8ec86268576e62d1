"""Runs the unittest tests named as arguments as ctest should read them:
Failed on any failure, Skipped (status 77, with each reason) where a test
did not run, Passed only where every one ran and passed. For suites whose
checks all need what may be missing (a sysroot): unittest alone counts a
skip as a pass.

    python3 -m tests.every_check NAME..."""
import sys
import unittest

SKIPPED = 77


def main(names):
    suite = unittest.defaultTestLoader.loadTestsFromNames(names)
    result = unittest.TextTestRunner(verbosity=2, stream=sys.stdout).run(suite)
    if not result.wasSuccessful():
        return 1
    if result.skipped:
        for test, reason in result.skipped:
            print(f"skipped: {test.id()}: {reason}")
        return SKIPPED
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
