#!/usr/bin/env bash
# A private PostgreSQL cluster for the tests of the shared store.
#   pg-cluster.sh start DIR [safe]  initdb in DIR, serve on a socket in DIR only (no TCP);
#                                   safe: the server's defaults for durability (fsync,
#                                   synchronous_commit, full_page_writes), for the tests
#                                   that stop the server and count what survived
#   pg-cluster.sh stop DIR          stop it and remove DIR
#   pg-cluster.sh crash DIR         stop it at once (-m immediate), if still running, and start it again
#   pg-cluster.sh freeze DIR        stop (SIGSTOP) the server and all its processes
#   pg-cluster.sh thaw DIR          let them go on (SIGCONT)
# As root the cluster runs as the unprivileged user nobody (the server
# refuses root). Where the server binaries are missing it says so and
# starts nothing; the tests then skip with that message.
set -euo pipefail
cmd=${1:?start, stop, crash, freeze or thaw}
dir=${2:?cluster folder}
mode=${3:-fast}

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

serve() {
  local options="-c listen_addresses='' -c unix_socket_directories='$dir' -c max_connections=300"
  # Speed for the many tests that never stop the server: what a crash of
  # the machine would lose does not matter to them.
  if [[ $(cat "$dir/mode") != safe ]]; then
    options+=" -c fsync=off -c synchronous_commit=off -c full_page_writes=off"
  else
    # After a crash the server syncs its whole folder before recovering:
    # one syncfs instead of a fsync per file of every test's database; and
    # frequent checkpoints keep what it replays short. Neither weakens a
    # commit.
    options+=" -c recovery_init_sync_method=syncfs -c checkpoint_timeout=30s"
  fi
  as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 start -o "$options" \
    >/dev/null || { cat "$dir/server.log"; exit 1; }
}

# The postmaster and every process it started, by their ids.
server_pids() {
  local pm
  pm=$(head -n1 "$dir/data/postmaster.pid")
  echo "$pm" $(pgrep -P "$pm" || true)
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
  echo "$mode" >"$dir/mode"
  serve
  echo "PostgreSQL test cluster ($mode) ready: socket in $dir"
  ;;
crash)
  # A test may have sent the postmaster its SIGQUIT itself, a moment sooner.
  as_owner "$bindir/pg_ctl" -D "$dir/data" -m immediate -w -t 15 stop >/dev/null 2>&1 || true
  for _ in $(seq 150); do [[ -f "$dir/data/postmaster.pid" ]] || break; sleep 0.1; done
  serve
  ;;
freeze)
  # The postmaster first, so that it starts no new process meanwhile.
  kill -STOP $(server_pids)
  ;;
thaw)
  kill -CONT $(server_pids)
  ;;
stop)
  # Its data is thrown away: no clean shutdown (whose checkpoint, on the
  # durable cluster, syncs every test's database).
  if [[ -f "$dir/data/postmaster.pid" ]]; then
    as_owner "$bindir/pg_ctl" -D "$dir/data" -m immediate -w -t 15 stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
  ;;
*)
  echo "usage: $0 start|stop|crash|freeze|thaw DIR [safe]" >&2
  exit 2
  ;;
esac
