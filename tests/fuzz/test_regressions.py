"""Plays every input the fuzzer ever caught misbehaving; each must now pass."""
import glob
import os
import unittest

from tests.fuzz.fuzz import REGRESSIONS, verdict

CHARPLAY = os.environ["CHARPLAY"]


class Regressions(unittest.TestCase):
    def test_every_kept_input(self):
        cases = sorted(glob.glob(os.path.join(REGRESSIONS, "seed*")))
        self.assertTrue(cases, "no regression inputs found")
        for case in cases:
            with self.subTest(os.path.basename(case)):
                self.assertIsNone(verdict(CHARPLAY, case))


if __name__ == "__main__":
    unittest.main()
