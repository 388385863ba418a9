#!/usr/bin/env python3
"""Checks that .ci/flakes reads ctest's output as ctest writes it: a test that
failed and then passed on its retry is named, one that failed on both runs or
passed at once is not, and more than one flake in a CI run fails it.

    ci_flakes.py SOURCE_DIR
"""
import os
import subprocess
import sys
import tempfile
import unittest

# What `ctest -j2 --output-on-failure --repeat until-pass:2` printed (ctest
# 3.25) for a test that failed once, one that always fails and one that
# passes, and a parametrized test, named with its parameter, that timed out.
RUN = """\
Test project /build
    Start 1: Flaky
    Start 2: Solid
1/4 Test #2: Solid ............................   Passed    0.03 sec
    Start 3: Broken
2/4 Test #1: Flaky ............................***Failed    0.09 sec
first-failure-output

    Start 1: Flaky
2/4 Test #3: Broken ...........................***Failed    0.07 sec
broken-out

    Start 3: Broken
    Test #1: Flaky ............................   Passed    0.10 sec
    Test #3: Broken ...........................***Failed    0.04 sec
broken-out
    Start 4: Drivers/FileReading.PageDown/Memory  # GetParam() = 4-byte object <02-00 00-00>
4/4 Test #4: Drivers/FileReading.PageDown/Memory  # GetParam() = 4-byte object <02-00 00-00> ...***Timeout 120.01 sec
    Start 4: Drivers/FileReading.PageDown/Memory  # GetParam() = 4-byte object <02-00 00-00>
    Test #4: Drivers/FileReading.PageDown/Memory  # GetParam() = 4-byte object <02-00 00-00> ...   Passed    0.50 sec

67% tests passed, 1 tests failed out of 4

The following tests FAILED:
\t  3 - Broken (Failed)
"""


class Flakes(unittest.TestCase):
    def run_flakes(self, *logs):
        with tempfile.TemporaryDirectory() as directory:
            paths = []
            for number, text in enumerate(logs):
                path = os.path.join(directory, f"run{number}.log")
                with open(path, "w", encoding="utf-8") as log:
                    log.write(text)
                paths.append(path)
            flakes = os.path.join(sys.argv[1], ".ci", "flakes")
            return subprocess.run([sys.executable, flakes, *paths], capture_output=True,
                                  text=True, check=False)

    def test_names_tests_that_passed_on_their_retry_only(self):
        done = self.run_flakes(RUN.replace("Drivers/FileReading.PageDown/Memory  # GetParam() = 4-byte object <02-00 00-00>", "Other"))
        self.assertIn("  Flaky  (the run0 run)", done.stdout)
        self.assertIn("  Other  (the run0 run)", done.stdout)
        self.assertNotIn("Broken", done.stdout)
        self.assertNotIn("Solid", done.stdout)
        self.assertEqual(done.returncode, 1, "two flakes fail the run")

    def test_one_flake_is_named_and_lets_the_run_pass(self):
        one = "\n".join(line for line in RUN.splitlines() if "Flaky" not in line)
        done = self.run_flakes(one)
        self.assertIn("Drivers/FileReading.PageDown/Memory  # GetParam() = 4-byte object "
                      "<02-00 00-00>  (the run0 run)", done.stdout)
        self.assertEqual(done.returncode, 0)

    def test_flakes_of_several_runs_add_up(self):
        one = "\n".join(line for line in RUN.splitlines() if "Flaky" not in line)
        self.assertEqual(self.run_flakes(one, one).returncode, 1)

    def test_a_run_without_retries_names_none(self):
        clean = "1/1 Test #2: Solid ....   Passed    0.03 sec\n"
        done = self.run_flakes(clean)
        self.assertIn("none", done.stdout)
        self.assertEqual(done.returncode, 0)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
