# Sourced by scripts/test.sh: a T-SQL server for the SQL Server tests, the
# Babelfish for PostgreSQL 4.2.0 of shared/sqlserver-peer/ beside the
# repository (a T-SQL engine that speaks SQL Server's TDS protocol; FreeTDS
# talks to it as to a SQL Server).
#
#   qel_peer_locate   sets QEL_PEER_PREFIX to the server's programs: the prefix
#                     archive unpacked once into $QEL_CACHE/babelfish-<sha256>,
#                     or, where only the sources are there, built once with the
#                     recipe into $QEL_CACHE/babelfish-4.2.0; fails with one
#                     line where neither is there.
#   qel_peer_start    starts a server as the system user qel-peer (PostgreSQL
#                     never runs as root) in a temporary folder on free
#                     loopback ports, loads sql/sqlserver/*.sql as written, the
#                     demo data and the logins, and exports the QEL_TDS_*
#                     variables the tests read; qel_peer_stop (also on exit,
#                     failure or Ctrl+C) stops it and removes the folder.
#
# Only this harness bridges where the engine is not SQL Server (listed in the
# recipe's header); the product and the reference scripts never depend on it:
#   - CREATE LOGIN ... CHECK_POLICY = ON needs the escape hatch
#     escape_hatch_login_misc_options = ignore;
#   - there is no ownership chaining for procedures: GET_USER is made to run
#     with its owner's rights (SECURITY DEFINER) through the PostgreSQL port,
#     as a procedure reading tables its caller may not read runs on SQL Server.

# The CTest names of the tests over TDS.
QEL_TDS_TESTS='Tds'

qel_peer_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
QEL_CACHE=${QEL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/qel23}
QEL_PEER_VERSION=babelfish-4.2.0
QEL_PEER_USER=${QEL_PEER_USER:-qel-peer}

# The shared/sqlserver-peer folders that may lie beside this repository,
# beside a worktree's main repository, beside a local repository cloned from.
qel_peer_candidates() {
  local dir=$1 depth=${2:-0} common origin
  echo "$dir/../shared/sqlserver-peer"
  common=$(git -C "$dir" rev-parse --path-format=absolute --git-common-dir 2>/dev/null) &&
    echo "$common/../../shared/sqlserver-peer"
  origin=$(git -C "$dir" remote get-url origin 2>/dev/null) || return 0
  origin=${origin#file://}
  if [[ $origin == /* && -d $origin && $(realpath "$origin") != "$(realpath "$dir")" && $depth -lt 3 ]]; then
    qel_peer_candidates "$origin" $((depth + 1))
  fi
}

qel_peer_complete() { [[ -x $1/bin/postgres && -x $1/bin/initdb && -f $1/lib/postgresql/babelfishpg_tds.so ]]; }

qel_peer_locate() {
  [[ -n ${QEL_PEER_PREFIX:-} ]] && qel_peer_complete "$QEL_PEER_PREFIX" && return 0
  local dir="" candidate archive sum expected work
  while read -r candidate; do
    if [[ -d $candidate ]]; then dir=$(realpath "$candidate"); break; fi
  done < <(qel_peer_candidates "$qel_peer_repo")
  archive=$dir/$QEL_PEER_VERSION-debian12-x86_64.tar.xz
  if [[ -n $dir && -f $archive ]]; then
    sum=$(sha256sum "$archive" | cut -d' ' -f1)
    expected=$(awk -v f="$(basename "$archive")" '$2 == f {print $1}' "$dir/SHA256SUMS" 2>/dev/null)
    if [[ -n $expected && $sum != "$expected" ]]; then
      echo "$archive does not match its checksum in SHA256SUMS: not used." >&2
      return 1
    fi
    QEL_PEER_PREFIX=$QEL_CACHE/$QEL_PEER_VERSION-$sum/$QEL_PEER_VERSION
    qel_peer_complete "$QEL_PEER_PREFIX" && return 0
    echo "Unpacking the T-SQL server from $archive into $(dirname "$QEL_PEER_PREFIX")"
    mkdir -p "$QEL_CACHE"
    work=$(mktemp -d "$QEL_CACHE/.unpack.XXXXXX")
    if ! tar -xJf "$archive" -C "$work" || ! qel_peer_complete "$work/$QEL_PEER_VERSION"; then
      rm -rf "$work"
      echo "$archive is not a complete prefix of the T-SQL server." >&2
      return 1
    fi
    rm -rf "$(dirname "$QEL_PEER_PREFIX")"
    mv "$work" "$(dirname "$QEL_PEER_PREFIX")"
    return 0
  fi
  QEL_PEER_PREFIX=$QEL_CACHE/$QEL_PEER_VERSION
  qel_peer_complete "$QEL_PEER_PREFIX" && return 0
  if [[ -n $dir && -f $dir/$QEL_PEER_VERSION-src.tar.xz && -f $dir/build-babelfish.sh ]]; then
    echo "==> Building the T-SQL server once from $dir/$QEL_PEER_VERSION-src.tar.xz into $QEL_PEER_PREFIX"
    echo "    (about 8 minutes on 2 quiet cores, longer on a busy machine; later runs reuse it)"
    bash "$dir/build-babelfish.sh" "$QEL_PEER_PREFIX" "$QEL_CACHE/$QEL_PEER_VERSION.build" &&
      qel_peer_complete "$QEL_PEER_PREFIX" && rm -rf "$QEL_CACHE/$QEL_PEER_VERSION.build" && return 0
    echo "The T-SQL server could not be built (see above)." >&2
    return 1
  fi
  QEL_PEER_PREFIX=""
  return 1
}

# A free TCP port on the loopback address.
qel_peer_free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Runs a command of the prefix as the server's user.
qel_peer_as_user() {
  if ((EUID == 0)); then
    runuser -u "$QEL_PEER_USER" -- env LD_LIBRARY_PATH="$QEL_PEER_PREFIX/lib" "$@"
  else
    env LD_LIBRARY_PATH="$QEL_PEER_PREFIX/lib" "$@"
  fi
}

qel_peer_psql() {
  local database=$1
  shift
  qel_peer_as_user "$QEL_PEER_PREFIX/bin/psql" -X -q -v ON_ERROR_STOP=1 -h "$QEL_PEER_DIR/socket" \
    -p "$QEL_TDS_PG_PORT" -U "$QEL_PEER_SERVER_USER" -d "$database" "$@"
}

# qel_peer_tsql LOGIN PASSWORD < BATCHES: runs T-SQL batches (separated by
# GO lines) over TDS with FreeTDS, as the reference scripts are run; fails,
# showing the server's messages, when a batch fails.
qel_peer_tsql() {
  local login=$1 password=$2 out
  out=$(FREETDSCONF=/dev/null bsqldb -S "127.0.0.1:$QEL_TDS_PORT" -U "$login" -P "$password" -q 2>&1) || {
    echo "$out" >&2
    return 1
  }
  if grep -q '^Msg [0-9]' <<<"$out"; then
    echo "$out" >&2
    return 1
  fi
  [[ -z $out ]] || echo "$out"
}

qel_peer_stop() {
  # Later stages must not take the stopped server for a running one.
  unset QEL_TDS_HOST QEL_TDS_PORT QEL_TDS_PG_PORT QEL_TDS_ADMIN_LOGIN QEL_TDS_ADMIN_PASSWORD \
    QEL_TDS_PG_SOCKET QEL_TDS_PSQL QEL_TDS_PG_LIBRARIES
  [[ -n ${QEL_PEER_DIR:-} && -d $QEL_PEER_DIR ]] || return 0
  if [[ -f $QEL_PEER_DIR/data/postmaster.pid ]]; then
    qel_peer_as_user "$QEL_PEER_PREFIX/bin/pg_ctl" -D "$QEL_PEER_DIR/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$QEL_PEER_DIR"
  QEL_PEER_DIR=""
}

# The user the server runs as: root's own, or a system user made for it.
qel_peer_ensure_user() {
  ((EUID == 0)) || { QEL_PEER_USER=$(id -un); return 0; }
  id -u "$QEL_PEER_USER" >/dev/null 2>&1 ||
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$QEL_PEER_USER"
}

qel_peer_start() {
  qel_peer_ensure_user || return 1
  QEL_PEER_DIR=$(mktemp -d "${TMPDIR:-/tmp}/qel-peer.XXXXXX") || return 1
  trap qel_peer_stop EXIT
  trap 'qel_peer_stop; trap - INT; kill -INT $$' INT
  trap 'qel_peer_stop; trap - TERM; kill -TERM $$' TERM
  chmod 755 "$QEL_PEER_DIR"
  if ((EUID == 0)); then
    # The cache lies in root's home, which the server's user cannot enter.
    cp -r "$QEL_PEER_PREFIX" "$QEL_PEER_DIR/prefix"
    QEL_PEER_PREFIX=$QEL_PEER_DIR/prefix
    chown -R "$QEL_PEER_USER" "$QEL_PEER_DIR"
  fi
  qel_peer_as_user mkdir -p "$QEL_PEER_DIR/socket"
  local log=$QEL_PEER_DIR/server.log
  QEL_PEER_SERVER_USER=qel_admin
  QEL_TDS_HOST=127.0.0.1
  QEL_TDS_ADMIN_LOGIN=qel_admin
  QEL_TDS_ADMIN_PASSWORD=Adm$RANDOM$RANDOM
  QEL_TDS_PG_PORT=$(qel_peer_free_port)
  QEL_TDS_PORT=$(qel_peer_free_port)
  while [[ $QEL_TDS_PORT == "$QEL_TDS_PG_PORT" ]]; do QEL_TDS_PORT=$(qel_peer_free_port); done
  qel_peer_as_user "$QEL_PEER_PREFIX/bin/initdb" -D "$QEL_PEER_DIR/data" -E UTF8 --auth=trust \
    --locale=C.UTF-8 -U postgres >"$QEL_PEER_DIR/initdb.log" 2>&1 ||
    { cat "$QEL_PEER_DIR/initdb.log" >&2; return 1; }
  qel_peer_as_user tee -a "$QEL_PEER_DIR/data/postgresql.conf" >/dev/null <<CONF
listen_addresses = '127.0.0.1'
port = $QEL_TDS_PG_PORT
unix_socket_directories = '$QEL_PEER_DIR/socket'
shared_preload_libraries = 'babelfishpg_tds'
babelfishpg_tds.listen_addresses = '127.0.0.1'
babelfishpg_tds.port = $QEL_TDS_PORT
babelfishpg_tsql.database_name = 'babelfish_db'
babelfishpg_tsql.migration_mode = 'multi-db'
babelfishpg_tsql.server_collation_name = 'cyrillic_general_ci_as'
fsync = off
synchronous_commit = off
full_page_writes = off
CONF
  qel_peer_as_user "$QEL_PEER_PREFIX/bin/pg_ctl" -D "$QEL_PEER_DIR/data" -l "$log" -w start >/dev/null ||
    { cat "$log" >&2; return 1; }
  QEL_PEER_SERVER_USER=postgres
  qel_peer_psql postgres <<SQL || return 1
CREATE USER qel_admin WITH SUPERUSER CREATEDB CREATEROLE PASSWORD '$QEL_TDS_ADMIN_PASSWORD' INHERIT;
CREATE DATABASE babelfish_db OWNER qel_admin;
SQL
  qel_peer_psql babelfish_db <<SQL >/dev/null 2>&1 || { echo "The T-SQL extensions did not install." >&2; return 1; }
SET client_min_messages = warning;
CREATE EXTENSION babelfishpg_tds CASCADE;
GRANT ALL ON SCHEMA sys TO qel_admin;
CALL sys.initialize_babelfish('qel_admin');
SQL
  qel_peer_load || return 1
  export QEL_TDS_HOST QEL_TDS_PORT QEL_TDS_PG_PORT QEL_TDS_ADMIN_LOGIN QEL_TDS_ADMIN_PASSWORD
  export QEL_TDS_PG_SOCKET=$QEL_PEER_DIR/socket
  # The PostgreSQL client, for the few statements a test sends through the
  # server's own port where T-SQL cannot say them on this engine.
  export QEL_TDS_PSQL=$QEL_PEER_PREFIX/bin/psql QEL_TDS_PG_LIBRARIES=$QEL_PEER_PREFIX/lib
}

# Loads the reference scripts as an administrator runs them, the logins of
# the demo data through logins.sql, and the demo rows.
qel_peer_load() {
  local sqldir=$qel_peer_repo/sql/sqlserver admin=("$QEL_TDS_ADMIN_LOGIN" "$QEL_TDS_ADMIN_PASSWORD")
  local rows=$QEL_PEER_DIR/demo_rows.sql logins=$QEL_PEER_DIR/demo_logins.txt login password role
  python3 "$qel_peer_repo/scripts/lib/sqlserver_peer_data.py" "$qel_peer_repo/sql/sqlite/schema.sql" \
    "$qel_peer_repo/sql/sqlite/demo_data.sql" "$sqldir/schema.sql" "$rows" "$logins" || return 1
  # Bridged: the login option.
  qel_peer_tsql "${admin[@]}" <<<"EXEC sp_babelfish_configure 'escape_hatch_login_misc_options', 'ignore', 'server'
GO" >/dev/null || return 1
  qel_peer_tsql "${admin[@]}" <"$sqldir/schema.sql" >/dev/null || { echo "schema.sql failed" >&2; return 1; }
  qel_peer_tsql "${admin[@]}" <"$sqldir/get_user.sql" >/dev/null || { echo "get_user.sql failed" >&2; return 1; }
  # Bridged: ownership chaining, GET_USER runs with its owner's rights.
  QEL_PEER_SERVER_USER=postgres
  qel_peer_psql babelfish_db -c 'ALTER PROCEDURE qel_dbo.get_user SECURITY DEFINER' || return 1
  while read -r login password role; do
    # sqlcmd's -v variables, as the script's header runs it.
    sed -e "s/\$(Login)/$login/g; s/\$(Password)/$password/g; s/\$(Role)/$role/g" "$sqldir/logins.sql" |
      qel_peer_tsql "${admin[@]}" >/dev/null || { echo "logins.sql failed for $login" >&2; return 1; }
  done <"$logins"
  qel_peer_tsql "${admin[@]}" <"$rows" >/dev/null || { echo "the demo data did not load" >&2; return 1; }
}
