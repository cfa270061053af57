#!/usr/bin/env bash
# Installs what is missing, builds, and starts Kelvoran on the bundled demo database.
# The first run creates the demo database and an alias file naming it as alias DEMO.
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
build=$root/build

scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -DKELVORAN_BUILD_GUI=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

data_home=${XDG_DATA_HOME:-$HOME/.local/share}/Kelvoran
config_home=${XDG_CONFIG_HOME:-$HOME/.config}/Kelvoran
aliases=${KELVORAN_ALIASES:-$config_home/aliases.ini}
demo_db=$data_home/demo.sqlite
mkdir -p "$data_home" "$(dirname "$aliases")"
if [ ! -f "$demo_db" ]; then
    cp "$build/fixtures/demo.sqlite" "$demo_db"
    echo "Created the demo database $demo_db"
fi
if ! grep -q '^\[DEMO\]' "$aliases" 2>/dev/null; then
    {
        [ -s "$aliases" ] && echo
        printf '[DEMO]\ndriver=QSQLITE\ndatabase=%s\n' "$demo_db"
    } >>"$aliases"
    echo "Added alias DEMO to $aliases"
fi
export KELVORAN_ALIASES=$aliases

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$build/app/kelvoran" "$@"
fi
echo "No display: running demo batch jobs instead."
"$build/cli/kelvoran-batch" aliases
out_dir=$data_home/reports
mkdir -p "$out_dir"
echo "Writing the example list report (examples/sales_list.kvr) on alias DEMO:"
written=$("$build/cli/kelvoran-batch" report "$root/examples/sales_list.kvr" --alias DEMO \
    --output "$out_dir/sales_list.xlsx")
echo "The workbook went to $written"
