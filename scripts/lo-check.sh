#!/usr/bin/env bash
# Opens reports in an independent reader: LibreOffice Calc converts each one to PDF headless, and
# openpyxl loads it. The reports are the example reports (examples/*.kvr on the demo database)
# and, for every workbook of the Excel-made corpus, a fixed and an extended report that use it as
# their template (the settings of examples/branch_cards.kvr and examples/branch_orders.kvr with
# PATTERNFILE pointing at the corpus workbook).
#
#   scripts/lo-check.sh BUILD_DIR [OUT_DIR] [CORPUS_DIR]
#
# BUILD_DIR must hold the targets kelvoran-batch and kelvoran_fixtures. OUT_DIR (default: a new
# temporary folder) receives the reports, the PDFs and summary.txt. CORPUS_DIR defaults to
# ../shared/corpus/excel-made beside the checkout. Installs libreoffice-calc-nogui when soffice
# is missing. Prints one line per report; exit 1 when any report was refused, failed to load in
# openpyxl or failed to convert.
set -uo pipefail

if [ $# -lt 1 ]; then
    echo "usage: $0 BUILD_DIR [OUT_DIR] [CORPUS_DIR]" >&2
    exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd) || exit 2
out=${2:-$(mktemp -d -t lo-check.XXXXXX)}
corpus=${3:-$root/../shared/corpus/excel-made}
python=/usr/bin/python3
batch=$build/cli/kelvoran-batch
demo=$build/fixtures/demo.sqlite
for need in "$batch" "$demo"; do
    if [ ! -e "$need" ]; then
        echo "missing $need: build the targets kelvoran-batch and kelvoran_fixtures first" >&2
        exit 2
    fi
done

if ! command -v soffice >/dev/null; then
    echo "Installing libreoffice-calc-nogui"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends libreoffice-calc-nogui ||
        { "${sudo_cmd[@]}" apt-get update -q &&
            "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends libreoffice-calc-nogui; } ||
        exit 2
fi

mkdir -p "$out/reports" "$out/pdf" "$out/work"
out=$(cd "$out" && pwd)
work=$out/work
# The reports read a copy of the demo database through an alias of their own.
cp "$demo" "$work/demo.sqlite"
printf '[DEMO]\ndriver=QSQLITE\ndatabase=%s\n' "$work/demo.sqlite" >"$work/aliases.ini"
export KELVORAN_ALIASES=$work/aliases.ini

summary=$out/summary.txt
: >"$summary"
failures=0
note() { # STATUS NAME DETAIL
    printf '%-8s %-40s %s\n' "$1" "$2" "${3:-}" | tee -a "$summary"
    [ "$1" = OK ] || failures=$((failures + 1))
}

reports=()
# NAME SETTINGS: runs one report; a refusal is listed with the program's first message line.
run_report() {
    local name=$1 settings=$2 err
    err=$("$batch" report "$settings" --alias DEMO --output "$out/reports/$name.xlsx" 2>&1 >/dev/null)
    if [ $? -ne 0 ] || [ ! -s "$out/reports/$name.xlsx" ]; then
        note REFUSED "$name" "$(printf '%s' "$err" | head -n 1)"
        return
    fi
    reports+=("$name")
}

for settings in "$root"/examples/*.kvr; do
    run_report "example-$(basename "$settings" .kvr)" "$settings"
done

if [ -d "$corpus" ]; then
    for template in "$corpus"/*.xlsx; do
        base=$(basename "$template" .xlsx)
        dir=$work/corpus/$base
        mkdir -p "$dir"
        cp "$template" "$dir/template.xlsx"
        # The settings files are Shift_JIS: only the ASCII PATTERNFILE value is replaced.
        perl -pe 's/(PATTERNFILE= )\S*/${1}template.xlsx/' "$root/examples/branch_cards.kvr" \
            >"$dir/fixed.kvr"
        perl -pe 's/(PATTERNFILE= )\S*/${1}template.xlsx/' "$root/examples/branch_orders.kvr" \
            >"$dir/extended.kvr"
        run_report "$base-fixed" "$dir/fixed.kvr"
        run_report "$base-extended" "$dir/extended.kvr"
    done
else
    echo "no corpus at $corpus: only the example reports are checked" >&2
fi

# openpyxl: every report loads.
declare -A loadError=()
if [ ${#reports[@]} -gt 0 ]; then
    while IFS=$'\t' read -r name message; do
        [ -n "$name" ] && loadError[$name]=$message
    done < <("$python" - "$out/reports" "${reports[@]}" <<'PY'
import sys, openpyxl
folder = sys.argv[1]
for name in sys.argv[2:]:
    try:
        openpyxl.load_workbook("%s/%s.xlsx" % (folder, name))
    except Exception as e:
        print("%s\t%s: %s" % (name, type(e).__name__, str(e).replace("\n", " ")[:200]))
PY
    )
fi

# LibreOffice: one conversion per report, each with a time limit, sharing one profile.
profile=file://$work/lo-profile
for name in "${reports[@]}"; do
    rm -f "$out/pdf/$name.pdf"
    log=$(timeout 180 soffice -env:UserInstallation="$profile" --headless --norestore \
        --convert-to pdf --outdir "$out/pdf" "$out/reports/$name.xlsx" 2>&1)
    rc=$?
    if [ -n "${loadError[$name]:-}" ]; then
        note OPENPYXL "$name" "${loadError[$name]}"
    elif [ $rc -ne 0 ] || [ ! -s "$out/pdf/$name.pdf" ]; then
        note LO-FAIL "$name" "exit $rc: $(printf '%s' "$log" | tr '\n' ' ' | cut -c1-200)"
    else
        note OK "$name" "$(stat -c %s "$out/pdf/$name.pdf") bytes of PDF"
    fi
done

echo "$(grep -c '^OK ' "$summary") OK, $failures failed; reports and PDFs in $out" | tee -a "$summary"
[ $failures -eq 0 ]
