#!/usr/bin/env bash
# The Windows program against a real server: a throw-away PostgreSQL cluster
# of this machine with TLS on, its certificate signed by a throw-away
# certificate authority made here, reached by vordan.exe under Wine through
# TCP. Checks that verify-full with the authority passes and that a wrong
# host name, an unknown authority and a plain-text connection are refused;
# then copies a demo base to the server and back.
#   scripts/windows/test-server.sh VORDAN_EXE
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
exe=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -n "$bin" ] || { echo "PostgreSQL n'est pas installé (paquet postgresql)" >&2; exit 1; }
root=$(mktemp -d /tmp/vordan-wintls-XXXXXX)
run=()
if [ "$(id -u)" = 0 ]; then
    chown postgres: "$root"
    run=(runuser -u postgres --)
fi
stop() {
    "${run[@]}" "$bin/pg_ctl" -D "$root/data" -m immediate stop >/dev/null 2>&1 || true
    rm -rf "$root"
}
trap stop EXIT
fails=0
passes=0
check() { # description, expected (0 = success, else a word of the refusal), command...
    local what=$1 want=$2
    shift 2
    local out rc=0
    out=$("$@" 2>&1) || rc=$?
    # A refusal counts only when the program itself said why (not a program
    # that could not start).
    if { [ "$want" = 0 ] && [ $rc = 0 ]; } ||
        { [ "$want" != 0 ] && [ $rc != 0 ] && grep -q '^Erreur' <<<"$out" &&
            grep -qi -- "$want" <<<"$out"; }; then
        echo "PASS   : $what"
        passes=$((passes + 1))
    else
        echo "FAIL!  : $what (code $rc)"
        echo "$out" | tail -n 5 | sed 's/^/         /'
        fails=$((fails + 1))
    fi
    LAST_OUTPUT=$out
}

# The authority, a server certificate for "localhost", and another authority.
cd "$root"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=VORDAN test CA" \
    -keyout ca.key -out ca.crt 2>/dev/null
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Other CA" \
    -keyout other.key -out other.crt 2>/dev/null
openssl req -newkey rsa:2048 -nodes -subj "/CN=localhost" -keyout server.key -out server.csr \
    2>/dev/null
printf 'subjectAltName=DNS:localhost\n' >san.cnf
openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 2 \
    -extfile san.cnf -out server.crt 2>/dev/null
chmod 600 server.key
[ ${#run[@]} -gt 0 ] && chown postgres: server.key server.crt

"${run[@]}" "$bin/initdb" -D "$root/data" -U vordan -A trust -E UTF8 --locale=C --no-sync >/dev/null
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
cat >>"$root/data/postgresql.conf" <<CONF
listen_addresses = '127.0.0.1'
port = $port
unix_socket_directories = '$root'
ssl = on
ssl_cert_file = '$root/server.crt'
ssl_key_file = '$root/server.key'
fsync = off
CONF
# TLS only: a plain-text connection is refused by the server itself.
cat >"$root/data/pg_hba.conf" <<HBA
local all all trust
hostssl all all 127.0.0.1/32 trust
hostnossl all all 127.0.0.1/32 reject
HBA
"${run[@]}" "$bin/pg_ctl" -D "$root/data" -l "$root/server.log" -w start >/dev/null
"${run[@]}" "$bin/createdb" -h "$root" -p "$port" -U vordan boutique

w() { "$here/wine-run.sh" "$exe" "$@"; }
# As a Windows user writes them: backslashes.
ca=$(winepath -w "$root/ca.crt")
other=$(winepath -w "$root/other.crt")
good="postgresql://vordan@localhost:$port/boutique?sslmode=verify-full&sslrootcert=$ca"

check "verify-full avec l'autorité de la chaîne : base créée" 0 \
    w --creer-base "$good" --magasin "Pro Shop Wine"
check "nom d'hôte qui ne correspond pas au certificat : refusé" "certific\|host name\|nom" \
    w --creer-base "postgresql://vordan@127.0.0.1:$port/postgres?sslmode=verify-full&sslrootcert=$ca"
check "autorité inconnue : refusée" "certific" \
    w --creer-base "postgresql://vordan@localhost:$port/postgres?sslmode=verify-full&sslrootcert=$other"
check "connexion en clair : refusée" "no encryption\|pg_hba\|refuse" \
    w --creer-base "postgresql://vordan@localhost:$port/postgres?sslmode=disable"

# A demo base made by the Windows program, copied to the server and back.
mkdir -p "$root/demo" "$root/retour"
check "base de démonstration SQLite" 0 w --creer-base "$(winepath -w "$root/demo")" --demo
check "copie vers une base déjà faite : refusée" "vide\|tables" w --transferer "$(winepath -w "$root/demo")\\" "$good"
"${run[@]}" "$bin/createdb" -h "$root" -p "$port" -U vordan copie
copy="postgresql://vordan@localhost:$port/copie?sslmode=verify-full&sslrootcert=$ca"
check "copie vers une base vide du serveur" 0 w --transferer "$(winepath -w "$root/demo")\\" "$copy"
check "copie du serveur vers un dossier vide" 0 w --transferer "$copy" "$(winepath -w "$root/retour")\\"
demo=$(sqlite3 "$root/demo/vordan.mdb" 'select count(*) from strclient')
back=$(sqlite3 "$root/retour/vordan.mdb" 'select count(*) from strclient')
if [ "$demo" -gt 0 ] && [ "$demo" = "$back" ]; then
    echo "PASS   : $back clients revenus du serveur"
    passes=$((passes + 1))
else
    echo "FAIL!  : clients $demo au départ, $back au retour"
    fails=$((fails + 1))
fi
echo "$passes passed, $fails failed"
[ "$fails" = 0 ]
