# The set-up the user stories share, sourced with BIN_DIR OUT_DIR as its
# arguments: a private home and desktop, the player registered, a display
# of its own (Xvfb), a hosting service on 127.0.0.1 with its publishing
# address in the settings, a browser stand-in that runs brindle-upload on
# the page it is given, the media a user brings, and the helpers to drive
# the window, take screenshots and check what was saved.
# Exits 77 when the X tools are missing here.
set -euo pipefail
bin=$(cd "$1" && pwd)
out=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
rm -rf "$out"
mkdir -p "$out"
for tool in Xvfb xdotool ffmpeg python3; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool missing"; exit 77; }
done

# A sanitizer build runs several times slower: every wait grows with it.
factor=1
ldd "$bin/brindle" 2>/dev/null | grep -q libasan && factor=4
pause() { sleep "$(awk -v s="$1" -v f="$factor" 'BEGIN { print s * f }')"; }

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
# Leaks at the end of a GUI program are not a story's business (the unit
# tests check them); in a sanitizer build only real faults end it.
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
    echo "$(date +%T.%N | cut -c1-12) $1" >>"$out/steps.txt"
    ffmpeg -nostdin -v error -y -f x11grab -video_size 1024x768 -i "$DISPLAY" -frames:v 1 \
        "$out/$(printf %02d "$step")-$1.png" || true
}
# Waits for a visible window whose name matches, answers its id.
wait_window() {
    local id
    for _ in $(seq $((100 * factor))); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1) || true
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}
wait_gone() {
    for _ in $(seq $((100 * factor))); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}
# Waits (a while at most) until the editor is the only window named after
# the program ("Velmora", or the project's name and it once saved): a
# dialog that shares the name has closed.
wait_editor_alone() {
    for _ in $(seq $((150 * factor))); do
        [ "$(xdotool search --onlyvisible --name 'Velmora$' | wc -l)" = 1 ] && return 0
        sleep 0.1
    done
}
keys() { xdotool key --delay 60 "$@"; pause 0.3; }
type_text() { xdotool type --delay 20 "$1"; pause 0.2; }
focus() { xdotool windowfocus --sync "$1"; pause 0.2; }

ff() { ffmpeg -nostdin -v error -y "$@"; }
ff -f lavfi -i "testsrc2=s=640x480" -frames:v 1 "$tmp/media/harbour.jpg"
ff -f lavfi -i "mandelbrot=s=640x480" -frames:v 1 "$tmp/media/market.jpg"
project=$tmp/projects/trip.bqx
mkdir -p "$tmp/projects"

# A sound server (the test script's null sink) and espeak-ng make the
# narration, the background track and the camera's microphone possible.
narrated=no
if [ -n "${PULSE_SERVER:-}" ] && pactl info >/dev/null 2>&1 && command -v espeak-ng >/dev/null; then
    narrated=yes
    ff -f lavfi -i "sine=frequency=330:duration=6" "$tmp/media/tune.wav"
else
    echo "no sound server: the narration, the background track and the clip are left out"
fi

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

start_brindle() {
    "$bin/brindle" "$@" >>"$out/brindle.log" 2>&1 &
    app_pid=$!
}
# Starts the program, on the project when "$1" is "reopen", and waits for
# its window (in $main), which takes the focus.
open_editor() {
    local label=new-project
    if [ "${1:-}" = reopen ]; then
        label=reopened
        start_brindle "$project"
        main=$(wait_window '^trip - Velmora$') || fail "the project did not open at start-up"
    else
        start_brindle
        main=$(wait_window '^Velmora$') || fail "the editor window did not come up"
    fi
    pause 1
    focus "$main"
    shot "$label"
}
# Waits for the project file to be written.
wait_saved() {
    for _ in $(seq $((100 * factor))); do [ -s "$project" ] && return 0; sleep 0.1; done
    fail "the project was not saved"
}
# Waits for the project file to change from the stamp given.
wait_resaved() {
    for _ in $(seq $((100 * factor))); do
        [ "$(stat -c %Y.%s "$project")" != "$1" ] && return 0
        sleep 0.1
    done
    fail "the project was not saved again"
}
# The save dialog is up: the project's name typed, Enter.
name_project() {
    pause 1
    type_text "$project"
    keys Return
    wait_saved
}
# The frame count of the project's clip "video1.avi" as saved.
saved_clip_frames() {
    rm -rf "$tmp/unpacked"
    mkdir -p "$tmp/unpacked"
    unzip -q -o "$project" video1.avi -d "$tmp/unpacked"
    "$bin/brindle-cli" frames "$tmp/unpacked/video1.avi" 2>/dev/null |
        sed -n 's/^TotalFrames[^0-9]*\([0-9]*\).*/\1/p'
}
# Waits for the program to end by itself, with success.
wait_ended() {
    for _ in $(seq $((100 * factor))); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$app_pid" 2>/dev/null && fail "the program did not end"
    wait "$app_pid" || fail "the program ended with an error"
    app_pid=
}
# The player the preview started must go with the program.
check_player_gone() {
    for _ in $(seq $((50 * factor))); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
    fail "the player outlived the program"
}
# The player window of a preview, checked to play preView.smi; answers
# the player's process id.
wait_preview() {
    local player player_pid
    player=$(wait_window 'Brindle Player') || fail "the player did not come up"
    player_pid=$(xdotool getwindowpid "$player")
    tr '\0' ' ' <"/proc/$player_pid/cmdline" | grep -q 'preView.smi' ||
        fail "the player was not started on preView.smi"
    echo "$player_pid"
}

# After quitting: the program ended by itself, the player its preview
# started ($1) with it, and the project is the story's own: picture, text,
# captioned and narrated picture, clip (shorter than the take), snapshot.
check_quit_and_saved() {
    wait_ended
    check_player_gone "$1"
    check_project 2,3,2,1,0 2
}

# The saved project through brindle-cli info: the slides' kinds in order,
# the caption and narration on the slide named by its place, and the
# background track. Usage: check_project KINDS CAPTIONED_PLACE
# (KINDS: the mediaType numbers, comma-separated).
check_project() {
    if [ "$narrated" = yes ]; then
        local before after
        before=$frames_before
        after=$(saved_clip_frames)
        echo "clip frames: $before taken, $after kept"
        [ -n "$after" ] && [ -n "$before" ] && [ "$after" -lt "$before" ] ||
            fail "the clip was not trimmed ($before, then $after frames)"
    fi
    "$bin/brindle-cli" info "$project" >"$out/info.json" 2>>"$out/brindle.log" ||
        fail "brindle-cli info could not open the project"
    python3 - "$out/info.json" "$narrated" "$1" "$2" <<'PY' || fail "the project is not what was made"
import json, sys
info = json.load(open(sys.argv[1]))
narrated, want, place = sys.argv[2] == "yes", [int(k) for k in sys.argv[3].split(",")], int(sys.argv[4])
slides = info["slides"] if isinstance(info, dict) else info
kinds = [s.get("mediaType") for s in slides]
if not narrated:
    want = [k for k in want if k != 1]  # no clip without the camera's microphone
assert kinds == want, f"slides {want} wanted, not {kinds}"
for i, s in enumerate(slides):
    assert s.get("Caption", "") == ("Harbour at dusk" if i == place else ""), (i, s)
assert slides[kinds.index(3)]["Filename"].startswith("text"), slides
if narrated:
    assert slides[place]["Sound"] != "" and slides[place]["AudioDuration"] >= 1500, slides[place]
    assert all(s.get("Sound", "") == "" for i, s in enumerate(slides) if i != place)
    assert info["backTrack"]["file"] != "" and info["backTrack"]["durationMs"] >= 5000, info["backTrack"]
assert info.get("messages") == [], info.get("messages")
print("project ok:", kinds)
PY
}

# A slide's cell in the editor's strip (1 to 5 are in sight), from the
# window's top-left corner: its picture, and the caption and sound
# buttons under it.
cell_x() { echo $((187 + 116 * ($1 - 1))); }
picture_y=332
buttons_y=385

# The strip after the restart, as the user sees it, against the screenshot
# taken when the project was saved: the slides' pictures are the
# same, and only the third shows its caption and narration marks (orange
# buttons).
check_reopened_strip() {
    local X Y WIDTH HEIGHT SCREEN WINDOW f
    eval "$(xdotool getwindowgeometry --shell "$main")"
    for f in saved reopened; do
        ffmpeg -nostdin -v error -y -i "$(ls "$out"/*-$f.png | tail -1)" -f rawvideo \
            -pix_fmt rgb24 "$tmp/$f.rgb" || fail "cannot read the $f screenshot"
    done
    python3 - "$X" "$Y" "$picture_y" "$buttons_y" "$narrated" "$tmp/saved.rgb" \
        "$tmp/reopened.rgb" <<'PY' || fail "the strip after the restart is not the strip saved"
import sys
ox, oy, py, by = (int(v) for v in sys.argv[1:5])
narrated = sys.argv[5] == "yes"
saved, reopened = (open(p, "rb").read() for p in sys.argv[6:8])
def pixels(shot, x0, y0, x1, y1):
    return [shot[3 * ((oy + y) * 1024 + ox + x):][:3] for y in range(y0, y1) for x in range(x0, x1)]
def mean(px):
    return [sum(p[i] for p in px) / len(px) for i in range(3)]
for cell in range(1, 6 if narrated else 5):  # no clip without a sound server
    cx = 187 + 116 * (cell - 1)
    parts = {"picture": (cx - 38, py - 25, cx + 38, py + 25),
             "caption": (cx - 25, by - 8, cx - 9, by + 8),
             "sound": (cx + 11, by - 8, cx + 27, by + 8)}
    for part, box in parts.items():
        a, b = pixels(saved, *box), pixels(reopened, *box)
        diff = sum(abs(p[i] - q[i]) for p, q in zip(a, b) for i in range(3)) / (3 * len(a))
        assert diff < 6, f"slide {cell}'s {part} differs by {diff:.1f}"
        r, g, bl = mean(b)
        if part == "picture":
            assert not (min(r, g, bl) > 200 and max(r, g, bl) - min(r, g, bl) < 8), f"no slide {cell}"
        else:
            marked = cell == 3 and (part == "caption" or narrated)
            assert (r - bl > 80) == marked, f"slide {cell}'s {part} mark: {[r, g, bl]}"
print("strip ok after the restart")
PY
}

# After Publish: the browser was given the service's page with the packed
# file, and once the page's button is pressed the service receives
# project.zip byte for byte. Answers the upload window's id.
# The button takes a press once the page's field list has arrived.
publishing_window() {
    local upload
    upload=$(wait_window '^Brindle upload$') || fail "the publishing page did not come up"
    wait_window '^Publish$' >/dev/null || fail "the page shows no Publish button"
    grep -q "projectfile=$HOME/uploads/project.zip&sizefiles=" "$tmp/browser.args" ||
        fail "the browser was not given the publishing address: $(cat "$tmp/browser.args")"
    for _ in $(seq $((100 * factor))); do
        grep -q 'the data stream has ended' "$tmp/upload.err" && break
        sleep 0.1
    done
    echo "$upload"
}
check_uploaded() {
    for _ in $(seq $((300 * factor))); do [ -s "$tmp/server/fields/projectfile" ] && break; sleep 0.1; done
    pause 1
    shot "uploaded"
    cmp -s "$HOME/uploads/project.zip" "$tmp/server/fields/projectfile" ||
        fail "the service did not receive project.zip whole"
    unzip -Z1 "$tmp/server/fields/projectfile" >"$out/published.txt"
    grep -qx 'preView.smi' "$out/published.txt" || fail "the upload holds no preView.smi"
}
# No message box came up on the way (they are written to the log).
check_no_messages() {
    if grep -q '^message ' "$out/brindle.log"; then
        fail "unexpected messages: $(grep '^message ' "$out/brindle.log" | head -3)"
    fi
}
