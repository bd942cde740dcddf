#!/usr/bin/env bash
# Compares the bench of two commits on this machine: each built in Release in
# a worktree of its own, both run on one shared database, alternated ROUNDS
# times (one pass of each, the first one first in odd rounds and second in
# even ones, so that neither always follows the other), then the change of
# each row's median, time / ratio to the floor.
#
#   bench/compare_trees.sh BEFORE AFTER [ROUNDS] [FOLDER]
#   bench/compare_trees.sh --instructions BEFORE AFTER [FOLDER]
#
# With --instructions, one pass of each runs under callgrind on its own copy
# of the database and each timed action's instructions are counted (Qt and
# SQLite included, the kernel's work not). A count does not move with the
# machine's load: it shows a change of one per cent where the times of
# actions of a few milliseconds move by 10 to 30 % from one pass to the next.
# The two passes run side by side, about ten minutes on 2 cores. Actions are
# grouped by the bench's lambda that was timed, numbered as the compiler
# numbers the lambdas of runPass() (main() in older benches), in their order
# in the source; the number of calls tells the rows apart (200 keystrokes, 10
# row clicks…). An action whose timeIt() call the compiler inlined is not
# counted.
#
# FOLDER (default: a new temporary folder) keeps the worktrees, the database
# and each pass's table. Both commits must read the same schema version.
# BENCH_ARGS is added to every pass's arguments (e.g. "--clients 20000" for a
# smaller database, so that a counted pass ends sooner).
set -euo pipefail
instructions=
if [ "${1:-}" = --instructions ]; then
    instructions=1
    shift
    set -- "${1:-}" "${2:-}" 1 "${3:-}"
fi
before=${1:?avant : un commit}
after=${2:?après : un commit}
rounds=${3:-5}
work=${4:-}
[ -n "$work" ] || work=$(mktemp -d /tmp/vordan-compare.XXXXXX)
repo=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
[ -z "$instructions" ] || "$repo/scripts/install-deps.sh" valgrind
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

pass() { # bench output [database folder] [command before the bench…]
    local bench=$1 output=$2 db=${3:-$work/db}
    shift $(($# < 3 ? $# : 3))
    if grep -q '"--passes"' "$(dirname "$bench")/../../bench/vordan_bench.cpp"; then
        "$@" "$bench" --passes 1 --dossier "$db" ${BENCH_ARGS:-} > "$output" 2>&1
    else
        "$@" "$bench" --dossier "$db" ${BENCH_ARGS:-} > "$output" 2>&1
    fi
}

# One pass under callgrind on a copy of the database, counting only inside
# timeIt() and writing a profile as each timed call starts (it holds the
# previous call's count).
counted_pass() { # bench side
    local dir="$work/cg-$2"
    rm -rf "$dir"
    mkdir -p "$dir"
    cp -r "$work/db" "$dir/db"
    pass "$1" "$dir/bench.txt" "$dir/db" valgrind --tool=callgrind --toggle-collect='*timeIt*' \
        --dump-before='*timeIt(*' --trace-children=yes --callgrind-out-file="$dir/cg.%p"
}

a=$(bench_of "$before")
b=$(bench_of "$after")
pass "$a" "$work/warm.txt" # makes the database, warms the caches

if [ -n "$instructions" ]; then
    counted_pass "$a" before &
    counted_pass "$b" after &
    wait
    exec python3 - "$work" <<'EOF'
import glob, re, statistics, sys
work = sys.argv[1]
# The timed lambdas stand in runPass(), or in main() in older benches.
LAMBDA = re.compile(r'_Function_handler<void \(\), (?:\(anonymous namespace\)::runPass\(.*?\)|main)'
                    r'::\{lambda\(\)#(\d+)\}>::_M_invoke')

def counts(side):
    profiles = {}
    for f in glob.glob(f'{work}/cg-{side}/cg.*'):
        m = re.match(r'.*/cg\.(\d+)(?:\.(\d+))?$', f)
        if m:
            profiles.setdefault(m.group(1), []).append((int(m.group(2) or 10**9), f))
    # The pass's own process has the most profiles; its first one comes
    # before any timed call.
    pid = max(profiles, key=lambda p: len(profiles[p]))
    found = {}
    for _, f in sorted(profiles[pid])[1:]:
        text = open(f, encoding='utf-8', errors='replace').read()
        total = int(re.search(r'^totals: (\d+)', text, re.M).group(1))
        key = '+'.join(sorted(set(LAMBDA.findall(text)), key=int)) or '?'
        found.setdefault(key, []).append(total)
    return found

old, new = counts('before'), counts('after')
print('| Lambda | Appels | Avant, M instr. | Après, M instr. | Écart |')
print('|---|---:|---:|---:|---:|')
for key in sorted(set(old) | set(new), key=lambda k: [int(x) for x in re.findall(r'\d+', k)]):
    o, n = old.get(key), new.get(key)
    mo = f'{statistics.median(o) / 1e6:.2f}' if o else '—'
    mn = f'{statistics.median(n) / 1e6:.2f}' if n else '—'
    change = f'{100 * (statistics.median(n) / statistics.median(o) - 1):+.1f} %' if o and n else '—'
    print(f"| {key} | {len(o) if o else '—'}/{len(n) if n else '—'} | {mo} | {mn} | {change} |")
EOF
fi

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
