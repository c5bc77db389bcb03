#!/usr/bin/env bash
# Runs every benchmark program of a build (make bench calls it with the build
# directory). Figures are wall times on this machine: compare them with the
# baselines measured in the same run, not with figures from another day.
# Exits non-zero when any program missed a goal (or failed).
set -euo pipefail
build=${1:-build}
shopt -s nullglob
programs=()
# bench_* also matches CMake's *_autogen folders: only executable files count.
for candidate in "$build"/bench/bench_*; do
    [ -f "$candidate" ] && [ -x "$candidate" ] && programs+=("$candidate")
done
if [ ${#programs[@]} -eq 0 ]; then
    echo "bench: no benchmark programs in $build/bench (build with LUMAREL_BUILD_TESTS=ON)" >&2
    exit 1
fi
# Widget benchmarks need no display.
[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || export QT_QPA_PLATFORM=offscreen
status=0
for program in "${programs[@]}"; do
    "$program" || status=1
done
exit $status
