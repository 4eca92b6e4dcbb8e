#!/usr/bin/env python3
"""The release command behind scripts/release.sh (ostrivane_release/ holds
it, step by step)."""

import sys

from ostrivane_release.cli import main

if __name__ == '__main__':
    sys.exit(main(sys.argv))
