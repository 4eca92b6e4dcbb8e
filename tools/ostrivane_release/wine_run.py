"""Each file that ships run once under Wine, as a visitor would start it,
in a throwaway session of its own; the screenshots of its message box and
window are kept for the release."""

import shutil
from collections.abc import Iterator
from pathlib import Path

from PIL import Image
from ostrivane_site.file_names import SHORTCUT_EXTENSION
from ostrivane_site.processes import run_bounded

from .context import Built, Context, Step
from .errors import WineError

WINE_SESSION = 'scripts/wine-session.sh'
# Starting a Wine session, and one run of the program in it, take seconds;
# these only bound a session that hangs.
WINE_START_SECONDS = 180
WINE_RUN_SECONDS = 120
SCREENSHOTS = ('messagebox', 'form1')


def _said(outcome: tuple[int, str] | None, seconds: int) -> str:
    if outcome is None:
        return 'it did not end within %d s' % seconds
    return ' / '.join(line.strip() for line in outcome[1].splitlines()[-3:] if line.strip()) or \
        'exit code %d' % outcome[0]


def run_once(context: Context, each: Built) -> list[Path]:
    """Runs the file that ships in a session of its own: the driver checks its
    message box, its window and the shortcut it writes against the program's
    own texts and bytes, and this that the desktop holds that one shortcut.
    Returns the screenshots of the box and the window, as PNG."""
    site, script = context.the_site, str(context.source / WINE_SESSION)
    session = each.folder / 'wine-run'
    run = session / 'run'
    run.mkdir(parents=True)
    screenshots = each.folder / 'screenshots'
    screenshots.mkdir()
    shutil.copyfile(each.shipped, run / 'Ostrivane.exe')  # the same bytes
    shutil.copyfile(each.folder / 'release_run.exe', run / 'release_run.exe')
    what = 'one run of %s under Wine' % each.edition.name
    try:
        started = run_bounded([script, 'start', session, '--edition', each.edition.arch], WINE_START_SECONDS)
        if not started or started[0]:
            raise WineError('%s: the Wine session did not start: %s.' % (what, _said(started, WINE_START_SECONDS)))
        # The driver saves the screenshots into a folder it is given by its Windows name.
        named = run_bounded([script, 'exec', session, 'winepath', '-w', screenshots], WINE_START_SECONDS)
        windows_name = named[1].strip().splitlines()[-1] if named and not named[0] and named[1].strip() else ''
        outcome = run_bounded(['env', 'OSTRIVANE_SCREENSHOTS=' + windows_name, script, 'exec', session,
                               run / 'release_run.exe'], WINE_RUN_SECONDS)
        if outcome is None:
            raise WineError('%s did not end within %d s.' % (what, WINE_RUN_SECONDS))
        faults = [line[6:] for line in outcome[1].splitlines() if line.startswith('fault=')]
        if outcome[0] and not faults:
            faults.append('the driver ended with exit code %d' % outcome[0])
        shortcuts = [s.name for s in session.glob('prefix/drive_c/users/*/Desktop/*' + SHORTCUT_EXTENSION)]
        if shortcuts != [site.host.unicode + SHORTCUT_EXTENSION]:
            faults.append('the desktop holds %s, not %s%s' % (shortcuts or 'no shortcut', site.host.unicode,
                                                              SHORTCUT_EXTENSION))
        if faults:
            raise WineError('in %s: %s.' % (what, '; '.join(faults)))
    finally:
        run_bounded([script, 'stop', session], WINE_START_SECONDS)
    kept = []
    for name in SCREENSHOTS:
        bitmap = screenshots / (name + '.bmp')
        if bitmap.exists():
            with Image.open(bitmap) as image:
                image.save(screenshots / (name + '.png'))
            bitmap.unlink()
            kept.append(screenshots / (name + '.png'))
    return kept


def run(context: Context) -> Iterator[str]:
    for each in context.builds:
        arch = each.edition.arch
        if arch in context.unrun:
            each.run = ('not run: Wine could not run the %s edition on the machine that built it (released '
                        'with --unchecked %s)' % (each.edition.bits, arch))
            context.notes.append('%s was published without having been run: %s'
                                 % (each.edition.name, context.unrun[arch]))
            yield 'did not run %s: Wine cannot run it here (--unchecked %s)' % (each.edition.name, arch)
            continue
        each.screenshots = run_once(context, each)
        each.ran = True
        each.run = 'run once under Wine: the shortcut, the message box and the window'
        yield 'ran %s once under Wine: the shortcut, the message box and the window' % each.edition.name


STEP = Step('run', run)
