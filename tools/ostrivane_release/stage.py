"""The release, whole, in a staging folder beside dist/<host>/: each
edition under its published name, the screenshots of its run, release.json,
release.txt, and SHA256SUMS of every other file by its path from the
folder. Nothing in it names a file otherwise."""

import hashlib
import shutil
from collections.abc import Iterator
from datetime import datetime, timezone
from pathlib import Path

from ostrivane_site import Signer

from .check import mark_sha256
from .context import DEFAULT_FILE_NAME, Context, Step
from .manifest import Manifest, SignerRecord, SiteRecord, render_text

DATE_FORMAT = '%Y-%m-%d %H:%M:%S UTC'


def file_name(context: Context) -> str:
    """The name both editions are published under, each with its own end."""
    return context.the_site.file_name or DEFAULT_FILE_NAME


def site_record(context: Context) -> SiteRecord:
    site = context.the_site
    return SiteRecord(host=site.host.ascii, host_unicode=site.host.unicode, brand=site.brand,
                      icon='the site\'s mark' if site.icon else 'the default mark', mark_sha256=mark_sha256(site))


def signer_record(signer: Signer, servers: tuple[str, ...]) -> SignerRecord:
    return SignerRecord(subject=signer.subject, issuer=signer.issuer, serial=signer.serial,
                        fingerprint=signer.fingerprint, valid_from=signer.not_before.strftime(DATE_FORMAT),
                        valid_to=signer.not_after.strftime(DATE_FORMAT), trust=signer.trust,
                        timestamp_servers=list(servers), warnings=list(signer.warnings))


def sha256(path: Path) -> str:
    return hashlib.sha256(path.read_bytes()).hexdigest()


def run(context: Context) -> Iterator[str]:
    site = context.the_site
    staging = context.staging = context.dist / ('.%s.new' % site.host.ascii)
    shutil.rmtree(staging, ignore_errors=True)  # what an interrupted release left
    staging.mkdir(parents=True)
    editions = []
    for each in context.builds:
        name = each.edition.file(file_name(context))
        shutil.copyfile(each.shipped, staging / name)
        shots = []
        for shot in each.screenshots:
            kept = Path('screenshots') / ('%s-%s' % (name.removesuffix('.exe'), shot.name))
            (staging / kept).parent.mkdir(exist_ok=True)
            shutil.copyfile(shot, staging / kept)
            shots.append(kept.as_posix())
        editions.append(each.record(name, sha256(staging / name), shots))
    first = context.builds[0]
    signing = site.signing
    manifest = context.manifest = Manifest(
        version=context.the_version.text, date=datetime.now(timezone.utc).strftime(DATE_FORMAT),
        source_commit=context.commit, source_clean=context.clean, site=site_record(context),
        caption=first.caption, description=first.description,
        signer=signer_record(context.signer, signing.timestamp) if context.signer and signing else None,
        editions=editions)
    (staging / 'release.json').write_text(manifest.to_json(), encoding='utf-8')
    (staging / 'release.txt').write_text(render_text(manifest), encoding='utf-8')
    files = sorted(p.relative_to(staging).as_posix() for p in staging.rglob('*') if p.is_file())
    (staging / 'SHA256SUMS').write_text(''.join('%s  %s\n' % (sha256(staging / name), name) for name in files))
    yield 'staged the release: %s, the screenshots, release.json, release.txt and SHA256SUMS' % ', '.join(
        each.file for each in editions)


STEP = Step('stage', run)
