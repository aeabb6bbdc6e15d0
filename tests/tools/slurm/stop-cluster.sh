#!/usr/bin/env bash
# Stops the cluster start-cluster.sh started under FOLDER: every job is
# cancelled, then slurmd, slurmctld and munged end.
set -uo pipefail

folder="$1"
[[ -f "$folder/slurm.conf" ]] && SLURM_CONF="$folder/slurm.conf" scancel --quiet --full \
  --user="$(id -un)" >/dev/null 2>&1
for daemon in slurmd slurmctld munged; do
  pid_file="$folder/$daemon.pid"
  [[ -f "$pid_file" ]] || continue
  pid="$(cat "$pid_file")"
  kill -TERM "$pid" 2>/dev/null
  for _ in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null
  rm -f "$pid_file"
done
exit 0
