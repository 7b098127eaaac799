#!/usr/bin/env bash
# Runs the real program on a virtual display and uses it as a person does: Read through its
# access key, Save through its access key, type a name into the save dialog, Return; then
# checks the files written, and that the .prj written is a copy of PRJ when one is given.
# A Windows program (*.exe) runs under Wine, and its paths are Windows paths.
# Exit 77 tells the test runner that Xvfb or xdotool is missing.
#     drive_window.sh PROGRAM MAKE_SAMPLE_PHOTOS [PRJ]
# With PICTRAK_DRIVE_PHOTOS=FOLDER it reads the photos of FOLDER instead of sample photos,
# confirms every message Read shows, and leaves the shapefile in PICTRAK_DRIVE_KEEP.
set -euo pipefail
program=$(realpath "$1")
make_samples=$(realpath "$2")
prj=${3:-}
photos_from=${PICTRAK_DRIVE_PHOTOS:-}
keep=${PICTRAK_DRIVE_KEEP:-}

for tool in Xvfb xdotool ogrinfo; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    [ -s "$work/program.log" ] && sed "s/^/program: /" "$work/program.log"
    [ -s "$work/xvfb.log" ] && sed "s/^/Xvfb: /" "$work/xvfb.log"
    exit 1
}

# Waits up to $1 tenths of a second for the command after it to succeed.
wait_for() {
    local tries=$1; shift
    for ((i = 0; i < tries; i++)); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# How each program runs, and how the program names a folder of ours.
wine_run=$(cd "$(dirname "$0")/.." && pwd)/scripts/wine-run
runner() { [[ $1 == *.exe ]] && echo "$wine_run" || true; }
sep=/
native() { echo "$1"; }
if [[ $program == *.exe ]]; then
    sep='\'
    native() { "$wine_run" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
fi

mkdir "$work/photos" "$work/out"
if [ -n "$photos_from" ]; then
    cp "$photos_from"/*.[jJ][pP][gG] "$work/photos/"
else
    samples_runner=$(runner "$make_samples")
    if [ -n "$samples_runner" ]; then
        "$samples_runner" "$make_samples" "$("$wine_run" winepath -w "$work/photos" | tr -d '\r')" >/dev/null
    else
        "$make_samples" "$work/photos" >/dev/null
    fi
fi
photos=$(native "$work/photos")
out=$(native "$work/out")

# Xvfb picks a free display itself and tells which; it must not reset between our clients.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
wait_for 100 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n 1 "$work/display")"
export QT_QPA_PLATFORM=xcb  # the real display, whatever the caller uses for its own tests
wait_for 100 xdotool getmouselocation || fail "Xvfb does not answer on $DISPLAY"

program_runner=$(runner "$program")
(cd "$work/photos" && exec ${program_runner:+"$program_runner"} "$program") >"$work/program.log" 2>&1 &
program_pid=$!
pids+=($program_pid)
if ! wait_for 600 xdotool search --name "^Pictrak to Shapefile$"; then
    kill -0 "$program_pid" 2>/dev/null && state="still running" || state="ended"
    fail "the window did not appear on $DISPLAY (the program has $state)"
fi
window=$(xdotool search --name "^Pictrak to Shapefile$" | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$window")"   # X, Y
sleep 1

# A click on the picture strip down the window's left edge gives it the keyboard; Read
# and Save through their access keys, then the shapefile's name in the dialog.
xdotool mousemove $((X + 40)) $((Y + 200)) click 1
sleep 0.5
xdotool key alt+r
sleep 2
# Each photo Read has a problem with is told in a box of its own ("Pictrak"), and Save
# stays disabled until Read has ended: Save is pressed until its dialog appears, each box
# confirmed meanwhile, however long the boxes take to come on a busy machine, within a
# limit that leaves this script time to say why it failed before the test's own runs out.
dialog=
for ((deadline = SECONDS + 80; SECONDS < deadline; )); do
    box=$(xdotool search --onlyvisible --name "^Pictrak$" 2>/dev/null | head -n 1) || true
    if [ -n "$box" ]; then
        xdotool windowfocus "$box" 2>/dev/null || true
        xdotool key Return
        sleep 0.5
        continue
    fi
    xdotool windowfocus "$window" 2>/dev/null || true
    xdotool key alt+s
    wait_for 20 xdotool search --onlyvisible --name "^Save As$" || continue
    dialog=$(xdotool search --onlyvisible --name "^Save As$" | head -n 1)
    break
done
[ -n "$dialog" ] || fail "the save dialog did not appear"
sleep 1
xdotool windowfocus "$dialog" 2>/dev/null || true
xdotool type --delay 20 "$out${sep}trip"
xdotool key Return

wait_for 150 test -s "$work/out/trip.prj" || fail "no projection file was written"
info=$(ogrinfo -ro -al "$work/out/trip.shp")
[ -s "$work/out/trip.dbf" ] && [ -s "$work/out/trip.shx" ] || fail "the shapefile is incomplete"
[ -z "$prj" ] || cmp "$prj" "$work/out/trip.prj" || fail "the .prj written is not a copy of $prj"
if [ -n "$photos_from" ]; then
    [ -z "$keep" ] || cp "$work/out"/trip.* "$keep/"
    points=$(grep -c '^OGRFeature' <<<"$info" || true)
    # No points means Save came before any Read: the Read key was pressed too early.
    [ "$points" -gt 0 ] || fail "the shapefile has no points: $info"
    echo "PASS: the window read the photos of $photos_from and saved $points points"
    exit 0
fi
grep -q "Feature Count: 5" <<<"$info" || fail "expected 5 points: $info"
grep -q "POINT (151.215" <<<"$info" || fail "Sydney is not east of Greenwich: $info"
grep -q "POINT (-43.210" <<<"$info" || fail "Rio is not west of Greenwich: $info"
grep -qF "Photo (String) = $photos${sep}paris.JPG" <<<"$info" || fail "paris.JPG is missing: $info"
echo "PASS: the window read 6 sample photos and saved 5 points"
