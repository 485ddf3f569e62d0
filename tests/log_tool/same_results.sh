#!/usr/bin/env bash
# The Linux and the Windows pintwise-log on the same logs and inputs: their
# CSV and JSON exports byte for byte, each one's xlsx export imported by the
# other back to the original log, and the fuzz targets' seeds imported or
# checked with the same exit status, standard output and standard error.
#
# Each tool works in a folder of its own holding the same files, given the
# same relative paths, so that the names in their messages match; in the
# end every file either tool wrote must be the same in both folders. Not
# compared as bytes: the workbooks, whose archives hold the time they were
# written, and the origin of the host's code page in `check`'s report (the
# locale on Linux, GetACP under Windows); the code page itself is compared.
#
# Usage: same_results.sh LINUX_TOOL WINDOWS_TOOL CORPUS_DIR WORK_DIR RUNNER...
# RUNNER runs a Windows program: scripts/wine-run.sh STATE_DIR, whose prefix
# the tests' wine fixture has made. WORK_DIR is emptied first, and removed
# when everything matched.
set -euo pipefail

linux_tool=${1:?usage: $0 LINUX_TOOL WINDOWS_TOOL CORPUS_DIR WORK_DIR RUNNER...}
windows_tool=${2:?} corpus=${3:?} work=${4:?}
shift 4
runner=("$@")
if [[ ! -x $linux_tool ]]; then
    echo "same_results: no Linux pintwise-log at $linux_tool: build it first (cmake --preset dev && cmake --build build/default --target pintwise-log) or set PINTWISE_LINUX_LOG_TOOL" >&2
    exit 1
fi
linux_tool=$(realpath "$linux_tool")
windows_tool=$(realpath "$windows_tool")
corpus=$(realpath "$corpus")
# The runner's paths (script, state folder) hold from any folder.
for i in "${!runner[@]}"; do
    [[ ! -e ${runner[i]} ]] || runner[i]=$(realpath "${runner[i]}")
done

# Windows-1252 for both: from LANG on Linux, and Wine's GetACP follows it.
unset LC_ALL LC_CTYPE
export LANG=C.UTF-8

rm -rf "$work"
mkdir -p "$work/logs" "$work/results"
work=$(realpath "$work")
results=$work/results
differences=0

# One record: the fields given (in UTF-8, stored in code page $page), each
# cut or space-padded to its width (20 bytes, 200 for Notes); the others
# all spaces.
record() {
    local widths=(20 20 20 20 20 20 20 20 20 200) i text
    for i in "${!widths[@]}"; do
        # The x keeps a last line break from the command substitution.
        text=$(printf '%s' "${@:i+1:1}" | iconv -f UTF-8 -t "WINDOWS-$page" && printf x)
        text=${text%x}
        LC_ALL=C printf '%-*.*s' "${widths[i]}" "${widths[i]}" "$text"
    done
}

# TEXT repeated and cut to WIDTH characters: a field full to its width.
full() {
    local text=$1
    while ((${#text} < $2)); do text+=$1; done
    printf '%s' "${text:0:$2}"
}

spaces() { printf '%*s' "$1" ''; }
zeros() { head -c "$1" /dev/zero; }
# The first BYTES of standard input, all of which is read.
cut_to() {
    head -c "$1"
    cat >/dev/null
}

make_logs() {
    cd "$work/logs"
    page=1252
    {
        record 'Chimay Bleue' 'België' 'Café à Liège' 'Abbaye de Scourmont' 'Fête 2024' '€ 4,50' 'Trappiste' \
            'Fruité, épicé' 'Brun foncé' 'Notes “quoted”, „low“, … œ Œ Š Ž š ž Ÿ ß üöä ÄÖÜ ñ Øåæ ¿¡ ½ ©®™'
        record "$(full 'Brauhaus ' 19)ü" "$(full 'été,' 20)" "$(full '"q"' 20)" "$(full 'Ñandú ' 20)" \
            "$(full 'x' 20)" "$(full '0' 20)" "$(full 'Öl ' 20)" "$(full 'Ça ' 20)" "$(full 'ß' 20)" \
            "$(full 'Lorem ipsum, “dolor” sit amet; ' 199)é"
        record 'a,b' 'say "hi"' $'line\r\nbreak' $'just\nLF' $'cr\ronly' '=SUM(A1)' '007' '+1-2' '@cmd' '  lead'
        record '"' $'tab\there' '_x0041_' '<&>' '1/2' '-1' '3.50' 'TRUE' '2024-01-31' $'=1+1\r\n007,"x"\n'
        spaces 380
        # Every byte but zero, the undefined five included.
        LC_ALL=C awk 'BEGIN { for (b = 1; b < 256; b++) printf "%c", b; printf "%125s", "" }'
        record 'Orval' 'Belgique' 'Villers' 'Orval' 'Abbaye' '5' 'Trappiste' 'Amer' 'Ambre' 'Last entry'
    } >western.dat

    page=1250
    {
        record 'Żywiec Białe' 'Polska' 'Łódź' 'Browar Żywiec' 'Kraków, rynek' '4,20 zł' 'Pszeniczne' 'Śliwka, goździk' \
            'Złociste' 'Ćma, źdźbło, „cytat”, żółć, ĄĘŚĆŃ'
        record 'Pilsner Urquell' 'Česko' 'Plzeň' 'Plzeňský Prazdroj' 'Hospoda U Zlatého' '45 Kč' 'Ležák' 'Hořké' \
            'Světlé' 'Čeština: ěščřžýáíéůú ĚŠČŘŽÝÁÍÉŮÚ ťďň'
        spaces 380
        record "$(full 'Łąka ' 20)" "$(full 'ż' 20)"
        LC_ALL=C awk 'BEGIN { for (b = 1; b < 256; b++) printf "%c", b; printf "%125s", "" }'
    } >central.dat

    page=1252
    {
        record 'Duvel' 'België'
        zeros 380
        spaces 380
        # Spaces and zeros mixed: shown empty.
        spaces 25
        zeros 5
        spaces 350
        # A zero ends a field's text.
        printf 'Before\0after%8s' ''
        spaces 360
        # The bytes Windows-1252 leaves undefined.
        printf 'Odd \x81\x8d\x8f\x90\x9d bytes'
        spaces 365
        zeros 380
        record 'Partial' | cut_to 240
    } >gaps.dat
    {
        record 'Whole'
        record 'Cut short' | cut_to 100
    } >tail.dat
    : >empty.dat

    # The largest log the window opens; every 97th entry blank.
    LC_ALL=C awk 'BEGIN {
        split("Belgi\353|Deutschland|\311ire|Espa\361a|Fran\347a|\326sterreich", country, "|")
        for (i = 1; i <= 32767; i++) {
            if (i % 97 == 0) { printf "%380s", ""; continue }
            printf "%-20.20s%-20.20s%-20.20s%-20.20s%-20.20s%-20.20s%-20.20s%-20.20s%-20.20s%-200.200s",
                "Bier " i, country[i % 6 + 1], "Town, " i % 1000, "Brauerei \"" i % 71 "\"", "=" i,
                sprintf("%03d", i % 1000), "Style " i % 13, "Caf\351 cr\350me", "Gold",
                "Notes for " i "\r\nsecond line, \223quoted\224 \200 " i * 7
        }
    }' >big.dat

    # A log a byte off would still match on both sides, and prove less.
    local log
    for log in western:$((7 * 380)) central:$((5 * 380)) gaps:$((7 * 380 + 240)) tail:$((380 + 100)) empty:0 \
        big:$((32767 * 380)); do
        [[ $(stat -c %s "${log%:*}.dat") == "${log#*:}" ]] \
            || { echo "same_results: ${log%:*}.dat is not ${log#*:} bytes long" >&2; exit 1; }
    done
}

# Runs one command line with each tool, from its own folder; keeps each
# one's exit status, standard output and standard error under $results.
run_both() {
    local name=$1 status
    shift
    status=0
    (cd "$work/linux" && "$linux_tool" "$@") </dev/null >"$results/$name.linux.out" \
        2>"$results/$name.linux.err" || status=$?
    echo "$status" >"$results/$name.linux.status"
    status=0
    (cd "$work/windows" && PINTWISE_WINE_STDERR="$results/$name.windows.err" "${runner[@]}" "$windows_tool" "$@") \
        >"$results/$name.windows.out" || status=$?
    echo "$status" >"$results/$name.windows.status"
}

# Reports a difference, and where the two files given differ.
differ() {
    echo "DIFFERENT: $1"
    if (($# == 3)); then
        cmp "$2" "$3" || true
        diff -u --text "$2" "$3" | head -n 30 || true
    fi
    differences=$((differences + 1))
}

compare() {
    local name=$1 stream
    for stream in status out err; do
        cmp -s "$results/$name.linux.$stream" "$results/$name.windows.$stream" \
            || differ "$name, $stream (Linux, then Windows)" "$results/$name.linux.$stream" \
                "$results/$name.windows.$stream"
    done
}

run_and_compare() {
    run_both "$@"
    compare "$1"
}

# Both failing alike would prove nothing where success is expected.
succeeded() {
    local name=$1
    [[ $(cat "$results/$name.linux.status") == 0 ]] \
        || differ "$name: exit status $(cat "$results/$name.linux.status"), not 0: $(cat "$results/$name.linux.err")"
}

# `check` without --code-page: the report's code page line without its origin.
check_and_compare() {
    local name=$1 side
    run_both "$@"
    for side in linux windows; do
        sed -i 's/^\(Code page: .*\) (from [^)]*)$/\1 (from the host)/' "$results/$name.$side.out"
    done
    compare "$name"
}

make_logs
for side in linux windows; do
    mkdir "$work/$side"
    cp -a "$work/logs" "$work/$side/logs"
    cp -a "$corpus" "$work/$side/corpus"
done
cd "$work"

# Exports: CSV to standard output, JSON to a file; check's report where
# the log has something to report.
for log in western gaps tail empty big; do
    run_and_compare "$log-csv" export "logs/$log.dat"
    run_and_compare "$log-json" export --format json --output "$log.json" "logs/$log.dat"
    succeeded "$log-csv"
    succeeded "$log-json"
done
for log in gaps tail big; do
    check_and_compare "$log-check" check "logs/$log.dat"
done
run_and_compare central-csv export --code-page 1250 logs/central.dat
run_and_compare central-json export --format json --code-page 1250 --output central.json logs/central.dat
run_and_compare central-check check --code-page 1250 logs/central.dat
succeeded central-csv
succeeded central-json
succeeded central-check
run_and_compare missing-csv export logs/missing.dat

# Each imports the other's workbook into a new log.
for log in western central big; do
    code_page=()
    [[ $log != central ]] || code_page=(--code-page 1250)
    run_and_compare "$log-xlsx" export --format xlsx "${code_page[@]}" --output "$log.xlsx" "logs/$log.dat"
    if [[ ! -f linux/$log.xlsx || ! -f windows/$log.xlsx ]]; then
        differ "$log.xlsx: a tool wrote no workbook"
        continue
    fi
    mv linux/"$log.xlsx" "$log.xlsx"
    mv windows/"$log.xlsx" linux/
    mv "$log.xlsx" windows/
    run_and_compare "$log-back" import "${code_page[@]}" "$log.xlsx" "$log-back.dat"
    for side in linux windows; do
        cmp -s "logs/$log.dat" "$side/$log-back.dat" \
            || differ "$log.dat through xlsx, into $side" "logs/$log.dat" "$side/$log-back.dat"
    done
done

# The fuzz targets' seeds: each reader's imported into a new log, with
# --cut when its size is odd, as the target chooses; the check target's
# checked as logs.
for format in csv json xlsx; do
    for input in "$corpus/$format"/*; do
        cut=()
        (($(stat -c %s "$input") % 2 == 0)) || cut=(--cut)
        input=corpus/$format/${input##*/}
        run_and_compare "${input//\//-}" import "${cut[@]}" --format "$format" "$input" "${input//\//-}.dat"
    done
done
for input in "$corpus/check"/*; do
    check_and_compare "check-${input##*/}" check "corpus/check/${input##*/}"
done

# Every file either tool wrote, in both folders alike.
while IFS= read -r line; do
    if [[ $line =~ ^Files\ (.*)\ and\ (.*)\ differ$ ]]; then
        differ "$line" "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}"
    else
        differ "$line"
    fi
done < <(diff -rq --exclude='*.xlsx' linux windows || true)

if ((differences > 0)); then
    echo "same_results: $differences differences between the Linux and the Windows pintwise-log; files in $work"
    exit 1
fi
rm -rf "$work"
