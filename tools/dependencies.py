#!/usr/bin/env python3
"""The Python libraries the tooling needs, as pyproject.toml lists them.

Usage: dependencies.py modules|debian|check [GROUP...]

  modules   the modules to import, one a line
  debian    the Debian packages that hold them, one a line
  check     exits 1, naming what is missing, unless this Python is 3.11 or
            later and can import every one of them

GROUP adds an optional group of pyproject.toml (tokens, lint). Uses the
standard library only, so it runs before anything is installed.
"""

import importlib
import sys
from pathlib import Path

if sys.version_info < (3, 11):
    sys.exit('Python %d.%d is too old: the tooling needs 3.11 or later' % sys.version_info[:2])

import tomllib  # noqa: E402  (3.11 and later)

PYPROJECT = Path(__file__).resolve().parent / 'pyproject.toml'


def modules(groups: list[str]) -> list[str]:
    """The import names of the libraries, the required ones and `groups`'."""
    with open(PYPROJECT, 'rb') as f:
        project = tomllib.load(f)
    optional = project['project']['optional-dependencies']
    unknown = [group for group in groups if group not in optional]
    if unknown:
        raise SystemExit('dependencies.py: no group %s in %s (there are: %s)'
                         % (', '.join(unknown), PYPROJECT, ', '.join(optional)))
    names = list(project['project']['dependencies'])
    for group in groups:
        names += optional[group]
    import_names = project['tool']['ostrivane']['import-names']
    return [import_names.get(name, name) for name in names]


def main(argv: list[str]) -> int:
    if len(argv) < 2 or argv[1] not in ('modules', 'debian', 'check'):
        sys.exit(__doc__.split('\n\n')[1])
    wanted = modules(argv[2:])
    if argv[1] == 'modules':
        print('\n'.join(wanted))
    elif argv[1] == 'debian':
        print('\n'.join('python3-' + module.lower() for module in wanted))
    else:
        missing = []
        for module in wanted:
            try:
                importlib.import_module(module)
            except ImportError:
                missing.append(module)
        if missing:
            print('%s lacks %s' % (sys.executable, ', '.join(missing)), file=sys.stderr)
            return 1
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
