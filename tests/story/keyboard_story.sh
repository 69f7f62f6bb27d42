#!/usr/bin/env bash
# A user's story with the real brindle window under a private Xvfb, driven
# by keys alone (xdotool through the XTEST extension, no mouse event): a new
# project, a text slide, two pictures from files, a caption, a spoken
# narration and a background track from a file (with a sound server), a
# slide moved, a 3-second clip recorded from the synthetic camera and
# trimmed, a snapshot from it, a preview in the player, save, quit
# (which ends the player), start again with the file, publish: the desktop's
# browser (a stand-in that runs brindle-upload on the page) opens the
# publishing page of a service on 127.0.0.1, whose upload button is pressed
# (the one mouse click: the plug-in's button takes no keys), and the service
# receives project.zip byte for byte; quit. The project is checked with
# brindle-cli info; a screenshot of each step goes into the output folder.
# Usage: keyboard_story.sh BIN_DIR OUT_DIR     (exit 77: no X tools here)
set -euo pipefail
bin=$(cd "$1" && pwd)
out=$2
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$out"
mkdir -p "$out"
for tool in Xvfb xdotool ffmpeg python3; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool missing"; exit 77; }
done

tmp=$(mktemp -d)
xvfb_pid=
app_pid=
server_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
    [ -f "$tmp/upload.pid" ] && kill "$(cat "$tmp/upload.pid")" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    shot "failed"
    [ -f "$out/brindle.log" ] && tail -20 "$out/brindle.log" >&2
    for f in browser.args upload.err server.log; do
        [ -f "$tmp/$f" ] && { echo "--- $f" >&2; tail -20 "$tmp/$f" >&2; }
    done
    exit 1
}

# The program's settings, folders and desktop stay inside the test.
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" XDG_CONFIG_DIRS="$tmp/etc" \
    XDG_CACHE_HOME="$tmp/cache" XDG_DATA_HOME="$tmp/data" XDG_RUNTIME_DIR="$tmp/run" \
    BRINDLE_MESSAGES=stderr QT_QPA_PLATFORM=xcb BRINDLE_TEST_CAMERA=1
# Leaks at the end of a GUI program are not this story's business (the
# unit tests check them); in a sanitizer build only real faults end it.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"
unset SESSION_MANAGER
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$tmp/media"
chmod 700 "$XDG_RUNTIME_DIR"
# The start-up check wants the player registered; run as root the
# registration also writes the machine's application folder, which a
# private mount keeps away from this machine.
if [ "$(id -u)" = 0 ]; then
    unshare -m sh -c 'mount -t tmpfs none /usr/local/share && "$0" --register' \
        "$bin/brindle-player" >/dev/null || { echo "SKIP: cannot register privately"; exit 77; }
else
    "$bin/brindle-player" --register >/dev/null
fi

# A display of our own.
exec 3< <(Xvfb -displayfd 1 -nolisten tcp -noreset -screen 0 1024x768x24 2>"$tmp/xvfb.log" & echo "pid $!")
read -r _ xvfb_pid <&3
read -r -t 20 number <&3 || { echo "SKIP: Xvfb did not start"; exit 77; }
export DISPLAY=:$number

step=0
shot() {
    step=$((step + 1))
    ffmpeg -nostdin -v error -y -f x11grab -video_size 1024x768 -i "$DISPLAY" -frames:v 1 \
        "$out/$(printf %02d "$step")-$1.png" || true
}
# Waits for a visible window whose name matches, answers its id.
wait_window() {
    local id
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1) || true
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}
wait_gone() {
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}
keys() { xdotool key --delay 60 "$@"; sleep 0.3; }
type_text() { xdotool type --delay 20 "$1"; sleep 0.2; }
focus() { xdotool windowfocus --sync "$1"; sleep 0.2; }

ff() { ffmpeg -nostdin -v error -y "$@"; }
ff -f lavfi -i "testsrc2=s=640x480" -frames:v 1 "$tmp/media/harbour.jpg"
ff -f lavfi -i "mandelbrot=s=640x480" -frames:v 1 "$tmp/media/market.jpg"
project=$tmp/projects/trip.bqx
mkdir -p "$tmp/projects"

# The hosting service, and the publishing address in the settings.
mkdir -p "$tmp/server"
printf 'projectfile FILE\r\nContent-Type: application/octet-stream\r\n\r\nsizefiles\r\n\r\n' \
    >"$tmp/fields.pfp"
exec 4< <(python3 "$here/../plugin/upload_server.py" "$tmp/server" --pfp "$tmp/fields.pfp" \
    2>"$tmp/server.log" & echo "pid $!")
read -r _ server_pid <&4
read -r -t 20 _ port <&4 || fail "the service did not start"
mkdir -p "$XDG_CONFIG_HOME/brindle"
printf '[HKEY_CURRENT_USER]\nSoftware\\Quenby\\Velmora\\PublishURL=http://127.0.0.1:%s/publish\n' \
    "$port" >>"$XDG_CONFIG_HOME/brindle/registry.ini"
# The desktop's browser: runs the upload program on the page it is given.
mkdir -p "$XDG_DATA_HOME/applications"
cat >"$tmp/browser" <<BROWSER
#!/bin/sh
echo "\$1" >"$tmp/browser.args"
"$bin/brindle-upload" --page "\$1" --exit-after-answer >"$tmp/upload.out" 2>"$tmp/upload.err" &
echo \$! >"$tmp/upload.pid"
wait
BROWSER
chmod +x "$tmp/browser"
printf '[Desktop Entry]\nType=Application\nName=Browser\nExec=%s %%u\nMimeType=text/html;\n' \
    "$tmp/browser" >"$XDG_DATA_HOME/applications/story-browser.desktop"
list=$XDG_CONFIG_HOME/mimeapps.list
if grep -q '^\[Default Applications\]' "$list" 2>/dev/null; then
    sed -i '/^\[Default Applications\]/a text/html=story-browser.desktop' "$list"
else
    printf '[Default Applications]\ntext/html=story-browser.desktop\n' >>"$list"
fi

# Ctrl+S on a project without a file: the save dialog takes the name.
save_as_new() {
    keys ctrl+s
    sleep 1
    type_text "$project"
    keys Return
    for _ in $(seq 100); do [ -s "$project" ] && break; sleep 0.1; done
    [ -s "$project" ] || fail "the project was not saved"
}
# The frame count of the project's clip "video1.avi" as saved.
saved_clip_frames() {
    rm -rf "$tmp/unpacked"
    mkdir -p "$tmp/unpacked"
    unzip -q -o "$project" video1.avi -d "$tmp/unpacked"
    "$bin/brindle-cli" frames "$tmp/unpacked/video1.avi" 2>/dev/null |
        sed -n 's/^TotalFrames[^0-9]*\([0-9]*\).*/\1/p'
}

start_brindle() {
    "$bin/brindle" "$@" >>"$out/brindle.log" 2>&1 &
    app_pid=$!
}

# 1. A new project: the program starts empty.
start_brindle
main=$(wait_window '^Velmora$') || fail "the editor window did not come up"
sleep 1
focus "$main"
shot "new-project"

# 2. A text slide: Ctrl+1, type, Ctrl+Enter.
keys ctrl+1
sleep 1
type_text "Our trip"
keys ctrl+Return
sleep 0.5
focus "$main"
shot "text-slide"

# 3. Two pictures through the Files dialog: type the path, Enter.
for picture in harbour market; do
    keys ctrl+2
    dialog=$(wait_window 'Select Media') || fail "the Files dialog did not open"
    focus "$dialog"
    type_text "$tmp/media/$picture.jpg"
    keys Return
    wait_gone 'Select Media' || fail "the Files dialog stayed open"
    sleep 0.5
    focus "$main"
done
shot "two-pictures"

# 4. A caption on the selected (last) slide through the Edit menu.
keys alt+e t
sleep 1
type_text "Harbour at dusk"
keys Return
sleep 0.5
focus "$main"
shot "caption"

# 4b. With a sound server (the test script's null sink): a spoken narration
# for the same slide, recorded from the sink's monitor while espeak-ng
# speaks into it, and a background track taken from a file.
narrated=no
if [ -n "${PULSE_SERVER:-}" ] && pactl info >/dev/null 2>&1 && command -v espeak-ng >/dev/null; then
    narrated=yes
    ff -f lavfi -i "sine=frequency=330:duration=6" "$tmp/media/tune.wav"
    keys alt+e a
    sleep 1.5           # the dialog opens with Record in the focus
    keys space
    sleep 0.3
    espeak-ng "The harbour at dusk, with the boats coming home." 2>/dev/null
    sleep 0.3
    shot "narration"
    keys space          # Stop has the focus while recording
    sleep 0.5
    keys Tab Tab Tab space   # from Play past Erase and Files to OK
    sleep 1
    focus "$main"
    keys alt+o b
    sleep 1.5
    keys Tab space      # Files...
    sleep 1
    type_text "$tmp/media/tune.wav"
    keys Return
    sleep 1
    shot "background-track"
    keys Tab space      # from Files to OK
    sleep 1
    focus "$main"
else
    echo "no sound server: the narration and the background track are left out"
fi

# 5. The text slide moved one place on: F6, Home, Ctrl+Right.
keys F6 Home ctrl+Right
shot "moved"

# 5b. With the sound server for its microphone: a 3-second clip from the
# camera after the last slide. The dialog opens live with Record in the
# focus; after the take, Play has it and OK comes next.
if [ "$narrated" = yes ]; then
    keys End ctrl+5
    wait_window 'Record Video' >/dev/null || fail "the video dialog did not open"
    sleep 2
    keys space
    sleep 3.5
    shot "recording"
    keys space          # Stop has the focus while recording
    sleep 1.5
    keys Tab space      # from Play to OK
    wait_gone 'Record Video' || fail "the video dialog stayed open"
    sleep 0.5
    focus "$main"
    shot "clip"

    # 5c. The clip trimmed: saved first to count its frames, then Enter
    # edits it, Shift+PageUp moves the start mark on, Enter is OK.
    save_as_new
    focus "$main"
    frames_before=$(saved_clip_frames)
    keys F6 End Return
    sleep 2
    keys shift+Prior shift+Prior
    sleep 0.5
    shot "trim"
    keys Return
    for _ in $(seq 150); do
        [ "$(xdotool search --onlyvisible --name '^Velmora$' | wc -l)" = 1 ] && break
        sleep 0.1
    done
    sleep 0.5
    focus "$main"
fi

# 6. A snapshot from the camera after the last slide: Ctrl+4, Enter.
keys End ctrl+4
sleep 3
shot "snapshot-dialog"
keys Return
for _ in $(seq 100); do
    [ "$(xdotool search --onlyvisible --name '^Velmora$' | wc -l)" = 1 ] && break
    sleep 0.1
done
sleep 0.5
focus "$main"
shot "snapshot"

# 7. Preview: F5 writes the presentation and starts the player on it.
keys F5
player=$(wait_window 'Brindle Player') || fail "the player did not come up"
player_pid=$(xdotool getwindowpid "$player")
tr '\0' ' ' <"/proc/$player_pid/cmdline" | grep -q 'preView.smi' ||
    fail "the player was not started on preView.smi"
sleep 2
shot "preview"
focus "$main"

# 8. Save: Ctrl+S asks for a name the first time (unless the trim step
# saved already), then saves into the same file.
if [ -s "$project" ]; then
    before=$(stat -c %Y.%s "$project")
    keys ctrl+s
    for _ in $(seq 100); do [ "$(stat -c %Y.%s "$project")" != "$before" ] && break; sleep 0.1; done
else
    save_as_new
fi
sleep 0.5
focus "$main"
shot "saved"

# 9. Quit with Ctrl+Q: nothing unsaved, so no question; the player the
# preview started goes with the program.
keys ctrl+q
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "the program did not end"
wait "$app_pid" || fail "the program ended with an error"
app_pid=
for _ in $(seq 50); do kill -0 "$player_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$player_pid" 2>/dev/null && fail "the player outlived the program"

# 10. The project as saved (the clip shorter than the take).
if [ "$narrated" = yes ]; then
    frames_after=$(saved_clip_frames)
    echo "clip frames: $frames_before taken, $frames_after kept"
    [ -n "$frames_after" ] && [ -n "$frames_before" ] && [ "$frames_after" -lt "$frames_before" ] ||
        fail "the clip was not trimmed ($frames_before, then $frames_after frames)"
fi
"$bin/brindle-cli" info "$project" >"$out/info.json" 2>>"$out/brindle.log" ||
    fail "brindle-cli info could not open the project"
python3 - "$out/info.json" "$narrated" <<'PY' || fail "the project is not what was made"
import json, sys
info = json.load(open(sys.argv[1]))
slides = info["slides"] if isinstance(info, dict) else info
kinds = [s.get("mediaType") for s in slides]
assert kinds[:3] == [2, 3, 2] and kinds[-1] == 0, f"picture, text, picture, (clip,) snapshot, not {kinds}"
assert slides[2].get("Caption") == "Harbour at dusk", slides[2]
assert slides[0].get("Caption", "") == "" and slides[1].get("Caption", "") == ""
assert slides[1]["Filename"].startswith("text"), slides[1]
if sys.argv[2] == "yes":
    assert kinds == [2, 3, 2, 1, 0], f"and a clip before the snapshot, not {kinds}"
    assert slides[2]["Sound"] != "" and slides[2]["AudioDuration"] >= 1500, slides[2]
    assert info["backTrack"]["file"] != "" and info["backTrack"]["durationMs"] >= 5000, info["backTrack"]
assert info.get("messages") == [], info.get("messages")
print("project ok:", kinds)
PY

# 11. Start again with the file: the same project comes up, and goes.
start_brindle "$project"
main=$(wait_window '^trip - Velmora$') || fail "the project did not open at start-up"
sleep 1
focus "$main"
shot "reopened"

# 12. Publish from the File menu: the presentation is packed and the
# browser opens the service's page with the packed file's path and size.
keys alt+f p
upload=$(wait_window '^Publish$') || fail "the publishing page did not come up"
sleep 1
shot "publishing-page"
grep -q "projectfile=$HOME/uploads/project.zip&sizefiles=" "$tmp/browser.args" ||
    fail "the browser was not given the publishing address: $(cat "$tmp/browser.args")"
eval "$(xdotool getwindowgeometry --shell "$upload")"
xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
for _ in $(seq 300); do [ -s "$tmp/server/fields/projectfile" ] && break; sleep 0.1; done
sleep 1
shot "uploaded"
cmp -s "$HOME/uploads/project.zip" "$tmp/server/fields/projectfile" ||
    fail "the service did not receive project.zip whole"
unzip -Z1 "$tmp/server/fields/projectfile" >"$out/published.txt"
grep -qx 'preView.smi' "$out/published.txt" || fail "the upload holds no preView.smi"
focus "$main"
keys ctrl+q
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "the reopened program did not end"
wait "$app_pid" || fail "the reopened program ended with an error"
app_pid=

# No message box came up on the way (they are written to the log).
if grep -q '^message ' "$out/brindle.log"; then
    fail "unexpected messages: $(grep '^message ' "$out/brindle.log" | head -3)"
fi
echo "story done; screenshots in $out"
