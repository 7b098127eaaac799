# Sourced by scripts/windows before the command it runs: the Wine that command's programs
# (the tests, the icon drawn at build time, the installers) run in, set up once before it and
# ended once after it.
#
# Debian's Wine starts its server with -p0: it ends as soon as no Windows program is left,
# closing its socket and telling its own programs (services, the desktop) to end. Between two
# tests that happens again and again, and a program that starts at that moment is cut off
# ("wine client error: recvmsg: Connection reset by peer"). Here one server keeps the prefix
# for the whole command (wineserver -p: it never ends by itself), and nothing ends it, nor
# any program, until the command has ended.

# A virtual display of its own.
windows_display=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$windows_display" >/dev/null 2>&1 &
windows_xvfb=$!
# Ends the command's Wine, all of it, and waits until it has ended: the next command finds no
# server of ours. Under set -e a failing command here would become the script's exit status:
# wineserver -k fails when no server is left.
end_wine() {
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
}
trap 'end_wine; kill $windows_xvfb 2>/dev/null || true; rm -f "$windows_display"' EXIT
for _ in $(seq 100); do [ -s "$windows_display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$windows_display")"

# A server found running is left over: no other command uses the prefix now, but one killed
# outright leaves its server, and that server's desktop on a display that is gone.
end_wine
# A new prefix is made on its first use, by Wine's own short-lived server: made here, before
# the persistent one starts (it needs the prefix) and before any test runs.
scripts/wine-run wineboot --init >/dev/null 2>&1 || true
wineserver -w 2>/dev/null || true
wineserver -p </dev/null >/dev/null 2>&1 || { echo "windows: no Wine server could be started for $WINEPREFIX" >&2; exit 1; }
export PICTRAK_WINE_SERVED=$WINEPREFIX
# Wine's desktop, on this display for the whole command. Left to the first program that needs
# one, it could be on the display of tests/drive_window.sh, and end with it.
scripts/wine-run explorer.exe /desktop </dev/null >/dev/null 2>&1 &
# A program that crashes ends at once with the crash's status, as on Windows with no debugger
# set up: Wine's own debugger would report the crash and end the program with status 0, and
# may keep the test's output open, so that ctest waits past any timeout.
scripts/wine-run reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d '' /f \
    >/dev/null 2>&1 || true
