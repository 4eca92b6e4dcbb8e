"""What stops a release, each kind by its own type; str() is always one line
that says what is wrong and what to do, never a password or PIN."""


class ReleaseError(Exception):
    """A release, check or verification that cannot go on."""


class MissingTool(ReleaseError):
    """A program the release calls is not installed."""


class SourceError(ReleaseError):
    """The checkout cannot make a release that can be verified."""


class BuildError(ReleaseError):
    """An edition did not configure or build."""


class CheckError(ReleaseError):
    """A built file is not what the site file says."""


class WineError(ReleaseError):
    """Wine could not run an edition, or its run went wrong."""


class Busy(ReleaseError):
    """Another release or verification of the same site is running."""


class ManifestError(ReleaseError):
    """release.json cannot be read as a release's record."""


class NotVerified(ReleaseError):
    """A release does not verify against its source; one line per fault."""

    def __init__(self, faults: list[str]) -> None:
        super().__init__('; '.join(faults))
        self.faults = faults
