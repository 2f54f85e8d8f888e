#!/usr/bin/env bash
# Writes docs/performance.md: every size on a database file and, on a throw-away local database server
# (tools/test_server.sh), the same actions on a copy. Arguments go to bench_performance (sizes, --out).
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/test_server.sh
trap stop_test_server EXIT
server=()
if start_test_server; then
  server=(--server)
fi
build/bench/bench_performance "${server[@]}" "$@"
