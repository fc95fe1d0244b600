#!/usr/bin/env bash
# Starts the real program and waits for its main window to appear with the program's caption.
set -u
exe="$1"
# The program's data (its price history) goes to a scratch folder, never the user's.
XDG_DATA_HOME="$(mktemp -d)"
export XDG_DATA_HOME
"$exe" &
app=$!
trap 'kill $app 2>/dev/null; wait $app 2>/dev/null; rm -rf "$XDG_DATA_HOME"' EXIT
for _ in $(seq 600); do
    if ! kill -0 "$app" 2>/dev/null; then
        echo "FAIL: the program ended before showing its window"
        exit 1
    fi
    if xwininfo -root -tree 2>/dev/null | grep -q '"Vanzu小精灵V2"'; then
        echo "PASS: the window \"Vanzu小精灵V2\" is shown"
        exit 0
    fi
    sleep 0.1
done
echo "FAIL: no window captioned Vanzu小精灵V2 within 60 s"
exit 1
