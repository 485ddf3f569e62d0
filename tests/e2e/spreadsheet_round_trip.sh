#!/usr/bin/env bash
# A real spreadsheet opens an exported workbook and saves it again: headless
# LibreOffice Calc converts the xlsx export to xlsx and to CSV, as a user's
# "open, save" would. Each, imported into a new log, must give the original
# log back byte for byte, with no cell reported as changed: the texts a
# spreadsheet likes to reinterpret (007, 1/2, 1e3, 0012, 12:30, 3.50, a
# formula, leading spaces) and every Windows-1252 character. Last, for the
# README, it prints what the same texts become when Calc opens the CSV
# export and saves it again: why spreadsheet users are told to use xlsx.
# Usage: spreadsheet_round_trip.sh PINTWISE_LOG
set -euo pipefail
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }
command -v soffice >/dev/null || fail "soffice is not installed (scripts/ensure-packages.sh test installs libreoffice-calc-nogui)"
export LC_ALL=C # lengths in bytes: the log's texts are Windows-1252

# field TEXT WIDTH: the text's bytes, space-padded as the log keeps them.
field() { printf '%s%*s' "$1" $(($2 - ${#1})) ''; }
every=''
for ((b = 0x21; b <= 0xFF; b++)); do
    printf -v byte "\\x$(printf %02x "$b")"
    every+=$byte
done
{
    field 007 20
    field 1/2 20
    field 1e3 20
    field 0012 20
    field 12:30 20
    field 3.50 20
    field '  two leading spaces' 20
    field -5 20
    field TRUE 20
    field '=SUM(A1)' 200
    field '' 380 # a deleted entry
    for ((f = 0; f < 9; f++)); do field "${every:f*20:20}" 20; done
    field "${every:180}" 200
} >"$work/Entry.Dat"

"$tool" export --format xlsx --output "$work/log.xlsx" "$work/Entry.Dat"
mkdir "$work/saved"
# A profile of its own, so that no running LibreOffice or user setting takes part.
office() {
    soffice --headless "-env:UserInstallation=file://$work/profile" --convert-to "$1" --outdir "$work/saved" \
        "$work/log.xlsx" >"$work/office.log" 2>&1 || fail "soffice --convert-to $1: $(cat "$work/office.log")"
}
office xlsx
# Comma, double quote, UTF-8, first line the header: Calc's CSV export options.
office 'csv:Text - txt - csv (StarCalc):44,34,76,1'

for saved in log.xlsx log.csv; do
    "$tool" import "$work/saved/$saved" "$work/$saved.dat" >"$work/import.out" 2>"$work/import.err" \
        || fail "importing LibreOffice's $saved: $(cat "$work/import.err")"
    [[ ! -s $work/import.err ]] || fail "importing LibreOffice's $saved reported: $(cat "$work/import.err")"
    if ! cmp -s "$work/Entry.Dat" "$work/$saved.dat"; then
        "$tool" export "$work/Entry.Dat" >"$work/before.csv"
        "$tool" export "$work/$saved.dat" >"$work/after.csv"
        diff "$work/before.csv" "$work/after.csv" >&2 || true
        fail "LibreOffice's $saved imported into a new log is not the original log"
    fi
    echo "LibreOffice's $saved gives the original $(stat -c %s "$work/Entry.Dat")-byte log back"
done

# The CSV way, for comparison: Calc guesses each cell's type as it opens CSV.
"$tool" export --output "$work/log.csv" "$work/Entry.Dat"
rm -rf "$work/saved"
mkdir "$work/saved"
soffice --headless "-env:UserInstallation=file://$work/profile" --convert-to csv --outdir "$work/saved" \
    "$work/log.csv" >"$work/office.log" 2>&1 || fail "soffice --convert-to csv: $(cat "$work/office.log")"
IFS=, read -r -a typed < <(sed -n 2p "$work/log.csv" | tr -d '\r')
IFS=, read -r -a back < <(sed -n 2p "$work/saved/log.csv" | tr -d '\r')
echo "A CSV export opened and saved by LibreOffice Calc, typed | came back:"
for ((i = 1; i < ${#typed[@]}; i++)); do
    [[ ${typed[i]} == "${back[i]:-}" ]] || echo "  \`${typed[i]}\` | \`${back[i]:-}\`"
done
