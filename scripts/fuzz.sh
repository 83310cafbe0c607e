#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build (default build-asan): first over each file of
# its seed corpus (the regression cases), then for SECONDS of fresh fuzzing on a copy of it.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${2:-build-asan}

for target in "$build"/fuzz/fuzz_*; do
    [[ -f "$target" && -x "$target" ]] || continue
    name=$(basename "$target")
    corpus=fuzz/corpus/${name#fuzz_}
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    echo "== $name: seed corpus"
    "$target" -rss_limit_mb=2048 -timeout=10 "$corpus"/*
    echo "== $name: fuzzing for ${seconds}s"
    cp -r "$corpus"/. "$work"/
    "$target" -max_total_time="$seconds" -max_len=8192 -rss_limit_mb=2048 -timeout=10 \
        -print_final_stats=1 "$work" 2>&1 | tail -n 12
    rm -rf "$work"
    trap - EXIT
done
