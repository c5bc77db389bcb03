#!/usr/bin/env bash
# The `make test` step for the Debian package that `make package` left in
# OUT: lintian finds no error and no warning (pedantic, info and
# experimental tags are printed, not failed on), and the package holds what
# an install needs.
#
#   check-package.sh OUT
set -euo pipefail
out=${1:?usage: check-package.sh OUT}
deb=$(ls "$out"/lumarel_*_*.deb)
changes=$(ls "$out"/lumarel_*.changes)
fail() { echo "package check: $*" >&2; exit 1; }

echo "package check: lintian --pedantic on $(basename "$changes")"
lintian --pedantic --display-experimental --fail-on error,warning "$changes" \
    || fail "lintian found errors or warnings"

contents=$(dpkg-deb -c "$deb" | awk '{ print $6 ($7 ? " " $7 " " $8 : "") }')
for path in ./usr/libexec/lumarel/lumarel ./usr/libexec/lumarel/uvcc-helper \
    "./usr/bin/lumarel -> ../libexec/lumarel/lumarel" \
    "./usr/bin/uvcc-helper -> ../libexec/lumarel/uvcc-helper" \
    ./usr/share/doc/lumarel/copyright ./usr/share/icons/hicolor/scalable/apps/lumarel.svg; do
    grep -qxF -- "$path" <<<"$contents" || fail "the package lacks $path"
done
grep -q '^\./usr/share/applications/.*\.desktop$' <<<"$contents" || fail "the package has no menu entry"

depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libqt6multimedia6 libqt6svg6 qt6-qpa-plugins \
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good qt6-translations-l10n; do
    grep -q "\b$package\b" <<<"$depends" || fail "Depends lacks $package: $depends"
done
echo "package check: $(basename "$deb") is sound"
