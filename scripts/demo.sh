#!/bin/sh
# Installs what is missing, builds, and opens the tool in build/demo/, a directory laid
# out like the web service's, while simulated controllers answer on loopback addresses.
# Simulator and tool run inside a private network namespace: no query leaves the machine.
#   scripts/demo.sh [SCREENSHOT.png]
# With $DISPLAY set (a local X server) the dialog opens there and the script waits until
# it is closed. Without, the tool runs on a Wine desktop under Xvfb: the script saves a
# screenshot of the filled list (default build/demo/screenshot.png), and with xdotool
# picks a controller with the keyboard: Down to its row (saved as SCREENSHOT-keyboard-row.png,
# the field showing its address), Enter, and saves the success box as
# SCREENSHOT-keyboard-applied.png; then clicks another, presses Update and saves the
# success box as SCREENSHOT-applied.png, types an address no controller answers from, presses Update
# and saves the please-wait window as SCREENSHOT-please-wait.png, then closes the tool.
# Then, still among the controllers, it prints what the console companion's "list" and
# "show" say.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${BUILD_DIR:-$root/build}")
demo="$build/demo"
caption="Norrin Glassway - Change Controller"
success_caption="Norrin Glassway"  # caption of the outcome boxes
please_wait_caption="Please Wait"
program_caption=ChangeController  # of the boxes that name no caption of their own
not_found_caption="Controller Not Found"
unanswered_address=127.0.0.77  # no simulated node answers from it
control=127.0.0.1:47290
screen=640x480

# The simulated controllers, sorted by name in the list, and one member node.
controllers="127.0.0.2:ups-lobby 127.0.0.3:ups-server-room 127.0.0.4:ups-lab-east
127.0.0.5:ups-lab-west 127.0.0.6:ups-warehouse 127.0.0.7:ups-office-2f
127.0.0.8:ups-office-3f 127.0.0.9:ups-backup-site"
stored_address=127.0.0.3
member="127.0.0.20 ups-server-room-rack-b $stored_address"
node_count=9
# The row the scripted apply clicks: the second, ups-lab-east. Rows of the list are
# 17 pixels high, under a header of 20.
chosen_row=2
row_pixels=17
header_pixels=20
# The row the keyboard picks: the list opens with the focus on its first row, and each
# Down moves the highlight one row further, so two reach the third, ups-lab-west.
keyboard_downs=2
keyboard_name=ups-lab-west
keyboard_address=127.0.0.5

write_windows_text() {  # PATH TEXT
    printf '%s\n' "$2" | sed 's/$/\r/' >"$1"
}

lay_out_demo_directory() {
    mkdir -p "$demo/http/data"
    rm -f "$demo"/NorrinGlasswayService.* "$demo"/http/data/*
    cp "$build/ChangeController.exe" "$build/ChangeControllerCmd.exe" \
        "$build/tools/service/NorrinGlasswayService.exe" "$demo/"
    write_windows_text "$demo/GlasswayConfig.ini" "[NorrinGlassway]
IPAddress=$stored_address
RefreshRate=30000
Reset=0"
    write_windows_text "$demo/http/data/refreshRate.xml" '<?xml version="1.0" encoding="ISO-8859-1"?>
<SUMMARY Version="2.0" xmlns="url:www.norrin-glassway.example:PowerDeviceClass">
  <OBJECT name="RefreshRate">30000</OBJECT>
</SUMMARY>'
    for cached in upsprop applist eventlist; do
        write_windows_text "$demo/http/data/$cached.xml" "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>
<SUMMARY Version=\"2.0\"><OBJECT name=\"$cached\">as cached by the service</OBJECT></SUMMARY>"
    done
}

# Wine looks for its own fonts only in the prefix; without them "MS Sans Serif" falls
# back to a wider face and the caption buttons lose their glyphs.
install_wine_fonts() {
    [ -d /usr/share/wine/fonts ] || return 0
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp -n /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
}

simulator_answers() {
    "$build/tools/simulator/nrsim" ctl "$control" stats | sed -n 's/.* answers=\([0-9]*\).*/\1/p'
}

# The simulator's options: the named controllers and the member node, words without blanks.
simulator_options() {
    printf ' --idle-exit 3600'
    for entry in $controllers; do
        printf ' --node %s %s' "${entry%%:*}" "${entry#*:}"
    done
    printf ' --member %s\n' "$member"
}

# Polls up to SECONDS for the window named NAME; prints its id.
window_named() {  # NAME SECONDS
    for _ in $(seq $(($2 * 10))); do
        id=$(xdotool search --name "^$1\$" 2>/dev/null | head -n1) || true
        [ -n "$id" ] && echo "$id" && return 0
        sleep 0.1
    done
    return 1
}

window_closes() {  # NAME SECONDS
    for _ in $(seq $(($2 * 10))); do
        xdotool search --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}

# Clicks a point of the main dialog given in dialog units (plus pixels further down),
# with the base units of 8-point MS Sans Serif at 96 dpi (6 x 13 pixels) and the frame
# worked out from the window's outer size (its client area is 271 x 199 units).
click_dialog_point() {  # WINDOW X-UNITS Y-UNITS [PIXELS-BELOW]
    eval "$(xdotool getwindowgeometry --shell "$1")"
    border=$(((WIDTH - 271 * 3 / 2) / 2))
    client_left=$((X + border))
    client_top=$((Y + HEIGHT - border - 199 * 13 / 8))
    xdotool mousemove $((client_left + $2 * 3 / 2)) $((client_top + $3 * 13 / 8 + ${4:-0})) click 1
}

stored_address_now() {
    tr -d '\r' <"$demo/GlasswayConfig.ini" | sed -n 's/^IPAddress=//p'
}

# As an operator without a mouse: the list has the focus when the dialog opens, Down
# highlights a row (its address goes into the field) and Enter applies it.
apply_by_keyboard() {  # SHOT-STEM (SHOT-STEM-row.png, SHOT-STEM-applied.png)
    for _ in $(seq $keyboard_downs); do
        xdotool key Down
    done
    sleep 0.5
    import -window root "$1-row.png"
    echo "Screenshot after Down to $keyboard_name: $1-row.png"
    xdotool key Return
    window_named "$success_caption" 20 >/dev/null || { echo "demo: no message box after Enter" >&2; return 1; }
    sleep 0.5
    import -window root "$1-applied.png"
    echo "Screenshot after Enter: $1-applied.png"
    stored=$(stored_address_now)
    echo "Stored by the keyboard pick: $stored"
    [ "$stored" = "$keyboard_address" ] || echo "demo: the keyboard pick stored $stored, not $keyboard_address" >&2
    xdotool key Return  # OK, the box's focused button
    sleep 0.5
}

apply_a_choice() {  # DIALOG-WINDOW SHOT
    # The list's top edge is 25 units down.
    click_dialog_point "$1" 60 25 $((header_pixels + row_pixels * (chosen_row - 1) + row_pixels / 2))
    click_dialog_point "$1" 179 179  # Update
    window_named "$success_caption" 20 >/dev/null || { echo "demo: no message box after Update" >&2; return 1; }
    sleep 0.5
    import -window root "$2"
    echo "Screenshot after Update: $2"
    xdotool key Return  # OK, the box's focused button
    sleep 0.5
}

# Asks for an address no controller answers from: the please-wait window stays up for
# the engine's wait of about 2 s, then two failure boxes follow.
search_unanswered_address() {  # DIALOG-WINDOW SHOT
    click_dialog_point "$1" 190 136  # the address field
    xdotool key Home shift+End
    xdotool type "$unanswered_address"
    click_dialog_point "$1" 179 179  # Update
    window_named "$please_wait_caption" 2 >/dev/null || { echo "demo: no please-wait window" >&2; return 1; }
    sleep 0.8
    import -window root "$2"
    echo "Screenshot while searching: $2"
    window_named "$program_caption" 10 >/dev/null || { echo "demo: no not-found box" >&2; return 1; }
    xdotool key Return
    window_named "$not_found_caption" 5 >/dev/null || { echo "demo: no could-not-find box" >&2; return 1; }
    xdotool key Return
    sleep 0.5
}

# Under Xvfb: the tool on a Wine desktop of its own, so that Wine draws the frames.
run_headless() {  # SHOT
    windows_path="Z:$(printf '%s' "$demo/ChangeController.exe" | tr / "\\\\")"
    "$root/scripts/winerun" explorer "/desktop=NorrinGlasswayDemo,$screen" "$windows_path" \
        </dev/null >"$demo/wine.log" 2>&1 &
    desktop=$!
    # The list fills within the first second of the scan; its rows are drawn on the next tick.
    for _ in $(seq 300); do
        answers=$(simulator_answers) || answers=0
        [ "${answers:-0}" -ge "$node_count" ] && break
        sleep 0.1
    done
    if command -v xdotool >/dev/null; then
        dialog=$(window_named "$caption" 30) || { echo "demo: the dialog did not open" >&2; return 1; }
    fi
    sleep 1.5
    import -window root "$1"
    echo "Screenshot of the dialog: $1"
    if [ -n "${dialog:-}" ]; then
        apply_by_keyboard "${1%.png}-keyboard"
        apply_a_choice "$dialog" "${1%.png}-applied.png"
        search_unanswered_address "$dialog" "${1%.png}-please-wait.png"
        click_dialog_point "$dialog" 233 179  # Close
        window_closes "$caption" 10 || echo "demo: the dialog did not close" >&2
    fi
    kill "$desktop" 2>/dev/null || true
    wait "$desktop" 2>/dev/null || true
}

# The companion as deployed, beside the tool: "show" reads the directory it lies in.
run_companion() {  # COMMAND...
    echo
    echo "== ChangeControllerCmd $*"
    status=0
    "$root/scripts/winerun" "$demo/ChangeControllerCmd.exe" "$@" </dev/null >"$demo/companion.out" || status=$?
    tr -d '\r' <"$demo/companion.out"
    rm -f "$demo/companion.out"
    [ $status -eq 0 ] || echo "(exit code $status)"
}

run_in_namespace() {  # MODE [SHOT]
    install_wine_fonts
    if [ "$1" = window ]; then
        "$root/scripts/winerun" "$demo/ChangeController.exe"
    else
        run_headless "$2"
    fi
    run_companion list
    run_companion show
}

# Runs run_in_namespace in a private namespace among the simulated controllers, under
# Xvfb unless MODE is window.
run_among_controllers() {  # MODE [SHOT]
    mode=$1
    # shellcheck disable=SC2046  # simulator_options prints words without blanks
    set -- "$root/scripts/in-netns" "$root/scripts/with-simulator" --log "$demo/nrsim.log" "$control" \
        "$build/tools/simulator/nrsim" $(simulator_options) -- "$root/scripts/demo.sh" --in-namespace "$@"
    if [ "$mode" = window ]; then
        "$@"
    else
        xvfb-run -a -s "-screen 0 ${screen}x24 -nolisten tcp" "$@"
    fi
}

show_outcome() {
    echo
    echo "== $demo/GlasswayConfig.ini"
    tr -d '\r' <"$demo/GlasswayConfig.ini"
    echo "== $demo/http/data/refreshRate.xml"
    tr -d '\r' <"$demo/http/data/refreshRate.xml"
    echo "== $demo/http/data/"
    ls "$demo/http/data"
    echo "== stand-in service log"
    if [ -f "$demo/NorrinGlasswayService.log" ]; then
        tr -d '\r' <"$demo/NorrinGlasswayService.log"
    else
        echo "(no launch: nothing was applied)"
    fi
}

if [ "${1:-}" = --in-namespace ]; then
    shift
    run_in_namespace "$@"
    exit
fi

"$root/scripts/setup.sh"
BUILD_DIR="$build" "$root/scripts/build.sh" >/dev/null
lay_out_demo_directory
export WINEPREFIX="$demo/wineprefix" WINE_GRAPHICS=x11
names=$(for entry in $controllers; do printf ' %s' "${entry#*:}"; done)
echo "Demo directory: $demo; simulated controllers:$names"
# Only a display reached through a socket file can be used from inside the namespace:
# a TCP one (ssh's X forwarding) would be the namespace's own loopback.
case "${DISPLAY:-}" in
    :* | unix:*) local_display=yes ;;
    "") local_display=no ;;
    *) local_display=no; echo "demo: DISPLAY=$DISPLAY is not reachable from the namespace; using Xvfb" ;;
esac
if [ "$local_display" = yes ]; then
    run_among_controllers window
else
    shot=$(realpath -m "${1:-$demo/screenshot.png}")
    mkdir -p "$(dirname "$shot")"
    run_among_controllers screenshot "$shot"
fi
show_outcome
