#!/usr/bin/env bash
# Run by "scripts/release.sh --check-reproducible": clones the committed HEAD
# of this repository twice, into two temporary folders of different names,
# runs scripts/release.sh in one and then in the other, prints both
# SHA256SUMS and compares the two dist/ folders file by file. Exit status 0
# when they are the same to the byte. The folders stay for inspection when
# they differ.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
    echo "check: the working tree has uncommitted changes; the check builds the committed HEAD $(git rev-parse --short HEAD)"
fi
work=$(mktemp -d /tmp/kx4xx-release-check.XXXXXX)
runs=("$work/first" "$work/second-clone")

for run in "${runs[@]}"; do
    git clone -q --no-local "$top" "$run"
    echo "== $(date -u '+%T') UTC: release in $run (log: $run.log)"
    if ! (cd "$run" && bash scripts/release.sh) >"$run.log" 2>&1; then
        echo "check: the release in $run failed:"
        tail -n 20 "$run.log"
        exit 1
    fi
done

for run in "${runs[@]}"; do
    echo "== $run/dist/SHA256SUMS"
    cat "$run/dist/SHA256SUMS"
done

differ=()
while read -r file; do
    cmp -s "${runs[0]}/dist/$file" "${runs[1]}/dist/$file" || differ+=("$file")
done < <( (cd "${runs[0]}/dist" && ls; cd "${runs[1]}/dist" && ls) | sort -u)

if [ ${#differ[@]} -gt 0 ]; then
    echo "check: NOT reproducible; these files differ (or are missing from one run): ${differ[*]}"
    echo "check: both runs stay in $work"
    exit 1
fi
echo "check: reproducible: the two runs made the same $(ls "${runs[0]}/dist" | wc -l) files, byte for byte"
rm -rf "$work"
