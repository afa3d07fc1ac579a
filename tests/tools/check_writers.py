#!/usr/bin/env python3
"""Self-test of the project's own format writers (tools/formats)."""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools", "formats"))

import packedxml  # noqa: E402
import primitives  # noqa: E402

if __name__ == "__main__":
    packedxml.selftest()
    primitives.selftest()
    print("writers ok")
