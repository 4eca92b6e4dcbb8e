#!/usr/bin/env python3
"""Signing for a release preset's build (cmake/Release.cmake), on the same
rules as scripts/release.sh.

Usage: sign.py check CERT KEY MODULE [TIMESTAMP...]
       sign.py sign EXE SIGNED_EXE CERT KEY MODULE [TIMESTAMP...]

CERT, KEY, MODULE and the TIMESTAMP servers are SIGN_CERT, SIGN_KEY,
SIGN_PKCS11_MODULE and SIGN_TIMESTAMP_URL as given; KEY and MODULE may be
empty. The password or PIN comes from OSTRIVANE_SIGN_PASSWORD. `check`
prints what the build signs with, and each warning on standard error;
`sign` checks again (the build's environment may differ from configure's)
and signs EXE into SIGNED_EXE. What is wrong is said on one line, with exit
code 1.
"""

import os
import sys
from pathlib import Path

import ostrivane_site
from ostrivane_site import site_file

# The site file's names for the options, in the messages of its rules.
OPTIONS = {'signing.certificate': 'SIGN_CERT', 'signing.key': 'SIGN_KEY',
           'signing.pkcs11_module': 'SIGN_PKCS11_MODULE', 'signing.timestamp': 'SIGN_TIMESTAMP_URL'}


def signing_options(certificate: str, key: str, module: str, timestamps: list[str]) -> ostrivane_site.Signing:
    """The options as a Signing, shaped by the site file's own rules."""
    table = {'certificate': certificate, 'key': key, 'pkcs11_module': module, 'timestamp': timestamps}
    try:
        return site_file.signing_from_table(Path.cwd() / 'options', {k: v for k, v in table.items() if v})
    except ostrivane_site.SiteError as error:
        message = str(error)
        for name, option in OPTIONS.items():
            message = message.replace(name, option)
        raise ostrivane_site.SiteError(message) from None


def main(argv):
    command, arguments = (argv[1], argv[2:]) if len(argv) > 1 else ('', [])
    places = {'check': 0, 'sign': 2}
    if command not in places or len(arguments) < places[command] + 3:
        sys.exit(__doc__.split('\n\n')[1])
    first = places[command]
    password = os.environ.get(ostrivane_site.signing.PASSWORD_VARIABLE) or None
    try:
        certificate, key, module = arguments[first:first + 3]
        wanted = signing_options(certificate, key, module, list(arguments[first + 3:]))
        signer = ostrivane_site.check_signing(wanted, password)
        if command == 'sign':
            server = ostrivane_site.sign(arguments[0], arguments[1], wanted, signer, password)
            print('Signed %s with "%s"%s' % (arguments[0], signer.subject,
                                              ', timestamped by ' + server if server else ''))
            return
    except ostrivane_site.SiteError as error:
        sys.exit(str(error))
    print('signed with "%s" (issued by "%s", valid until %s)'
          % (signer.subject, signer.issuer, signer.not_after.strftime('%Y-%m-%d')))
    for warning in signer.warnings:
        print(warning, file=sys.stderr)


if __name__ == '__main__':
    main(sys.argv)
