#!/usr/bin/env python3
"""The editions' table (ostrivane_release/editions.py) for what is not Python.

Usage: editions.py presets    CMakePresets.json as the table makes it
       editions.py shell      scripts/editions.txt: one line an edition,
                              ARCH BITS WINE_ARCH WINE_LOADER WINE_PACKAGE

Both files are written from here (tools/editions.py presets
>CMakePresets.json, tools/editions.py shell >scripts/editions.txt), and a
test holds them to the table: the scripts that start Wine read the table
without starting Python.
"""

import json
import sys
from typing import Any

from ostrivane_release.editions import EDITIONS, Edition

# The test site of the "othersite" presets: a host with an international
# label, a brand in Hangul and a two-colour mark.
OTHER_SITE = {'SITE_HOST': 'WWW.한빛-Books.Example', 'SITE_BRAND': '한빛',
              'SITE_ICON': '${sourceDir}/tests/data/two-colour-mark.png'}


def configure_presets(edition: Edition) -> list[dict[str, Any]]:
    name, windows = 'mingw-' + edition.arch, '%s Windows (MinGW-w64 %s)' % (edition.bits, edition.arch)
    base = {'generator': 'Ninja', 'toolchainFile': '${sourceDir}/cmake/%s.cmake' % name}
    return [
        {'name': name, 'displayName': windows + ', with tests', **base,
         'binaryDir': '${sourceDir}/build/' + name, 'cacheVariables': {'CMAKE_BUILD_TYPE': 'RelWithDebInfo'}},
        {'name': name + '-othersite', 'displayName': windows + ', with tests, for another site: host, brand '
                                                              'and mark of a test site',
         **base, 'binaryDir': '${sourceDir}/build/%s-othersite' % name,
         'cacheVariables': {'CMAKE_BUILD_TYPE': 'RelWithDebInfo', **OTHER_SITE}},
        {'name': edition.preset, 'displayName': '%s Windows release: optimised, stripped; scripts/release.sh '
                                                'publishes' % edition.bits,
         **base, 'binaryDir': '${sourceDir}/build/' + edition.preset,
         'cacheVariables': {'CMAKE_BUILD_TYPE': 'Release', 'BUILD_TESTING': 'OFF'}},
    ]


def presets() -> dict[str, Any]:
    configure = [preset for edition in EDITIONS for preset in configure_presets(edition)]
    tested = [preset['name'] for preset in configure if not preset['name'].endswith('-release')]
    return {
        'version': 3,
        'cmakeMinimumRequired': {'major': 3, 'minor': 21, 'patch': 0},
        'configurePresets': configure,
        'buildPresets': [{'name': preset['name'], 'configurePreset': preset['name']} for preset in configure],
        'testPresets': [{'name': name, 'configurePreset': name, 'output': {'outputOnFailure': True},
                         'execution': {'noTestsAction': 'error'}} for name in tested],
    }


def shell() -> str:
    return '# Written by tools/editions.py shell from the editions\' table: do not edit.\n' + ''.join(
        '%s %s %s %s %s\n' % (each.arch, each.bits.split('-')[0], each.wine_arch, each.wine_loader,
                               each.wine_package) for each in EDITIONS)


def main(argv: list[str]) -> int:
    if argv[1:] == ['presets']:
        print(json.dumps(presets(), ensure_ascii=False, indent=2))
    elif argv[1:] == ['shell']:
        print(shell(), end='')
    else:
        sys.exit(__doc__.split('\n\n')[1])
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
