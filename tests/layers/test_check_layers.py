#!/usr/bin/env python3
"""The layer check finds exactly the wrong includes planted in fixtures/
(and passes the right ones beside them)."""
import os
import subprocess
import sys

here = os.path.dirname(os.path.abspath(__file__))
out = subprocess.run([sys.executable, os.path.join(here, "check_layers.py"),
                      os.path.join(here, "fixtures")], capture_output=True, text=True)
with open(os.path.join(here, "fixtures", "expected.txt")) as f:
    expected = f.read()
if out.returncode != 1 or out.stdout != expected:
    sys.stdout.write("exit %d, output:\n%s\nexpected:\n%s" % (out.returncode, out.stdout, expected))
    sys.exit(1)
print("the planted faults are found, and nothing else")
