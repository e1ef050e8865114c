#!/bin/sh
# The demo: installs what is missing, builds, starts a local update server with the demo
# manifest, and runs the program twice against it, as a user's machine would run it:
#   1. a fresh user (no stored update state): a normal update is due, the prompt is asked for;
#   2. the same user after dealing with that version: the prompt is not asked for.
# Everything lives in demo-run/: the program's copy and its log, the system folder with
# the demo component (made from tools/demo/HalvoraMain.rc by the MinGW resource tools),
# the registry hives and the temporary folder. The program reaches the server through the
# environment's proxy setting (http_proxy), so its fixed port 80 needs no privileges.
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
mkdir -p "$demo/app" "$demo/system32" "$demo/registry" "$demo/tmp" "$demo/server/download/KD"
cp "$build/vorel" "$demo/app/vorel"
cp tools/demo/KdVorelV2.xml "$demo/server/download/KD/KdVorelV2.xml"
x86_64-w64-mingw32-windres --preprocessor=cat tools/demo/HalvoraMain.rc -O coff -o "$demo/HalvoraMain.o"
x86_64-w64-mingw32-ld --dll -e 0 -o "$demo/system32/HalvoraMain.ocx" "$demo/HalvoraMain.o"

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
python3 tools/demo/update_server.py --root "$demo/server" --port-file "$demo/server.port" --lifetime 120 \
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

# One run of the program's copy with the demo folders; prints what it decided and its log.
run() {
    status=0
    env -i PATH=/usr/bin:/bin HOME="$demo" \
        VOREL_SYSTEM_DIR="$demo/system32" VOREL_REGISTRY_DIR="$demo/registry" TMPDIR="$demo/tmp" \
        http_proxy="http://127.0.0.1:$port" \
        timeout 60 "$demo/app/vorel" || status=$?
    case "$status" in
        0) echo "decision: no update prompt (exit status 0)" ;;
        1) echo "decision: an update is due, the prompt would be shown (exit status 1)" ;;
        *) echo "decision: the program failed (exit status $status)" ;;
    esac
    echo "log ($demo/app/KDUpdateLog.txt, GBK, shown as UTF-8):"
    if [ -f "$demo/app/KDUpdateLog.txt" ]; then
        iconv -f GBK -t UTF-8 "$demo/app/KDUpdateLog.txt" | tr -d '\r' | sed 's/^/    /'
    else
        echo "    (no log: nothing went wrong)"
    fi
    return "$status"
}

count_registry_lines() {
    if [ -f "$demo/app/KDUpdateLog.txt" ]; then
        iconv -f GBK -t UTF-8 "$demo/app/KDUpdateLog.txt" | grep -c '读取注册表失败!' || true
    else
        echo 0
    fi
}

echo
echo "== demo: installed component 4.0.2.5; the server offers 4.0.3.12 as a normal update"
echo "== update server: http://127.0.0.1:$port/ (the program's http_proxy)"
echo
echo "-- run 1: a user without stored update state"
status1=0
run || status1=$?
lines1=$(count_registry_lines)
echo "server saw:"
sed 's/^/    /' "$demo/server.log"

echo
echo "-- run 2: the same user, who has dealt with 4.0.3.12 (NormalUpdateFlag 1)"
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\VRN\\KD40]\r\n"NormalUpdateFlag"="1"\r\n"LastServerOCXVersion"="4.0.3.12"\r\n' \
    >"$demo/registry/HKEY_CURRENT_USER.reg"
status2=0
run || status2=$?
lines2=$(count_registry_lines)

stop_server
echo
if [ "$status1" -eq 1 ] && [ "$lines1" -eq 2 ] && [ "$status2" -eq 0 ] && [ "$lines2" -eq 0 ]; then
    echo "demo: as expected (run 1 asks for the prompt and logs the two missing registry values;"
    echo "      run 2 does not ask and logs nothing)"
    exit 0
fi
echo "demo: unexpected outcome (run 1: status $status1, $lines1 registry lines; run 2: status $status2, $lines2 lines)" >&2
exit 1
