#!/bin/sh
# Checks what desktops, software centres and man read from data/: the
# AppStream file, the menu entry and the manual pages, each with the tool that
# reads it, so that a warning fails here rather than in a distribution's QA.
# Usage: check_metadata.sh appstream|desktop|man <data directory>
# A missing tool skips (exit 77) with a message.
set -u
what=$1
data=$2

need() {
    if ! command -v "$1" >/dev/null 2>&1; then
        echo "SKIP: $1 is not installed (Debian package $2)"
        exit 77
    fi
}

case $what in
appstream)
    need appstreamcli appstream
    # Exit status 0 allows only info and pedantic notes; print them all the same.
    appstreamcli validate --pedantic --no-net --no-color "$data"/*.metainfo.xml
    ;;
desktop)
    need desktop-file-validate desktop-file-utils
    # It exits 0 on hints such as "more than one main category"; those count too.
    out=$(desktop-file-validate "$data"/*.desktop 2>&1)
    status=$?
    [ -n "$out" ] && printf '%s\n' "$out"
    [ $status -eq 0 ] && [ -z "$out" ]
    ;;
man)
    need man man-db
    status=0
    for page in "$data"/man/*.[1-8]; do
        # man reports troff's warnings on standard error and still exits 0.
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l -Tutf8 "$page" 2>&1 >/dev/null)
        if [ -n "$warnings" ]; then
            printf '%s:\n%s\n' "$page" "$warnings"
            status=1
        fi
    done
    exit $status
    ;;
*)
    echo "usage: $0 appstream|desktop|man <data directory>" >&2
    exit 2
    ;;
esac
