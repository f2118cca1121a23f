#!/usr/bin/env bash
# A throw-away PostgreSQL cluster for the server tests: made with initdb in
# build/pgtest, owned by an ordinary user (the server refuses to run as
# root), listening on a Unix socket in that folder only, never on TCP.
#   tools/pgcluster.sh start   prints the environment the tests read
#   tools/pgcluster.sh stop
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)/build/pgtest"
data="$root/data"
sock="$root/socket"
user="${ROCKVANE_PG_OSUSER:-rockvane-test}"
bindir="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)"

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u "$user" -- "$@"
  else
    "$@"
  fi
}

case "${1:-}" in
start)
  [ -x "$bindir/initdb" ] || { echo "PostgreSQL server binaries not found (Debian package postgresql)" >&2; exit 1; }
  if [ "$(id -u)" -eq 0 ]; then
    id "$user" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$user"
  fi
  "$0" stop >/dev/null 2>&1 || true
  rm -rf "$root"
  mkdir -p "$sock"
  [ "$(id -u)" -eq 0 ] && chown -R "$user" "$root"
  # The server's user must be able to reach the folder.
  chmod o+x "$(pwd)" "$(pwd)/build" 2>/dev/null || true
  as_owner "$bindir/initdb" -D "$data" -U postgres --auth=trust --encoding=UTF8 --locale=C >"$root/initdb.log" 2>&1 \
    || { cat "$root/initdb.log" >&2; exit 1; }
  as_owner "$bindir/pg_ctl" -D "$data" -l "$root/server.log" -w -t 60 \
    -o "-c listen_addresses='' -c unix_socket_directories='$sock' -c fsync=off -c max_connections=200" start >/dev/null \
    || { cat "$root/server.log" >&2; exit 1; }
  echo "ROCKVANE_PG_HOST=$sock"
  echo "ROCKVANE_PG_USER=postgres"
  ;;
stop)
  if [ -f "$data/postmaster.pid" ]; then
    as_owner "$bindir/pg_ctl" -D "$data" -m immediate -w stop >/dev/null
  fi
  ;;
*)
  echo "usage: $0 start|stop" >&2
  exit 2
  ;;
esac
