#!/usr/bin/env bash
# `make package`: the Debian package, built by dpkg-buildpackage from debian/
# with Debian's build flags, in a copy of the source tree under OUT (so that
# neither the source tree nor its parent directory gets build products), then
# checked with lintian. The .deb files end up in OUT.
#
#   package.sh OUT [JOBS]
set -euo pipefail
out=${1:?usage: package.sh OUT [JOBS]}
jobs=${2:-$(nproc)}
source_dir=$(cd "$(dirname "$0")/.." && pwd)

mkdir -p "$out"
out=$(cd "$out" && pwd)
work="$out/source"
rm -rf "$work" "$out"/lumarel*_*.deb "$out"/lumarel_*.buildinfo "$out"/lumarel_*.changes
mkdir -p "$work/lumarel"
# Build directories (build*, obj-*) and version control stay behind.
tar -C "$source_dir" --exclude='./build*' --exclude='./obj-*' --exclude='./.git' \
    --exclude='./debian/lumarel' --exclude='./debian/.debhelper' -cf - . | tar -C "$work/lumarel" -xf -

(cd "$work/lumarel" && dpkg-buildpackage -us -uc -b -j"$jobs") >"$out/package.log" 2>&1 || {
    tail -n 40 "$out/package.log" >&2
    echo "package: dpkg-buildpackage failed; the whole log is in $out/package.log" >&2
    exit 1
}
mv "$work"/lumarel*_*.deb "$work"/lumarel_*.buildinfo "$work"/lumarel_*.changes "$out"/
rm -rf "$work"
ls "$out"/lumarel_*.deb
