#!/usr/bin/env bash
# A user's story with the real brindle window under a private Xvfb, driven
# by keys alone (xdotool through the XTEST extension, no mouse event): a new
# project, a text slide, two pictures from files, a caption, a spoken
# narration and a background track from a file (with a sound server), a
# slide moved, a 3-second clip recorded from the synthetic camera and
# trimmed, a snapshot from it, a preview in the player, save, quit
# (which ends the player), start again with the file, publish: the desktop's
# browser (a stand-in that runs brindle-upload on the page) opens the
# publishing page of a service on 127.0.0.1, whose upload button takes the
# window's focus and is pressed with Space, and the service receives
# project.zip byte for byte; quit. The project is checked with brindle-cli
# info; a screenshot of each step goes into the output folder.
# Usage: keyboard_story.sh BIN_DIR OUT_DIR     (exit 77: no X tools here)
here=$(cd "$(dirname "$0")" && pwd)
# No pointer event anywhere in this story: neither in this script nor in
# what it shares, and none sent while it runs.
if grep -nE 'mouse(move|down|up)|[c]lick' "$0" "$here/story_common.sh"; then
    echo "FAIL: the keyboard story holds a mouse event" >&2
    exit 1
fi
xdotool() {
    case $1 in
        search | windowfocus | getwindowfocus | getwindowgeometry | getwindowpid | key | type) command xdotool "$@" ;;
        *) fail "neither a key nor a look at the windows: xdotool $*" ;;
    esac
}
source "$here/story_common.sh"

# 1. A new project: the program starts empty.
open_editor

# 2. A text slide: Ctrl+1, type, Ctrl+Enter.
keys ctrl+1
pause 1
type_text "Our trip"
keys ctrl+Return
pause 0.5
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
    pause 0.5
    focus "$main"
done
shot "two-pictures"

# 4. A caption on the selected (last) slide through the Edit menu.
keys alt+e t
pause 1
type_text "Harbour at dusk"
keys Return
pause 0.5
focus "$main"
shot "caption"

# 4b. With a sound server: a spoken narration for the same slide, recorded
# from the sink's monitor while espeak-ng speaks into it, and a background
# track taken from a file.
if [ "$narrated" = yes ]; then
    keys alt+e a
    pause 1.5           # the dialog opens with Record in the focus
    keys space
    pause 0.3
    espeak-ng "The harbour at dusk, with the boats coming home." 2>/dev/null
    pause 0.3
    shot "narration"
    keys space          # Stop has the focus while recording
    pause 0.5
    keys Tab Tab Tab space   # from Play past Erase and Files to OK
    pause 1
    focus "$main"
    keys alt+o b
    pause 1.5
    keys Tab space      # Files...
    pause 1
    type_text "$tmp/media/tune.wav"
    keys Return
    pause 1
    shot "background-track"
    keys Tab space      # from Files to OK
    pause 1
    focus "$main"
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
    pause 2
    keys space
    pause 3.5
    shot "recording"
    keys space          # Stop has the focus while recording
    pause 1.5
    keys Tab space      # from Play to OK
    wait_gone 'Record Video' || fail "the video dialog stayed open"
    pause 0.5
    focus "$main"
    shot "clip"

    # 5c. The clip trimmed: saved first to count its frames, then Enter
    # edits it, Shift+PageUp moves the start mark on, Enter is OK.
    keys ctrl+s
    name_project
    focus "$main"
    frames_before=$(saved_clip_frames)
    keys F6 End Return
    pause 2
    keys shift+Prior shift+Prior
    pause 0.5
    shot "trim"
    keys Return
    wait_editor_alone
    pause 0.5
    focus "$main"
fi

# 6. A snapshot from the camera after the last slide: Ctrl+4, Enter.
keys End ctrl+4
pause 3
shot "snapshot-dialog"
keys Return
wait_editor_alone
pause 0.5
focus "$main"
shot "snapshot"

# 7. Preview: F5 writes the presentation and starts the player on it.
keys F5
player_pid=$(wait_preview)
pause 2
shot "preview"
focus "$main"

# 8. Save: Ctrl+S asks for a name the first time (unless the trim step
# saved already), then saves into the same file.
if [ -s "$project" ]; then
    before=$(stat -c %Y.%s "$project")
    keys ctrl+s
    wait_resaved "$before"
else
    keys ctrl+s
    name_project
fi
pause 0.5
focus "$main"
shot "saved"

# 9. Quit with Ctrl+Q: nothing unsaved, so no question; the player the
# preview started goes with the program. The project saved is checked.
keys ctrl+q
check_quit_and_saved "$player_pid"

# 10. Start again with the file: the same project comes up, its strip
# as it was.
open_editor reopen
check_reopened_strip

# 11. Publish from the File menu: the presentation is packed and the
# browser opens the service's page; the page's window takes the focus,
# which its button takes on, and Space presses it.
keys alt+f p
upload=$(publishing_window)
pause 1
focus "$upload"
button=$(wait_window '^Publish$')
for _ in $(seq $((50 * factor))); do
    [ "$(xdotool getwindowfocus)" = "$button" ] && break
    sleep 0.1
done
[ "$(xdotool getwindowfocus)" = "$button" ] || fail "the Publish button did not take the focus"
shot "publishing-page"
keys space
check_uploaded
focus "$main"
keys ctrl+q
wait_ended
check_no_messages
echo "story done; screenshots in $out"
