#!/usr/bin/env bash
# The cost per design of each executor, for an evaluator that answers at once:
# the same 40-design study run by `varno run` locally and on a one-node Slurm
# cluster started here (tests/tools/slurm), and by Study.run in Python
# serially, on a thread pool and on a Dask LocalCluster of two processes.
# Usage: bench/executor_overhead.sh BUILD_DIR (default build/default)
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$repo/build/default}" && pwd)"
scratch="$(mktemp -d)"
trap 'bash "$repo/tests/tools/slurm/stop-cluster.sh" "$scratch/cluster"; rm -rf "$scratch"' EXIT
export VARNO_ROOT="$scratch" SLURM_CONF
SLURM_CONF="$(bash "$repo/tests/tools/slurm/start-cluster.sh" "$scratch/cluster")"

cd "$scratch"
printf 'cat > /dev/null\necho "{\\"f\\": 1}"\n' >answer.sh
cat >study.study <<'STUDY'
[study s]
type: optimization
[parameter x]
type: Continuous
id: 1
min: -2
baseline: 1
max: 2
[response f]
type: API
[method m]
method: TRAVOK
numEvals: 40
[variable x]
type: Continuous
id: 1
resolution: 401
distribution: NONE
[objective f]
factor: 1
option: min_value
target: 0
quadWt: 0
linearWt: 1
acceptMin: -1e300
acceptMax: 1e300
[evaluator]
command: sh answer.sh
[executor]
poll: 0.1
STUDY
seconds() { python3 -c 'import sqlite3, sys
rows = sqlite3.connect(sys.argv[1]).execute(
    "select count(*), avg(seconds), avg(queue_seconds) from evaluation").fetchone()
print("%d designs, mean evaluation %.3f s, mean wait %.3f s" % rows)' "$1"; }
for executor in local slurm; do
  for parallel in 1 8; do
    start=$(date +%s.%N)
    "$build/tools/varno" run study.study --executor $executor --parallel $parallel --quiet \
      --workdir "$executor$parallel" >/dev/null 2>&1
    end=$(date +%s.%N)
    printf '%-6s --parallel %d: %.3f s per design; %s\n' $executor $parallel \
      "$(python3 -c "print(($end - $start) / 40)")" "$(seconds "$executor$parallel/results.db")"
  done
done

VARNO_LIBRARY="$build/src/libvarno.so" PYTHONPATH="$repo/python" \
  /usr/bin/python3 "$repo/bench/executor_overhead.py"
