#!/usr/bin/env bash
# A private PostgreSQL cluster for the tests of the shared store.
#   pg-cluster.sh start DIR   initdb in DIR, serve on a socket in DIR only (no TCP)
#   pg-cluster.sh stop DIR    stop it and remove DIR
# As root the cluster runs as the unprivileged user nobody (the server
# refuses root). Where the server binaries are missing it says so and
# starts nothing; the tests then skip with that message.
set -euo pipefail
cmd=${1:?start or stop}
dir=${2:?cluster folder}

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n1 || true)
if [[ -z "$bindir" || ! -x "$bindir/initdb" ]]; then
  echo "PostgreSQL server binaries absent: tests of the shared store skip (scripts/setup.sh installs them)"
  exit 0
fi

as_owner() {
  if [[ $(id -u) -eq 0 ]]; then
    runuser -u nobody -- "$@"
  else
    "$@"
  fi
}

case "$cmd" in
start)
  if [[ -f "$dir/data/postmaster.pid" ]]; then
    as_owner "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
  mkdir -p "$dir"
  if [[ $(id -u) -eq 0 ]]; then chown nobody: "$dir"; fi
  chmod 700 "$dir"
  as_owner "$bindir/initdb" -D "$dir/data" -U waybill --auth=trust --encoding=UTF8 \
    --locale=C.UTF-8 --no-sync >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log"; exit 1; }
  as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 start \
    -o "-c listen_addresses='' -c unix_socket_directories='$dir' -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=300" \
    >/dev/null || { cat "$dir/server.log"; exit 1; }
  echo "PostgreSQL test cluster ready: socket in $dir"
  ;;
stop)
  # Its data is thrown away: no need to wait long for a clean shutdown.
  if [[ -f "$dir/data/postmaster.pid" ]]; then
    as_owner "$bindir/pg_ctl" -D "$dir/data" -m fast -w -t 15 stop >/dev/null 2>&1 ||
      as_owner "$bindir/pg_ctl" -D "$dir/data" -m immediate -w -t 15 stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
  ;;
*)
  echo "usage: $0 start|stop DIR" >&2
  exit 2
  ;;
esac
