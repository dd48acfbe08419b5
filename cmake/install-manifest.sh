#!/usr/bin/env bash
# The install folder as the build made it, and the check that a test run left
# it so.
#   install-manifest.sh write <install folder> <manifest>
#   install-manifest.sh check <install folder> <manifest>
# One line a file, sorted by path: its SHA-256, its size and its path in the
# folder (a symbolic link: "link", its target and its path). The check names
# every file changed, added or removed since the manifest was written, and
# fails when there is one.
set -euo pipefail
export LC_ALL=C
mode=$1 folder=$2 manifest=$3

describe() (
  cd "$folder"
  {
    find . -type f -printf '%s %P\n' | sed 's/^/size /'
    find . -type f -printf '%P\0' | xargs -0 -r sha256sum -- | sed 's/^\([0-9a-f]*\)  /hash \1 /'
    find . -type l -printf 'link %l %P\n'
  } | awk '
    $1 == "size" { p = substr($0, length($1 $2) + 3); size[p] = $2; next }
    $1 == "hash" { p = substr($0, length($1 $2) + 3); hash[p] = $2; next }
    $1 == "link" { p = substr($0, length($1 $2) + 3); print $0; next }
    END { for (p in size) print hash[p], size[p], p }' |
    sort -k3
)

case $mode in
  write)
    describe > "$manifest.tmp"
    # Replaced only when it changes, so nothing that depends on it rebuilds.
    if cmp -s "$manifest.tmp" "$manifest"; then rm -f "$manifest.tmp"; else mv -f "$manifest.tmp" "$manifest"; fi
    ;;
  check)
    if [ ! -f "$manifest" ]; then
      echo "no manifest of the install folder in $manifest: build first" >&2
      exit 1
    fi
    now=$(mktemp)
    trap 'rm -f "$now"' EXIT
    describe > "$now"
    if cmp -s "$manifest" "$now"; then
      echo "The install folder $folder is as the build made it."
      exit 0
    fi
    echo "The test run changed the install folder $folder:" >&2
    awk '
      { p = substr($0, length($1 $2) + 3) }
      FNR == NR { before[p] = $1 " " $2; next }
      { now[p] = $1 " " $2
        if (!(p in before)) print "  added: " p
        else if (before[p] != now[p]) print "  changed: " p " (" before[p] " -> " now[p] ")" }
      END { for (p in before) if (!(p in now)) print "  removed: " p }' "$manifest" "$now" >&2
    exit 1
    ;;
  *) echo "usage: $0 write|check <install folder> <manifest>" >&2; exit 2 ;;
esac
