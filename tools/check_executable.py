#!/usr/bin/env python3
"""Whether a built executable is fit to ship: the check every build makes
(ostrivane_site/executable.py says what it checks).

Usage: check_executable.py EXE --min-windows MAJOR.MINOR
           [--icon GROUP_ID IMAGE_ID IMAGE_BYTES IMAGE_FILE --version NUMBERS TEXT]
"""

import sys

from ostrivane_site import executable

if __name__ == '__main__':
    executable.main(sys.argv)
