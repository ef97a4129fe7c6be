#!/usr/bin/env bash
# Builds the committed HEAD twice with `make deb zip`, each time in a fresh clone: at two
# folders of different lengths, under two clocks (faketime) and two umasks. Fails unless the
# Linux binary (build/deb/vandlor2), vandlor2.exe, the .deb and the .zip of the two builds are
# the same byte for byte (cmp). Changes not yet committed are not built.
#
#     tools/reproducible-check.sh          (make reproducible-check)
#
# The clones and their builds go to a temporary folder, removed at the end unless KEEP=1.
set -euo pipefail
cd "$(dirname "$0")/.."

commit=$(git rev-parse HEAD)
work=$(mktemp -d "${TMPDIR:-/tmp}/vandlor2-reproducible.XXXXXX")
[ "${KEEP:-0}" = 1 ] || trap 'rm -rf "$work"' EXIT

# build <folder> <umask> <clock>
build() {
    echo "== $commit in $1, umask $2, clock $3"
    mkdir -p "$(dirname "$1")"
    (
        umask "$2"
        git clone --quiet --no-checkout . "$1"
        git -C "$1" checkout --quiet --detach "$commit"
        cd "$1"
        faketime "$3" make deb zip
    ) >"$1.log" 2>&1 || { tail -30 "$1.log"; echo "the build failed, see $1.log"; exit 1; }
}
build "$work/a" 022 '2027-03-01 10:00:00'
build "$work/second/folder/b" 002 '2028-07-15 22:30:00'

status=0
for file in build/deb/vandlor2 build/mingw/vandlor2.exe build/packages/vandlor2_*.deb \
    build/packages/vandlor2-*.zip; do
    first=$(cd "$work/a" && echo $file)
    if cmp "$work/a/$first" "$work/second/folder/b/$first"; then
        echo "same: $first ($(sha256sum <"$work/a/$first" | cut -c1-16))"
    else
        status=1
    fi
done
[ $status = 0 ] || echo "the two builds differ; KEEP=1 keeps them for diffoscope"
exit $status
