#!/usr/bin/env bash
# Starts a one-node Slurm cluster on this machine for the tests: munged,
# slurmctld and slurmd, all with their files under FOLDER, 2 CPUs, no cgroups.
# Prints the path of its slurm.conf (give it to the clients as SLURM_CONF).
# Exits non-zero with the reason when a daemon does not come up; stop the
# cluster with stop-cluster.sh FOLDER.
set -euo pipefail

folder="$(mkdir -p "$1" && cd "$1" && pwd)"
fail() {
  echo "start-cluster: $*" >&2
  for log in munged.log slurmctld.log slurmd.log; do
    [[ -s "$folder/$log" ]] && { echo "--- $log" >&2; tail -n 15 "$folder/$log" >&2; }
  done
  bash "$(dirname "${BASH_SOURCE[0]}")/stop-cluster.sh" "$folder" || true
  exit 1
}
for program in munged slurmctld slurmd sinfo; do
  command -v "$program" >/dev/null 2>&1 ||
    fail "$program is not installed (scripts/install-deps.sh installs munge, slurmctld, slurmd and slurm-client)"
done
[[ "$(id -u)" -eq 0 ]] || fail "slurmd must run as root to start jobs, and this user is not root"

mkdir -p "$folder/state" "$folder/spool"
chmod 700 "$folder"
# A fresh key, readable by its owner only, as munged requires.
key="$folder/munge.key"
[[ -f "$key" ]] || { head -c 1024 /dev/urandom >"$key"; chmod 400 "$key"; }

# Two free TCP ports on the loopback interface, so that clusters of
# concurrent test runs do not meet.
read -r controller_port node_port < <(python3 -c '
import socket
sockets = [socket.socket() for _ in range(2)]
for s in sockets:
    s.bind(("127.0.0.1", 0))
print(*(s.getsockname()[1] for s in sockets))')

host="$(hostname -s)"
cat >"$folder/slurm.conf" <<CONF
ClusterName=varnotest
SlurmctldHost=$host(127.0.0.1)
SlurmUser=root
SlurmdUser=root
SlurmctldPort=$controller_port
SlurmdPort=$node_port
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$folder/munge.socket
StateSaveLocation=$folder/state
SlurmdSpoolDir=$folder/spool
SlurmctldPidFile=$folder/slurmctld.pid
SlurmdPidFile=$folder/slurmd.pid
SlurmctldLogFile=$folder/slurmctld.log
SlurmdLogFile=$folder/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
SwitchType=switch/none
MpiDefault=none
SchedulerType=sched/builtin
SchedulerParameters=batch_sched_delay=0,sched_min_interval=0,default_queue_depth=1000
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
MinJobAge=3600
MessageTimeout=30
SlurmdTimeout=300
NodeName=$host NodeAddr=127.0.0.1 CPUs=2 State=UNKNOWN
PartitionName=main Nodes=$host Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF="$folder/slurm.conf"

munged --socket="$folder/munge.socket" --key-file="$key" --pid-file="$folder/munged.pid" \
  --log-file="$folder/munged.log" --seed-file="$folder/munged.seed" --force ||
  fail "munged did not start"
slurmctld -f "$SLURM_CONF" || fail "slurmctld did not start"
slurmd -f "$SLURM_CONF" || fail "slurmd did not start"

# The node answers once slurmd has registered with the controller.
for _ in $(seq 1 100); do
  state="$(sinfo -h -N -o '%t' 2>/dev/null || true)"
  [[ "$state" == idle* ]] && { echo "$SLURM_CONF"; exit 0; }
  sleep 0.2
done
fail "the node did not become idle within 20 s (state: ${state:-no answer})"
