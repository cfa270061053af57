# Throw-away PostgreSQL 15 and MariaDB servers on loopback for the tests.
# Source this file, then call `kelvoran_servers_start BUILD_DIR` and, on exit,
# `kelvoran_servers_stop`. Start-up exports what the tests read:
#   KELVORAN_TEST_SERVERS=1, KELVORAN_TEST_PASSWORD, KELVORAN_TEST_PG_PORT, KELVORAN_TEST_MY_PORT,
#   KELVORAN_ALIASES (an alias file naming DEMO, ORAFIX, PGTEST and MYTEST).
# As root each server runs under its own system user (PostgreSQL refuses to run as root), on a
# data folder that user owns; as another user, under that user.

KELVORAN_PG_BIN=/usr/lib/postgresql/15/bin

kelvoran_free_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1]); s.close()'
}

# Runs a command as the given system user when we are root, else as ourselves.
kelvoran_as() {
    local user=$1
    shift
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u "$user" -- "$@"
    else
        "$@"
    fi
}

kelvoran_servers_start() {
    local build_dir=$1
    local src_dir
    src_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
    KELVORAN_SERVER_DIR=$(mktemp -d /tmp/kelvoran-servers.XXXXXX)
    chmod 755 "$KELVORAN_SERVER_DIR"
    export KELVORAN_TEST_PASSWORD="kelvoran-test-$$"
    local pg_user=postgres my_user=mysql
    if [ "$(id -u)" -ne 0 ]; then
        pg_user=$(id -un)
        my_user=$(id -un)
    fi

    # PostgreSQL: local socket trusted for set-up, TCP with password for the tests.
    # Everything the server writes lives under one folder its user owns.
    local pgroot=$KELVORAN_SERVER_DIR/pg
    local pgdata=$pgroot/data pgsock=$pgroot/sock
    mkdir -p "$pgroot"
    [ "$(id -u)" -eq 0 ] && chown "$pg_user" "$pgroot"
    kelvoran_as "$pg_user" mkdir -p "$pgdata" "$pgsock"
    export KELVORAN_TEST_PG_PORT
    KELVORAN_TEST_PG_PORT=$(kelvoran_free_port)
    kelvoran_as "$pg_user" "$KELVORAN_PG_BIN/initdb" -D "$pgdata" -U postgres -E UTF8 \
        --locale=C.UTF-8 --auth-local=trust --auth-host=scram-sha-256 >"$KELVORAN_SERVER_DIR/initdb.log" 2>&1 ||
        { cat "$KELVORAN_SERVER_DIR/initdb.log"; return 1; }
    kelvoran_as "$pg_user" "$KELVORAN_PG_BIN/pg_ctl" -D "$pgdata" -l "$pgroot/server.log" -w -t 60 \
        -o "-p $KELVORAN_TEST_PG_PORT -k $pgsock -c listen_addresses=127.0.0.1 -c fsync=off" start >/dev/null ||
        { cat "$pgroot/server.log"; return 1; }
    KELVORAN_PG_STARTED=1
    local psql=(psql -X -q -v ON_ERROR_STOP=1 -h "$pgsock" -p "$KELVORAN_TEST_PG_PORT" -U postgres)
    kelvoran_as "$pg_user" "${psql[@]}" -d postgres \
        -c "CREATE ROLE kelvoran LOGIN CREATEDB PASSWORD '$KELVORAN_TEST_PASSWORD'" \
        -c "CREATE DATABASE kelvoran OWNER kelvoran ENCODING 'UTF8'" || return 1
    if [ -f "$src_dir/tests/fixtures/postgres_schema.sql" ]; then
        PGPASSWORD=$KELVORAN_TEST_PASSWORD psql -X -q -v ON_ERROR_STOP=1 -h 127.0.0.1 \
            -p "$KELVORAN_TEST_PG_PORT" -U kelvoran -d kelvoran \
            -f "$src_dir/tests/fixtures/postgres_schema.sql" >/dev/null || return 1
    fi

    # MariaDB: root by socket only, user kelvoran by TCP with password; besides its database the
    # user may create databases named kelvoran_* (tests that need a schema of their own).
    local myroot=$KELVORAN_SERVER_DIR/my
    local mydata=$myroot/data mysock=$myroot/sock
    mkdir -p "$myroot"
    [ "$(id -u)" -eq 0 ] && chown "$my_user" "$myroot"
    kelvoran_as "$my_user" mkdir -p "$mydata" "$mysock"
    export KELVORAN_TEST_MY_PORT
    KELVORAN_TEST_MY_PORT=$(kelvoran_free_port)
    KELVORAN_MY_SOCKET=$mysock/mysqld.sock
    mariadb-install-db --no-defaults --user="$my_user" --datadir="$mydata" \
        --auth-root-authentication-method=normal --skip-test-db >"$KELVORAN_SERVER_DIR/my-install.log" 2>&1 ||
        { cat "$KELVORAN_SERVER_DIR/my-install.log"; return 1; }
    mariadbd --no-defaults --user="$my_user" --datadir="$mydata" --port="$KELVORAN_TEST_MY_PORT" \
        --bind-address=127.0.0.1 --socket="$KELVORAN_MY_SOCKET" --pid-file="$mysock/mysqld.pid" \
        --log-error="$myroot/server.err" --local-infile=1 --character-set-server=utf8mb4 \
        --innodb-flush-log-at-trx-commit=2 --skip-log-bin >/dev/null 2>&1 &
    KELVORAN_MY_PID=$!
    local i
    for i in $(seq 1 60); do
        mariadb-admin --no-defaults -S "$KELVORAN_MY_SOCKET" -u root ping >/dev/null 2>&1 && break
        sleep 0.5
    done
    mariadb-admin --no-defaults -S "$KELVORAN_MY_SOCKET" -u root ping >/dev/null 2>&1 ||
        { cat "$myroot/server.err"; return 1; }
    mariadb --no-defaults -S "$KELVORAN_MY_SOCKET" -u root -e "
        CREATE DATABASE kelvoran CHARACTER SET utf8mb4;
        CREATE USER 'kelvoran'@'127.0.0.1' IDENTIFIED BY '$KELVORAN_TEST_PASSWORD';
        CREATE USER 'kelvoran'@'localhost' IDENTIFIED BY '$KELVORAN_TEST_PASSWORD';
        GRANT ALL ON kelvoran.* TO 'kelvoran'@'127.0.0.1';
        GRANT ALL ON kelvoran.* TO 'kelvoran'@'localhost';
        GRANT ALL ON \`kelvoran\\_%\`.* TO 'kelvoran'@'127.0.0.1';
        GRANT ALL ON \`kelvoran\\_%\`.* TO 'kelvoran'@'localhost';" || return 1
    if [ -f "$src_dir/tests/fixtures/mariadb_schema.sql" ]; then
        mariadb --no-defaults -h 127.0.0.1 -P "$KELVORAN_TEST_MY_PORT" -u kelvoran \
            -p"$KELVORAN_TEST_PASSWORD" kelvoran <"$src_dir/tests/fixtures/mariadb_schema.sql" || return 1
    fi

    export KELVORAN_ALIASES=$build_dir/test-aliases.ini
    cat >"$KELVORAN_ALIASES" <<INI
[DEMO]
driver=QSQLITE
database=$build_dir/fixtures/demo.sqlite

[ORAFIX]
driver=QSQLITE
drivername=ORACLE (data dictionary fixture on SQLite)
database=$build_dir/fixtures/oracle_dictionary.sqlite

[PGTEST]
driver=QPSQL
host=127.0.0.1
port=$KELVORAN_TEST_PG_PORT
database=kelvoran
user=kelvoran
login=true

[MYTEST]
driver=QMYSQL
host=127.0.0.1
port=$KELVORAN_TEST_MY_PORT
database=kelvoran
user=kelvoran
login=true
INI
    export KELVORAN_TEST_SERVERS=1
    echo "Test servers: PostgreSQL on 127.0.0.1:$KELVORAN_TEST_PG_PORT, MariaDB on 127.0.0.1:$KELVORAN_TEST_MY_PORT"
}

kelvoran_servers_stop() {
    [ -n "${KELVORAN_SERVER_DIR:-}" ] || return 0
    if [ -n "${KELVORAN_PG_STARTED:-}" ]; then
        local pg_user=postgres
        [ "$(id -u)" -eq 0 ] || pg_user=$(id -un)
        kelvoran_as "$pg_user" "$KELVORAN_PG_BIN/pg_ctl" -D "$KELVORAN_SERVER_DIR/pg/data" -m immediate -w stop \
            >/dev/null 2>&1 || true
    fi
    if [ -n "${KELVORAN_MY_PID:-}" ]; then
        mariadb-admin --no-defaults -S "$KELVORAN_MY_SOCKET" -u root shutdown >/dev/null 2>&1 ||
            kill "$KELVORAN_MY_PID" 2>/dev/null || true
        wait "$KELVORAN_MY_PID" 2>/dev/null || true
    fi
    rm -rf "$KELVORAN_SERVER_DIR"
    KELVORAN_SERVER_DIR=
}
