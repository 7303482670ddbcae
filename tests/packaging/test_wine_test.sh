#!/usr/bin/env bash
# scripts/wine-test, the Windows suite's runner, with a stand-in for Wine: a program that hangs
# at its exit after its passing result is ended and run once more (and that is said), a second
# such hang fails, a hang before the result fails at the limit, a failing or passing program's
# status is passed on from one run, and nothing it started is left running.
# Usage: test_wine_test.sh SOURCE_DIR
set -euo pipefail

wine_test=$1/scripts/wine-test
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# The stand-in "wine-run": runs PROGRAM's script of behaviours, one word per run (counted in
# runs.txt): pass, fail, hang-after (the passing result, then no exit), hang-before.
cat >"$scratch/wine-run" <<'RUNNER'
#!/usr/bin/env bash
plan=$1
count=$(wc -l <"$plan.runs" 2>/dev/null || echo 0)
echo run >>"$plan.runs"
behaviour=$(sed -n "$((count + 1))p" "$plan")
result() {
    printf 'PASS   : TestX::one()\r\nTotals: 1 passed, %s failed, 0 skipped, 0 blacklisted, 5ms\r\n' "$1"
    printf '********* Finished testing of TestX *********\r\n'
}
case $behaviour in
pass) result 0; exit 0 ;;
fail) result 1; exit 1 ;;
hang-after) result 0; sleep 300 & echo $! >"$plan.child"; wait ;;
hang-before) printf 'PASS   : TestX::one()\r\n'; sleep 300 & echo $! >"$plan.child"; wait ;;
esac
RUNNER
chmod +x "$scratch/wine-run"

# plan (the runs' behaviours), the expected status, runs and a text the runner says (or none).
cases=(
    "pass|0|1|"
    "fail|1|1|"
    "hang-after pass|0|2|did not end within 1 s: ended it, running it once more"
    "hang-after hang-after|1|2|hung at its exit again"
    "hang-before pass|1|1|reached its limit of 3 s before its result"
    "hang-after fail|1|2|ended by itself on its second run (status 1)"
)
n=0
for case in "${cases[@]}"; do
    IFS='|' read -r plan status runs said <<<"$case"
    n=$((n + 1))
    tr ' ' '\n' <<<"$plan" >"$scratch/plan$n"
    actual=0
    POS_TEST_LIMIT=3 POS_EXIT_GRACE=1 "$wine_test" "$scratch/wine-run" "$scratch/plan$n" \
        >"$scratch/out$n" 2>"$scratch/err$n" || actual=$?
    [ "$actual" -eq "$status" ] || fail "$plan: status $actual, not $status ($(cat "$scratch/err$n"))"
    [ "$(wc -l <"$scratch/plan$n.runs")" -eq "$runs" ] || fail "$plan: not $runs runs"
    if [ -n "$said" ]; then
        grep -qF "$said" "$scratch/err$n" || fail "$plan: not said: $said ($(cat "$scratch/err$n"))"
    else
        [ ! -s "$scratch/err$n" ] || fail "$plan: said $(cat "$scratch/err$n")"
    fi
    grep -q '^PASS   : TestX::one()' "$scratch/out$n" || fail "$plan: the program's output was not passed on"
    if [ -f "$scratch/plan$n.child" ]; then
        # (Given a moment to be reaped: an ended process lingers until then.)
        child=$(cat "$scratch/plan$n.child")
        for _ in $(seq 20); do
            kill -0 "$child" 2>/dev/null || break
            sleep 0.1
        done
        ! kill -0 "$child" 2>/dev/null || fail "$plan: a process of the hung run was left"
    fi
    echo "ok: $plan"
done
