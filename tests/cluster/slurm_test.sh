#!/bin/sh
# A single-node Slurm cluster of the test's own (munged, slurmctld and slurmd with a
# generated slurm.conf in a scratch folder) runs contrib/slurm/convert-array.sbatch over a
# list of corpus files as an array of 4 tasks. Every site must be complete, the results log
# must hold one line per file with the right status, and the array submitted again must
# convert nothing. The daemons are stopped at the end, whatever happens.
#   slurm_test.sh VELLUMIX SOURCE_DIR
set -eu
vellumix=$1
source=$2
SKIP=77
for tool in munged slurmctld slurmd sbatch sinfo squeue scontrol; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "slurm test skipped: $tool is missing (Debian packages slurm-wlm and munge; run tools/install-deps.sh)"
        exit $SKIP
    fi
done
python=/usr/bin/python3
[ -x "$python" ] || python=python3

# Short: the munge socket's path must fit a socket address.
work=$(mktemp -d /tmp/qmslurm.XXXXXX)
chmod 755 "$work"
pids=""
stop() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    for pid in $pids; do
        n=0
        while kill -0 "$pid" 2>/dev/null && [ $n -lt 50 ]; do sleep 0.1; n=$((n + 1)); done
        kill -9 "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap stop EXIT
trap 'exit 1' INT TERM
fail() {
    echo "slurm test: $*"
    for log in "$work"/log/*.log; do [ -f "$log" ] && { echo "== $log"; tail -n 20 "$log"; }; done
    exit 1
}

# A free TCP port for each daemon.
free_port() {
    "$python" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

mkdir -p "$work/munge" "$work/log" "$work/state" "$work/spool" "$work/run" "$work/out"
chmod 711 "$work/munge"
dd if=/dev/urandom of="$work/munge/munge.key" bs=1024 count=1 2>/dev/null
chmod 400 "$work/munge/munge.key"
socket=$work/munge/munge.socket
munged --force --socket="$socket" --key-file="$work/munge/munge.key" --log-file="$work/log/munged.log" \
    --pid-file="$work/run/munged.pid" --seed-file="$work/munge/seed" --foreground 2>"$work/log/munged.out" &
pids="$pids $!"

user=$(id -un)
node=$(hostname -s)
ctld_port=$(free_port)
slurmd_port=$(free_port)
cat >"$work/slurm.conf" <<CONF
ClusterName=quillmarktest
SlurmctldHost=$node(127.0.0.1)
SlurmctldPort=$ctld_port
SlurmdPort=$slurmd_port
SlurmUser=$user
SlurmdUser=$user
AuthType=auth/munge
AuthInfo=socket=$socket
CredType=cred/munge
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/run/slurmctld.pid
SlurmdPidFile=$work/run/slurmd.pid
SlurmctldLogFile=$work/log/slurmctld.log
SlurmdLogFile=$work/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
SchedulerType=sched/backfill
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
SlurmdParameters=config_overrides
MpiDefault=none
ReturnToService=2
MailProg=/bin/true
SlurmctldTimeout=30
SlurmdTimeout=30
NodeName=$node NodeAddr=127.0.0.1 CPUs=4 RealMemory=1000 State=UNKNOWN
PartitionName=test Nodes=$node Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF="$work/slurm.conf"

n=0
until [ -S "$socket" ]; do
    n=$((n + 1)); [ $n -lt 100 ] || fail "munged did not start"; sleep 0.1
done
slurmctld -D -i -f "$SLURM_CONF" >"$work/log/slurmctld.out" 2>&1 &
pids="$pids $!"
slurmd -D -f "$SLURM_CONF" -N "$node" >"$work/log/slurmd.out" 2>&1 &
pids="$pids $!"
n=0
until sinfo -h -o '%T' 2>/dev/null | grep -qx idle; do
    n=$((n + 1)); [ $n -lt 300 ] || fail "the node did not become idle"; sleep 0.2
done
echo "slurm test: cluster up after $n polls"

# The list: corpus files of a few pages each, one asking for a password it is not given, and
# a file cut off after its first 300 bytes.
corpus=$source/tests/data/corpus
list=$work/list.txt
good=""
for f in latex-outline.pdf latex-type3-bitmap.pdf annot-link-popup.pdf annot-stamps.pdf cairo-tiling-pattern.pdf \
    chrome-wikipedia.pdf cjk-chinese-itext.pdf cjk-japanese-vertical.pdf cjk-korean-cff.pdf cropbox-indesign.pdf \
    damaged-bad-flate.pdf damaged-truncated.pdf ghostscript-canvas.pdf ghostscript-pdfa.pdf img-ccitt.pdf \
    libreoffice-form.pdf matplotlib-type3.pdf quartz-asciihex-redact.pdf shading-function.pdf tcpdf-alpha-smask.pdf \
    word365-3p.pdf enc-rc4-128-empty.pdf; do
    echo "$corpus/$f" >>"$list"
    good="$good ${f%.pdf}"
done
echo "$corpus/enc-aes128-pw.pdf" >>"$list"
head -c 300 "$corpus/word365-3p.pdf" >"$work/cut-short.pdf"
echo "$work/cut-short.pdf" >>"$list"
files=$(wc -l <"$list")

out=$work/out
submit() {
    (cd "$work" && VELLUMIX="$vellumix" HOME="$work" XDG_CONFIG_HOME="$work/config" \
        timeout 400 sbatch --wait --array=0-3 --output="$work/log/task-%a.log" \
        "$source/contrib/slurm/convert-array.sbatch" "$list" "$out" -l 4 -z 50) >"$work/log/sbatch.out" 2>&1
}
# Two files fail, so the array reports a failure; what matters is what it wrote.
submit || true
grep -q 'Submitted batch job' "$work/log/sbatch.out" || fail "sbatch did not submit: $(cat "$work/log/sbatch.out")"

for name in $good; do
    for page in index.htm pg_0001.htm pg_nav.htm pg_index.htm pg_bmark.htm pg_0001.jpg; do
        [ -s "$out/$name/$page" ] || fail "site $name lacks $page"
    done
done
[ ! -e "$out/cut-short/pg_0001.htm" ] || fail "the cut-short file has pages"
"$python" - "$out/results.jsonl" "$list" <<'PY' || fail "the results log is wrong"
import json, sys
log, listing = sys.argv[1], sys.argv[2]
wanted = [line.rstrip('\n') for line in open(listing, encoding='utf-8') if line.strip()]
records = [json.loads(line) for line in open(log, encoding='utf-8')]
paths = [r['path'] for r in records]
assert sorted(paths) == sorted(wanted), ('one line per file', len(paths), len(wanted))
for r in records:
    assert set(r) == {'path', 'output', 'status', 'pages', 'seconds', 'message'}, r
    failing = r['path'].endswith(('enc-aes128-pw.pdf', 'cut-short.pdf'))
    if failing:
        assert r['status'] == 'failed' and r['message'], r
    else:
        assert r['status'] == 'converted' and 1 <= r['pages'] <= 4 and r['message'] == '', r
        assert r['output'].endswith('/index.htm'), r
print('results log: %d lines, %d failed' % (len(records), sum(r['status'] == 'failed' for r in records)))
PY
for task in 0 1 2 3; do [ -f "$work/log/task-$task.log" ] || fail "task $task left no log"; done

# Submitted again: everything converted is passed over, only the two failures are tried again.
before=$(wc -l <"$out/results.jsonl")
stamp=$(stat -c %Y.%N "$out/latex-outline/pg_0001.htm")
sleep 1
submit || true
after=$(wc -l <"$out/results.jsonl")
[ "$after" -eq $((before + 2)) ] || fail "the second run logged $((after - before)) lines, not the 2 failures"
[ "$(stat -c %Y.%N "$out/latex-outline/pg_0001.htm")" = "$stamp" ] || fail "the second run converted a site again"
cat "$work"/log/task-*.log | grep -q 'passed over, converted before' || fail "no task said it passed files over"
echo "slurm test passed: $files files in 4 tasks"
