#!/usr/bin/env bash
# The save and list benchmarks on a throw-away PostgreSQL server (with_test_postgres): each
# generated database is copied there once per run, measured beside the raw psql time of the same
# statements, and the server is stopped at the end. Run after a build; extra arguments go to both
# programs (e.g. --benchmark_repetitions=9). QUINTALEVA_BENCH_SIZES as for bench_keyset_lists.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
with_test_postgres bash -c '
  set -e
  export QUINTALEVA_BENCH_PG=$QUINTALEVA_TEST_PG
  cd "$0"
  ./bench/bench_save "${@}"
  QT_QPA_PLATFORM=offscreen QUINTALEVA_BENCH_SIZES=${QUINTALEVA_BENCH_SIZES:-0,100000} ./bench/bench_keyset_lists "${@}"
' "$BUILD" "$@"
