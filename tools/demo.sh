#!/bin/sh
# The demo: installs what is missing, builds, starts a local update server with the demo
# manifest, tip pages and install files, and runs the program twice against it, as a user's
# machine would run it:
#   1. the installed component is 4.0.2.5 and the server offers 4.0.3.12: the prompt shows
#      the tip pages, the update downloads, checks and installs the new component;
#   2. the component is 4.0.3.12 now: no update is due, the program ends without a window.
# With a display (DISPLAY set and reachable) the windows open there and you click; without
# one the demo runs on a virtual display (Xvfb), clicks update-now itself and saves
# pictures of the windows in demo-run/screenshots/.
# Everything lives in demo-run/: the program's copy and its log, the system folder with the
# demo component, the registry hives, the temporary folder, and records of what the program
# handed to the shell and to the component registrar. The program reaches the server through
# the environment's proxy setting (http_proxy), so its fixed port 80 needs no privileges.
# The install files are signed by the test certificates that the build makes.
# Exits 0 when both runs behaved as expected.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
build="${VOREL_DEMO_BUILD_DIR:-build}"

tools/setup.sh
cmake -S . -B "$build" -G Ninja
cmake --build "$build"

demo="$root/demo-run"
rm -rf "$demo"
mkdir -p "$demo/app" "$demo/system32" "$demo/registry" "$demo/tmp" "$demo/screenshots" \
    "$demo/server/download/KD/tips" "$demo/package"
cp "$build/vorel" "$demo/app/vorel"
cp tools/demo/KdVorelV2.xml "$demo/server/download/KD/KdVorelV2.xml"
cp tools/demo/tips/*.htm "$demo/server/download/KD/tips/"
cp "$build/tests/platform/signed/signed-verisign.dll" "$demo/server/download/KD/HalvoraSetup.exe"
cp "$build/tests/platform/signed/signed-symantec.dll" "$demo/package/HalvoraMain.ocx"
(cd "$demo/package" && zip -q -X ../server/download/KD/HalvoraMain.zip HalvoraMain.ocx)
x86_64-w64-mingw32-windres --preprocessor=cat tools/demo/HalvoraMain.rc -O coff -o "$demo/HalvoraMain.o"
x86_64-w64-mingw32-ld --dll -e 0 -o "$demo/system32/HalvoraMain.ocx" "$demo/HalvoraMain.o"
printf '#!/bin/sh\necho "$1" >> "%s/opened.txt"\n' "$demo" >"$demo/opener"
printf '#!/bin/sh\necho "$*" >> "%s/registered.txt"\n' "$demo" >"$demo/registrar"
chmod +x "$demo/opener" "$demo/registrar"

server_pid=""
stop_server() {
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
        server_pid=""
    fi
}
trap stop_server EXIT
trap 'stop_server; exit 130' INT TERM
python3 tools/demo/update_server.py --root "$demo/server" --port-file "$demo/server.port" --lifetime 600 \
    >"$demo/server.log" 2>&1 &
server_pid=$!
tries=0
while [ ! -s "$demo/server.port" ]; do
    tries=$((tries + 1))
    if [ "$tries" -gt 100 ]; then
        echo "demo: the update server did not start:" >&2
        cat "$demo/server.log" >&2
        exit 1
    fi
    sleep 0.1
done
port=$(cat "$demo/server.port")

# Runs the program's copy with the demo's folders, on whatever display is current.
cat >"$demo/run-program.sh" <<RUN
#!/bin/sh
exec env -i PATH=/usr/bin:/bin HOME="$demo" DISPLAY="\${DISPLAY:-}" XAUTHORITY="\${XAUTHORITY:-}" \\
    LANG="${LANG:-C.UTF-8}" \\
    VOREL_SYSTEM_DIR="$demo/system32" VOREL_REGISTRY_DIR="$demo/registry" TMPDIR="$demo/tmp" \\
    VOREL_OPENER="$demo/opener" VOREL_REGSVR="$demo/registrar" \\
    http_proxy="http://127.0.0.1:$port" timeout "\$1" "$demo/app/vorel"
RUN
chmod +x "$demo/run-program.sh"

show_log() {
    echo "log ($demo/app/KDUpdateLog.txt, GBK, shown as UTF-8):"
    if [ -f "$demo/app/KDUpdateLog.txt" ]; then
        iconv -f GBK -t UTF-8 "$demo/app/KDUpdateLog.txt" | tr -d '\r' | sed 's/^/    /'
    else
        echo "    (no log: nothing went wrong)"
    fi
}

driver="$build/tests/support/vorel_screen_driver"
echo
echo "== demo: installed component 4.0.2.5; the server offers 4.0.3.12 as a normal update"
echo "== update server: http://127.0.0.1:$port/ (the program's http_proxy)"
echo
echo "-- run 1: the update"
status1=0
if [ -n "${DISPLAY:-}" ] && "$driver" display; then
    echo "   the prompt opens on your display $DISPLAY: choose 立即更新 (update now), then close"
    "$demo/run-program.sh" 600 || status1=$?
else
    echo "   no display: on a virtual one, clicking update-now and saving pictures"
    xvfb-run -a -s "-noreset -screen 0 1280x1024x24" \
        tools/demo/drive.sh "$driver" "$demo/screenshots" "$demo/run-program.sh" 120 || status1=$?
fi
show_log
echo "server saw:"
grep '^request:' "$demo/server.log" | sed 's/^/    /'
echo "registry: $(tr -d '\r' <"$demo/registry/HKEY_CURRENT_USER.reg" 2>/dev/null | grep NormalUpdateFlag || echo '(nothing written)')"
echo "registrar was asked: $(cat "$demo/registered.txt" 2>/dev/null || echo '(nothing)')"
[ -f "$demo/opened.txt" ] && echo "handed to the shell: $(cat "$demo/opened.txt")"
ls "$demo/screenshots"/*.png >/dev/null 2>&1 && echo "pictures: $(ls "$demo/screenshots" | tr '\n' ' ')"

echo
echo "-- run 2: the same machine afterwards"
status2=0
DISPLAY= "$demo/run-program.sh" 60 || status2=$?
[ "$status2" -eq 0 ] && echo "   no update due: the program ended without a window (exit status 0)"
show_log

stop_server
echo
if [ "$status1" -eq 0 ] && [ "$status2" -eq 0 ] && cmp -s "$demo/package/HalvoraMain.ocx" "$demo/system32/HalvoraMain.ocx"; then
    echo "demo: as expected (run 1 installed and registered component 4.0.3.12; run 2 found nothing to do)"
    exit 0
fi
echo "demo: unexpected outcome (run 1: status $status1; run 2: status $status2)" >&2
exit 1
