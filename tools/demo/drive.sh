#!/bin/sh
# Plays the user in the demo on a virtual display: waits for the prompt, saves a picture of
# it, presses Enter (update now), waits for the progress dialog to reach its end, saves
# pictures on the way, and closes it. Run under xvfb-run by tools/demo.sh.
#   drive.sh <driver> <screenshot folder> <command that runs the program...>
set -u
driver=$1
shots=$2
shift 2
prompt="哈沃拉专业版更新"
progress="@500x340"

"$@" &
program=$!
status=0
if "$driver" wait "$prompt" 30; then
    sleep 2  # the tip pages load and paint
    "$driver" shot "$prompt" "$shots/1-prompt.png"
    "$driver" key "$prompt" return
    if "$driver" wait "$progress" 15; then
        "$driver" shot "$progress" "$shots/2-progress.png"
        # The end stage shows the close button; give the update time to get there.
        tries=0
        while [ "$tries" -lt 60 ] && kill -0 "$program" 2>/dev/null; do
            sleep 0.5
            tries=$((tries + 1))
            "$driver" shot "$progress" "$shots/3-end.png" || break
            [ "$tries" -ge 4 ] && break
        done
        "$driver" click "$progress" 483 15
    else
        echo "demo: the progress dialog did not appear" >&2
        status=1
    fi
else
    echo "demo: the prompt did not appear" >&2
    status=1
fi
# The program ends when its windows close; never wait for it forever.
tries=0
while kill -0 "$program" 2>/dev/null && [ "$tries" -lt 100 ]; do
    sleep 0.1
    tries=$((tries + 1))
done
if kill -0 "$program" 2>/dev/null; then
    kill "$program"
    status=1
fi
wait "$program" || status=1
exit "$status"
