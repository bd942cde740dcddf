#!/usr/bin/env bash
# Compares the bench of two commits on this machine: each built in Release in
# a worktree of its own, both run on one shared database, alternated ROUNDS
# times (one pass of each, the first one first in odd rounds and second in
# even ones, so that neither always follows the other), then the change of
# each row's median, time / ratio to the floor.
#
#   bench/compare_trees.sh BEFORE AFTER [ROUNDS] [FOLDER]
#
# FOLDER (default: a new temporary folder) keeps the worktrees, the database
# and each pass's table. Both commits must read the same schema version.
set -euo pipefail
before=${1:?avant : un commit}
after=${2:?après : un commit}
rounds=${3:-5}
work=${4:-$(mktemp -d /tmp/vordan-compare.XXXXXX)}
repo=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
mkdir -p "$work/db"

bench_of() {
    local commit=$1 tree="$work/tree-$1"
    if [ ! -x "$tree/build-rel/bench/vordan_bench" ]; then
        git -C "$repo" worktree add -f "$tree" "$commit" > /dev/null
        cmake -S "$tree" -B "$tree/build-rel" -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DVORDAN_BUILD_TESTS=OFF > /dev/null
        cmake --build "$tree/build-rel" --target vordan_bench > /dev/null
    fi
    echo "$tree/build-rel/bench/vordan_bench"
}

pass() { # bench output
    if grep -q '"--passes"' "$(dirname "$1")/../../bench/vordan_bench.cpp"; then
        "$1" --passes 1 --dossier "$work/db" > "$2" 2>&1
    else
        "$1" --dossier "$work/db" > "$2" 2>&1
    fi
}

a=$(bench_of "$before")
b=$(bench_of "$after")
pass "$a" "$work/warm.txt" # makes the database, warms the caches
for i in $(seq 1 "$rounds"); do
    for side in $([ $((i % 2)) = 1 ] && echo "before after" || echo "after before"); do
        echo "$side $i, charge $(cut -d' ' -f1 /proc/loadavg)" >&2
        if [ "$side" = before ]; then pass "$a" "$work/before$i.txt"; else pass "$b" "$work/after$i.txt"; fi
    done
done

python3 - "$work" "$rounds" <<'EOF'
import re, statistics, sys
work, rounds = sys.argv[1], int(sys.argv[2])

def number(text):
    m = re.match(r'\s*([\d.]+)', text)
    return float(m.group(1)) if m else None

def rows(prefix):
    found, order = {}, []
    for i in range(1, rounds + 1):
        for line in open(f'{work}/{prefix}{i}.txt', encoding='utf-8'):
            if not line.startswith('| ') or line.startswith('| Opération'):
                continue
            cells = [c.strip() for c in line.strip().strip('|').split('|')]
            # The database's size is in some names; it is not part of the row.
            name = re.sub(r'\(\d+ Mio, ', '(', cells[0])
            row = found.setdefault(name, {'time': [], 'ratio': []})
            if name not in order:
                order.append(name)
            row['time'].append(number(cells[1]))
            if number(cells[3]) is not None:
                row['ratio'].append(number(cells[3]))
    return found, order

old, _ = rows('before')
new, order = rows('after')
print('| Ligne | Avant | Après | Écart |')
print('|---|---:|---:|---:|')
for name in order:
    if name not in old:
        continue
    parts = []
    for key in ('time', 'ratio'):
        if old[name][key] and new[name][key] and statistics.median(old[name][key]) > 0:
            change = statistics.median(new[name][key]) / statistics.median(old[name][key]) - 1
            parts.append(f'{100 * change:+.0f} %')
    print(f"| {name} | {statistics.median(old[name]['time']):.3g} | "
          f"{statistics.median(new[name]['time']):.3g} | {' / '.join(parts)} |")
EOF
echo "Tables de chaque passe : $work" >&2
