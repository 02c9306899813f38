#!/usr/bin/env bash
# Builds the plug-in and the host stand-in and runs the demo session, printing what the user sees.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
bash "$top/scripts/deps.sh"
build="$top/build-demo"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVE1_TESTS=OFF >/dev/null
cmake --build "$build" --target fxsim VE1TransAction checkout CheckIn -j"$(nproc)" >/dev/null
# VESTRA's side of the session: its checkout and its check-in program.
export VE1_CHECKOUT="$build/sim/checkout" VE1_CHECKIN="$build/sim/CheckIn"
# The session ends with the check report; its PDF stays beside the build.
export VE1_REPORT_PDF="$build/Pruefbericht.pdf"
"$build/sim/fxsim" --plugin "$build/src/VE1TransAction.so" "$top/demo/demo.scn"
echo "Prüfbericht der Sitzung: $VE1_REPORT_PDF"
