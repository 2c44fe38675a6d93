#!/usr/bin/env bash
# Runs the tests that drive real X servers and the real program again and again while the machine
# is kept busy, to show that none of them fails by chance. Needs a build with tests
# (scripts/test.sh). Usage: scripts/stress-tests.sh [runs] [ctest -R pattern]
# VEXTO_STRESS_LOAD sets how many busy loops keep the processors loaded (default: one per core).
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-20}
pattern=${2:-'^e2e/|_x11$|^app/desktop/(x11desktop|framecentring)$'}
build_dir=${VEXTO_BUILD_DIR:-build}
load=${VEXTO_STRESS_LOAD:-$(nproc)}

busy=()
stop_load() { [ ${#busy[@]} -eq 0 ] || kill "${busy[@]}" 2>/dev/null || true; }
trap stop_load EXIT
for ((i = 0; i < load; ++i)); do
    (while :; do :; done) &
    busy+=($!)
done

export QT_QPA_PLATFORM=offscreen
failed=0
log=$(mktemp)
for ((run = 1; run <= runs; ++run)); do
    start=$(date +%s%N)
    if ctest --test-dir "$build_dir" -R "$pattern" --timeout 300 --output-on-failure >"$log" 2>&1; then
        outcome=passed
    else
        outcome=FAILED
        failed=$((failed + 1))
        grep -E -A3 '\*\*\*Failed|FAIL!|Timeout' "$log" | sed 's/^/    /' || true
    fi
    tests=$(grep -oE 'out of [0-9]+' "$log" | tail -n 1 | grep -oE '[0-9]+' || echo '?')
    elapsed_ms=$((($(date +%s%N) - start) / 1000000))
    printf 'run %2d/%d: %s tests %s in %d.%01d s\n' "$run" "$runs" "$tests" "$outcome" \
        $((elapsed_ms / 1000)) $((elapsed_ms % 1000 / 100))
done
rm -f "$log"
echo "$((runs - failed)) of $runs runs passed, with $load busy loops beside them."
[ "$failed" -eq 0 ]
