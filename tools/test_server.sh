#!/usr/bin/env bash
# Starts a throw-away database server for the test suites: a fresh cluster in a temporary folder,
# trusting local connections, listening on 127.0.0.1 only, on a free port.
# Usage: source tools/test_server.sh; start_test_server && ...; stop_test_server (also on exit).
# On success it exports VIRANDEL_TEST_PG_HOST, VIRANDEL_TEST_PG_PORT and VIRANDEL_TEST_PG_USER (trusted),
# and VIRANDEL_TEST_PG_PASSWORD_USER / VIRANDEL_TEST_PG_PASSWORD, a user who must give a password.

TEST_SERVER_DIR=""
TEST_SERVER_BIN=""
TEST_SERVER_RUN=()

test_server_bin()
{
  local dir
  for dir in /usr/lib/postgresql/*/bin; do
    [ -x "$dir/initdb" ] && [ -x "$dir/pg_ctl" ] && TEST_SERVER_BIN="$dir"
  done
  [ -n "$TEST_SERVER_BIN" ]
}

free_port()
{
  python3 - <<'PY' 2>/dev/null || echo $((20000 + RANDOM % 20000))
import socket
s = socket.socket()
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1])
s.close()
PY
}

start_test_server()
{
  if ! test_server_bin; then
    echo "test server: no database server installed; server suites will be skipped" >&2
    return 1
  fi
  TEST_SERVER_DIR=$(mktemp -d "${TMPDIR:-/tmp}/virandel-server-XXXXXX")
  # The server refuses to run as root: it runs as the unprivileged system account then.
  TEST_SERVER_RUN=()
  if [ "$(id -u)" -eq 0 ]; then
    if ! id postgres > /dev/null 2>&1; then
      echo "test server: running as root and no 'postgres' account exists; server suites will be skipped" >&2
      return 1
    fi
    chown postgres "$TEST_SERVER_DIR"
    chmod 700 "$TEST_SERVER_DIR"
    TEST_SERVER_RUN=(runuser -u postgres --)
  fi
  local user=virandel_test port attempt
  if ! "${TEST_SERVER_RUN[@]}" "$TEST_SERVER_BIN/initdb" -D "$TEST_SERVER_DIR/data" -U "$user" -A trust \
        -E UTF8 --locale=C.UTF-8 > "$TEST_SERVER_DIR/initdb.log" 2>&1; then
    echo "test server: initdb failed:" >&2
    cat "$TEST_SERVER_DIR/initdb.log" >&2
    return 1
  fi
  # One user has to give a password over TCP, for the tests of a refused password.
  local hba="$TEST_SERVER_DIR/data/pg_hba.conf"
  { echo "host all virandel_pw 127.0.0.1/32 scram-sha-256"; cat "$hba"; } > "$hba.new"
  cat "$hba.new" > "$hba"
  rm -f "$hba.new"
  for attempt in 1 2 3 4 5; do
    port=$(free_port)
    # Durability is of no use to a cluster that is removed afterwards.
    if "${TEST_SERVER_RUN[@]}" "$TEST_SERVER_BIN/pg_ctl" -D "$TEST_SERVER_DIR/data" -w -t 30 \
         -l "$TEST_SERVER_DIR/server.log" \
         -o "-h 127.0.0.1 -p $port -k $TEST_SERVER_DIR -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" \
         start > /dev/null 2>&1; then
      local password="pw$RANDOM$RANDOM"
      if ! "$TEST_SERVER_BIN/psql" -q -h 127.0.0.1 -p "$port" -U "$user" -d postgres \
           -c "CREATE ROLE virandel_pw LOGIN SUPERUSER PASSWORD '$password'" > /dev/null; then
        echo "test server: could not create the password user" >&2
        return 1
      fi
      export VIRANDEL_TEST_PG_HOST=127.0.0.1 VIRANDEL_TEST_PG_PORT=$port VIRANDEL_TEST_PG_USER=$user
      export VIRANDEL_TEST_PG_PASSWORD_USER=virandel_pw VIRANDEL_TEST_PG_PASSWORD=$password
      echo "test server: listening on 127.0.0.1:$port"
      return 0
    fi
  done
  echo "test server: could not start:" >&2
  tail -20 "$TEST_SERVER_DIR/server.log" >&2 || true
  return 1
}

stop_test_server()
{
  if [ -n "$TEST_SERVER_DIR" ] && [ -d "$TEST_SERVER_DIR" ]; then
    if [ -f "$TEST_SERVER_DIR/data/postmaster.pid" ]; then
      "${TEST_SERVER_RUN[@]}" "$TEST_SERVER_BIN/pg_ctl" -D "$TEST_SERVER_DIR/data" -m immediate -w stop > /dev/null 2>&1 || true
    fi
    rm -rf "$TEST_SERVER_DIR"
  fi
  TEST_SERVER_DIR=""
}
