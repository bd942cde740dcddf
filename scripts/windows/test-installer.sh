#!/usr/bin/env bash
# The installer as a shop's IT person runs it: silently (/S) in a throw-away
# Wine prefix, then the installed program (a demo base, the help, an import's
# dry run, a restore from drive E:), then the uninstaller: the program's files go, a data folder stays.
#   scripts/windows/test-installer.sh vordan-VERSION-setup.exe
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
setup=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
# sqlite3 counts the customers of the restored base.
"$here/../install-deps.sh" sqlite3 >/dev/null
export WINEPREFIX=$(mktemp -d /tmp/vordan-wineprefix-XXXXXX)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
wineboot --init >/dev/null 2>&1
passes=0
fails=0
ok() { echo "PASS   : $1"; passes=$((passes + 1)); }
ko() { echo "FAIL!  : $1"; fails=$((fails + 1)); }

drive_c=$WINEPREFIX/drive_c
installed="$drive_c/Program Files/VORDAN"
wine "$setup" /S >/dev/null 2>&1 || true
wineserver -w
[ -f "$installed/vordan.exe" ] && ok "installé dans C:\\Program Files\\VORDAN" || ko "vordan.exe absent après /S"
[ -f "$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/VORDAN.lnk" ] &&
    ok "entrée « VORDAN » du menu Démarrer" || ko "entrée du menu Démarrer absente"
[ -f "$installed/desinstaller.exe" ] && ok "désinstalleur" || ko "désinstalleur absent"

# The installed program alone: no tool-chain folder on its path. (Wine hands
# Qt's variables to Windows programs only as WINEQT_*.)
run() { (cd "$installed" && WINEQT_QPA_PLATFORM=offscreen wine ./vordan.exe "$@"); }
data="$drive_c/users/Public/VORDAN"
mkdir -p "$data"
if out=$(run --creer-base 'C:\users\Public\VORDAN' --demo --magasin "Pro Shop d'essai" 2>&1) &&
    [ -f "$data/vordan.mdb" ]; then ok "base de démonstration créée"; else ko "--creer-base --demo : $out"; fi
if out=$(run --aide 2>&1) && grep -q -- '--creer-base' <<<"$out" && grep -q 'APPDATA' <<<"$out"; then
    ok "--aide"
else ko "--aide : $out"; fi
if out=$(run --version 2>&1) && grep -q '1\.' <<<"$out"; then ok "--version : $out"; else ko "--version : $out"; fi
printf 'C:\\users\\Public\\VORDAN\\\r\n' >"$installed/CHEMIN.QZ"
printf 'Nom;Prénom;Ville\r\nGUÉRIN;Zoé;Nantes\r\n' | iconv -f UTF-8 -t WINDOWS-1252 >"$data/clients.csv"
if out=$(run --importer 'C:\users\Public\VORDAN\clients.csv' --essai 2>&1); then
    ok "--importer --essai"
else ko "--importer --essai : $out"; fi
if grep -q 'GUÉRIN\|GUERIN\|1 client' <<<"$out"; then ok "le rapport nomme le client importé"; else ko "rapport : $out"; fi

# A backup on drive E: (a folder of this machine given that letter), a
# customer imported after it, then the restore from E:, which takes the base
# back and keeps the current one beside it.
drive_e=$(mktemp -d /tmp/vordan-lecteur-e-XXXXXX)
cp "$data/vordan.mdb" "$drive_e/"
ln -s "$drive_e" "$WINEPREFIX/dosdevices/e:"
customers() { sqlite3 "$data/vordan.mdb" "SELECT count(*) FROM strclient"; }
before=$(customers)
run --importer 'C:\users\Public\VORDAN\clients.csv' >/dev/null 2>&1 || true
after=$(customers)
if out=$(run --restaurer 'E:\' 2>&1) && [ "$(customers)" = "$before" ] && [ "$after" != "$before" ] &&
    ls "$data"/vordan.mdb.avant-restauration-* >/dev/null 2>&1; then
    ok "restauration depuis le lecteur E: ($after clients avant, $before après)"
else ko "--restaurer E:\\ : $out (avant $before, importé $after, après $(customers))"; fi
rm -rf "$drive_e"
rm -f "$installed/CHEMIN.QZ"

wine "$installed/desinstaller.exe" /S >/dev/null 2>&1 || true
wineserver -w
sleep 2
[ ! -f "$installed/vordan.exe" ] && ok "programme désinstallé" || ko "vordan.exe encore là"
[ -z "$(find "$installed" -name '*.dll' 2>/dev/null)" ] && ok "DLL retirées" || ko "DLL encore là"
[ -f "$data/vordan.mdb" ] && ok "dossier de données gardé" || ko "la base a disparu"
echo "$passes passed, $fails failed"
[ "$fails" = 0 ]
