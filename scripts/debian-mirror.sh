#!/usr/bin/env bash
# Prints the Debian mirror this machine's apt takes its packages from: the
# first URI that apt's sources give for a Debian release (a code name such as
# bookworm or trixie, or stable, testing, unstable), in the order apt reads
# them: sources.list, then sources.list.d/ by name, in the one-line form
# (`deb [options] URI SUITE COMPONENTS`, .list files) or the deb822 form
# (`URIs:` and `Suites:` stanzas, .sources files). Suites such as -security,
# -updates and -backports are other archives and are passed over, as are
# deb-src lines, stanzas with `Enabled: no` and URIs debootstrap cannot
# fetch from (only http, https and file). Exits 1, saying where it looked,
# when there is none.
#
#   debian-mirror.sh [APT_DIR]    APT_DIR: /etc/apt unless given
set -euo pipefail
apt_dir=${1:-/etc/apt}
shopt -s nullglob

# mirror_in FILE: the first Debian mirror FILE names, if any.
mirror_in() {
  local form=one-line
  [[ "$1" == *.sources ]] && form=deb822
  awk -v form="$form" '
    # The URI of an entry, if it is a Debian release that debootstrap can fetch.
    function mirror(types, uris, suites, enabled,   t, s, u, i, j, nt, ns, nu, deb) {
      if (tolower(enabled) == "no") return ""
      nt = split(types, t, " "); ns = split(suites, s, " "); nu = split(uris, u, " ")
      deb = 0
      for (i = 1; i <= nt; i++) if (t[i] == "deb") deb = 1
      if (!deb) return ""
      for (i = 1; i <= ns; i++) {
        if (s[i] !~ /^(sid|unstable|testing|stable|oldstable|oldoldstable|buster|bullseye|bookworm|trixie|forky|duke)$/) continue
        for (j = 1; j <= nu; j++) if (u[j] ~ /^(https?:\/\/|file:\/)/) return u[j]
      }
      return ""
    }
    function found(uri) { if (uri != "" && !done) { print uri; done = 1 } }
    function end_stanza() {
      found(mirror(field["types"], field["uris"], field["suites"], field["enabled"]))
      split("", field); last = ""
    }
    form == "deb822" && /^[ \t]*$/ { end_stanza(); next }
    form == "deb822" && /^#/ { next }
    form == "deb822" && /^[ \t]/ { if (last != "") field[last] = field[last] " " $0; next }
    form == "deb822" {
      key = $0; sub(/:.*/, "", key); key = tolower(key)
      value = $0; sub(/^[^:]*:[ \t]*/, "", value); sub(/[ \t]+$/, "", value)
      field[key] = value; last = key; next
    }
    form == "one-line" {
      line = $0; sub(/#.*/, "", line); gsub(/\[[^\]]*\]/, " ", line)
      if (split(line, word, " ") >= 3) found(mirror(word[1], word[2], word[3], ""))
    }
    END { if (form == "deb822") end_stanza() }
  ' "$1"
}

# In apt's order: sources.list, then sources.list.d/ by file name, whatever the form.
for file in "$apt_dir/sources.list" "$apt_dir"/sources.list.d/*; do
  [[ "$file" == *.list || "$file" == *.sources ]] && [ -f "$file" ] || continue
  mirror=$(mirror_in "$file")
  if [ -n "$mirror" ]; then
    echo "${mirror%/}"
    exit 0
  fi
done
echo "debian-mirror: apt's sources on this machine name no Debian mirror (no 'deb' entry of a" \
  "Debian release with an http, https or file URI in $apt_dir/sources.list or" \
  "$apt_dir/sources.list.d/*.list, *.sources)" >&2
exit 1
