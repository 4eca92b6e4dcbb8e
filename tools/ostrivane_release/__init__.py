"""The release of one site, as a pipeline of steps over one record.

  preflight   what needs no build: version.txt, the site file, the tools,
              the checkout, the signing material, the timestamp servers,
              which editions Wine runs here (--check runs only this)
  build       each edition configured afresh and built
  sign        each signed as the site file says
  check       each checked against the site file
  run         each run once under Wine, its screenshots kept
  stage       the release, whole, in a staging folder: the files under their
              published names, the screenshots, release.json, release.txt
              and SHA256SUMS
  publish     the staging folder becomes dist/<host>/ in one step

Each step is a module with one entry, `run(context)`, that adds to the
context's manifest (manifest.py) and yields its progress lines, and
`skipped(context)`, why it does not apply. pipeline.py runs them: it owns
the progress lines, the one error boundary and publish-or-nothing. --verify
(verify.py) reads only release.json.
"""
