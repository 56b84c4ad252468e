"""A seeded soak of real input (soak.py): every command a person reaches, one after
another, with the program alive, repainting and showing only the boxes expected after
each step, albums read back with their comments, and memory, descriptors and threads
flat over the second half. FOLIVEX_SOAK_STEPS and FOLIVEX_SOAK_SEED size the run."""

import json
import os
import unittest

import soak


class Soak(unittest.TestCase):
    def test_a_seeded_run_of_real_input(self):
        steps = int(os.environ.get("FOLIVEX_SOAK_STEPS", "300"))
        seed = int(os.environ.get("FOLIVEX_SOAK_SEED", "1"))
        run = soak.Soak(seed, steps)
        try:
            run.run()
        except soak.Failure as e:
            run.stop()
            self.fail(str(e))
        rc = run.stop()
        print("\nsoak: " + json.dumps(run.report(), ensure_ascii=False))
        self.assertEqual(rc, 0, "exit status at the close\n" + run.final_log[-4000:])


if __name__ == "__main__":
    unittest.main()
