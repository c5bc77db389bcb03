#!/usr/bin/env bash
# Runs every fuzz target built in BUILD_DIR for SECONDS each, starting from the
# checked-in seeds. New inputs go to BUILD_DIR/corpus/<name>, so the seeds in
# the repository change only when someone copies a finding there on purpose.
set -euo pipefail
build=${1:?usage: fuzz/run.sh BUILD_DIR [SECONDS]}
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)

shopt -s nullglob
targets=("$build"/fuzz/*_fuzz)
[ ${#targets[@]} -gt 0 ] || { echo "fuzz: no fuzz targets in $build/fuzz" >&2; exit 1; }

for target in "${targets[@]}"; do
    name=$(basename "$target" _fuzz)
    work="$build/corpus/$name"
    artifacts="$build/artifacts/$name/"
    mkdir -p "$work" "$artifacts"
    echo "fuzz: $name for ${seconds}s (findings in $artifacts)"
    "$target" "$work" "$here/corpus/$name" -max_total_time="$seconds" \
        -artifact_prefix="$artifacts" -timeout="${FUZZ_TIMEOUT:-10}" -print_final_stats=1 2>&1 | tail -n 12
    [ "${PIPESTATUS[0]}" -eq 0 ] || { echo "fuzz: $name found a failure, see $artifacts" >&2; exit 1; }
done
