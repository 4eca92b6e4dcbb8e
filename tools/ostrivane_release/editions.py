"""The editions of the program: one table. The release reads it here;
tools/editions.py writes CMakePresets.json and scripts/editions.txt (for
the shell scripts that start Wine) from it."""

from dataclasses import dataclass


@dataclass(frozen=True)
class Edition:
    arch: str        # the toolchain's and Wine's name: i686, x86_64
    bits: str        # 32-bit, 64-bit
    triplet: str     # the MinGW-w64 toolchain's prefix
    compiler_package: str  # Debian's packages of that toolchain
    binutils_package: str
    suffix: str      # the published file name's end: <name>-32bit.exe
    wine_arch: str   # the kind of Wine prefix it runs in
    wine_loader: str  # Debian's Wine loader for it; Debian's `wine` always picks the 32-bit one
    wine_package: str

    @property
    def name(self) -> str:
        return 'the %s edition (%s)' % (self.bits, self.arch)

    @property
    def preset(self) -> str:
        """The release's configure preset (CMakePresets.json)."""
        return 'mingw-%s-release' % self.arch

    def file(self, base: str) -> str:
        """The name it is published under, for the release's base name."""
        return '%s-%s.exe' % (base, self.suffix)


EDITIONS = (
    Edition('i686', '32-bit', 'i686-w64-mingw32', 'g++-mingw-w64-i686', 'binutils-mingw-w64-i686', '32bit',
            'win32', '/usr/lib/wine/wine', 'wine32:i386'),
    Edition('x86_64', '64-bit', 'x86_64-w64-mingw32', 'g++-mingw-w64-x86-64-posix', 'binutils-mingw-w64-x86-64',
            '64bit', 'win64', '/usr/lib/wine/wine64', 'wine64'),
)
ARCHES = tuple(edition.arch for edition in EDITIONS)


def edition(arch: str) -> Edition:
    return next(each for each in EDITIONS if each.arch == arch)
