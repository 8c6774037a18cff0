#!/usr/bin/env bash
# A split run through a real cluster scheduler: a single-node Slurm started
# here (munged, slurmctld and slurmd on this machine, on ports of their own,
# all state in a scratch folder), a job array whose task K runs job K of
# `referee --schedule --batch`, each task with a results file of its own
# (named by {batch}, as on a shared file system); their merge must give the
# standings of the same run played on one machine. Where Slurm cannot run here it says why and exits
# 77, which ctest reports as skipped, never as passed.
#   slurm_array.sh REFEREE RANDOMBOT
set -uo pipefail
referee=$1
randombot=$2
skip() { echo "skipped: $*"; exit 77; }

for program in munged mungekey slurmctld slurmd sbatch sinfo; do
    command -v "$program" > /dev/null || skip "$program is not installed (Debian: slurm-wlm, munge)"
done
[[ $(id -u) -eq 0 ]] || skip "slurmd runs jobs as their user only when started as root"

scratch=$(mktemp -d) || exit 1
chmod 755 "$scratch"
daemons=()
finish() {
    local pid
    for pid in "${daemons[@]}"; do kill "$pid" 2> /dev/null; done
    for pid in "${daemons[@]}"; do wait "$pid" 2> /dev/null; done
    rm -rf "$scratch"
}
trap finish EXIT

# Ports from this process's number, clear of the usual 6817-6819.
port=$((20000 + ($$ % 20000) * 2))
host=$(hostname -s)
mkdir -p "$scratch"/{state,spool}
mungekey -c -k "$scratch/munge.key" || skip "mungekey cannot make a key"
cat > "$scratch/slurm.conf" << CONF
ClusterName=referee
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$port
SlurmdPort=$((port + 1))
AuthType=auth/munge
AuthInfo=socket=$scratch/munge.sock
CredType=cred/munge
SlurmUser=root
SlurmdUser=root
StateSaveLocation=$scratch/state
SlurmdSpoolDir=$scratch/spool
SlurmctldPidFile=$scratch/slurmctld.pid
SlurmdPidFile=$scratch/slurmd.pid
SlurmctldLogFile=$scratch/slurmctld.log
SlurmdLogFile=$scratch/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
MpiDefault=none
ReturnToService=2
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
NodeName=$host NodeAddr=127.0.0.1 CPUs=2 State=UNKNOWN
PartitionName=games Nodes=$host Default=YES MaxTime=10 State=UP
CONF
export SLURM_CONF=$scratch/slurm.conf

munged -F -f --key-file="$scratch/munge.key" --socket="$scratch/munge.sock" \
    --pid-file="$scratch/munged.pid" --seed-file="$scratch/munged.seed" \
    --log-file="$scratch/munged.log" > "$scratch/munged.out" 2>&1 &
daemons+=($!)
slurmctld -D -f "$SLURM_CONF" > "$scratch/slurmctld.out" 2>&1 &
daemons+=($!)
slurmd -D -f "$SLURM_CONF" > "$scratch/slurmd.out" 2>&1 &
daemons+=($!)

# The node reports for work within a few seconds; give it 30.
for _ in $(seq 60); do
    [[ $(sinfo -h -o %t 2> /dev/null) == idle ]] && break
    sleep 0.5
done
if [[ $(sinfo -h -o %t 2> /dev/null) != idle ]]; then
    tail -n 5 "$scratch"/*.out "$scratch"/*.log 2> /dev/null
    skip "the Slurm node did not come up here (see above)"
fi

players=()
for seed in 1 2 3; do players+=(--name "r$seed" "$randombot --seed $seed"); done
run=(--quiet --games 2 --time 60+1 "${players[@]}")

"$referee" --results "$scratch/one.jsonl" "${run[@]}" > "$scratch/one.out" || exit 1
# Six games, two a job: three tasks, each writing out/rK.jsonl (a folder
# the first job to need it makes).
"$referee" --schedule --batch 2 --results "$scratch/out/r{batch}.jsonl" "${run[@]}" \
    > "$scratch/jobs.txt" || exit 1
jobs=$(wc -l < "$scratch/jobs.txt")
[[ $jobs -eq 3 ]] || { echo "expected 3 jobs, got $jobs"; exit 1; }

# Task K runs job K.
cd "$scratch" || exit 1
timeout 300 sbatch --wait --array=1-"$jobs" --output="$scratch/task-%a.out" --wrap \
    'sed -n "${SLURM_ARRAY_TASK_ID}p" jobs.txt | sh' ||
    { cat "$scratch"/task-*.out; echo "the job array failed"; exit 1; }

tasks=$(ls "$scratch"/out/r*.jsonl | wc -l)
[[ $tasks -eq $jobs ]] || { echo "expected $jobs results files, got $tasks"; exit 1; }
"$referee" --merge "$scratch"/out/r*.jsonl > "$scratch/merged.out" || exit 1
# The standings and all below them, as the single run printed them.
sed -n '/^Rank  Player/,$p' "$scratch/one.out" > "$scratch/one.summary"
if ! diff "$scratch/one.summary" "$scratch/merged.out"; then
    echo "the merged job array differs from the run on one machine"
    exit 1
fi
echo "slurm: $jobs array tasks merged to the single run's standings"
