#!/usr/bin/env bash
# A user's story with the real brindle window under a private Xvfb, driven
# by the mouse and the keys as a user drives it: the window's buttons, the
# menus and the slides' own buttons are clicked, a slide is dragged to
# another place along the strip, the clip's start mark is dragged on the
# trim control, and names and text are typed. A new project, a text slide,
# two pictures from files, a caption, a spoken narration and a background
# track from a file (with a sound server), the slide dragged, a 3-second
# clip recorded from the synthetic camera and trimmed, a snapshot from it,
# a preview in the player, save, quit, start again with the file, publish
# through the service's page, whose button is clicked; quit. The project
# is checked with brindle-cli info; a screenshot of each step goes into
# the output folder.
# Usage: mouse_story.sh BIN_DIR OUT_DIR     (exit 77: no X tools here)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/story_common.sh"

# Places in the editor's window (it keeps its size: 816x600 on this
# screen), its menus and its dialogs, from their top-left corners.
declare -A at=(
    [file]="20 8" [options]="110 8" [save]="70 73" [exit]="45 187" [background]="169 29"
    [text]="60 92" [files]="60 142" [snapshot]="60 242" [video]="60 292" [preview]="60 474" [publish]="60 524"
    [text.ok]="408 213" [caption.ok]="262 69" [sound.record]="40 166" [sound.stop]="104 166"
    [sound.files]="330 166" [sound.ok]="235 231" [video.record]="49 338" [video.stop]="113 338"
    [video.ok]="288 333" [snapshot.ok]="204 267" [trim.ok]="223 314"
)
# Moves the pointer to x y of the screen (a move onto the place it is at
# already would wait in vain for the pointer to move).
point() {
    local x y screen window
    eval "$(xdotool getmouselocation --shell | tr 'A-Z' 'a-z')"
    [ "$x $y" = "$1 $2" ] || xdotool mousemove --sync "$1" "$2"
}
# Moves the pointer onto x y of window $1 and clicks there.
click_at() {
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$1")"
    point $((X + $2)) $((Y + $3))
    xdotool click 1
    pause 0.3
}
click() {
    # shellcheck disable=SC2086
    click_at "$1" ${at[$2]}
}
# Presses the left button at x1 y1 of window $1, moves to x2 y2 in steps
# and lets go there.
drag() {
    local X Y WIDTH HEIGHT SCREEN WINDOW i
    eval "$(xdotool getwindowgeometry --shell "$1")"
    point $((X + $2)) $((Y + $3))
    xdotool mousedown 1
    pause 0.2
    for i in 1 2 3 4 5 6 7 8; do
        xdotool mousemove --sync $((X + $2 + ($4 - $2) * i / 8)) $((Y + $3 + ($5 - $3) * i / 8))
        sleep 0.05
    done
    pause 0.3
    xdotool mouseup 1
    pause 0.5
}
# The dialog that took the focus from the editor.
dialog() {
    local id
    for _ in $(seq $((100 * factor))); do
        id=$(xdotool getwindowfocus 2>/dev/null) || true
        [ -n "$id" ] && [ "$id" != "$main" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    fail "no dialog took the focus"
}
# A menu's item: the menu's title, then the item. The editor comes
# forward first (the player's or the page's window may lie over it, and
# no window manager raises it on a click here).
menu() {
    xdotool windowraise "$main"
    pause 0.2
    click "$main" "$1"
    pause 0.3
    click "$main" "$2"
}

# 1. A new project: the program starts empty.
open_editor

# 2. A text slide: the Text button, the text typed, OK.
click "$main" text
box=$(dialog)
pause 0.5
type_text "Our trip"
click "$box" text.ok
wait_editor_alone
shot "text-slide"

# 3. Two pictures: the Files button, the file's name typed, Enter.
for picture in harbour market; do
    click "$main" files
    wait_window 'Select Media' >/dev/null || fail "the Files dialog did not open"
    pause 0.5
    type_text "$tmp/media/$picture.jpg"
    keys Return
    wait_gone 'Select Media' || fail "the Files dialog stayed open"
    pause 0.5
done
shot "two-pictures"

# 4. A caption on the third slide: its caption button, the text, OK.
click_at "$main" $(($(cell_x 3) - 17)) $buttons_y
box=$(dialog)
type_text "Harbour at dusk"
click "$box" caption.ok
wait_editor_alone
shot "caption"

# 4b. With a sound server: a spoken narration on the same slide (its sound
# button; Record, espeak-ng speaking into the sink whose monitor is
# recorded, Stop, OK), and a background track from a file (the Options
# menu; Files..., the name typed, OK).
if [ "$narrated" = yes ]; then
    click_at "$main" $(($(cell_x 3) + 19)) $buttons_y
    box=$(dialog)
    pause 1
    click "$box" sound.record
    espeak-ng "The harbour at dusk, with the boats coming home." 2>/dev/null
    pause 0.3
    shot "narration"
    click "$box" sound.stop
    pause 0.5
    click "$box" sound.ok
    wait_editor_alone
    menu options background
    box=$(dialog)
    pause 1
    click "$box" sound.files
    pause 1
    type_text "$tmp/media/tune.wav"
    keys Return
    pause 1
    shot "background-track"
    click "$box" sound.ok
    wait_editor_alone
fi

# 5. The text slide dragged onto the second cell: it takes that place.
drag "$main" "$(cell_x 1)" $picture_y "$(cell_x 2)" $picture_y
shot "dragged"

# 5b. With the sound server for its microphone: the last slide clicked,
# then a 3-second clip after it (the Video button; Record, Stop, OK).
if [ "$narrated" = yes ]; then
    click_at "$main" "$(cell_x 3)" $picture_y
    click "$main" video
    wait_window 'Record Video' >/dev/null || fail "the video dialog did not open"
    box=$(dialog)
    pause 2
    click "$box" video.record
    pause 3.5
    shot "recording"
    click "$box" video.stop
    pause 1.5
    click "$box" video.ok
    wait_gone 'Record Video' || fail "the video dialog stayed open"
    pause 0.5
    shot "clip"

    # 5c. The clip trimmed: saved first to count its frames (the File
    # menu's Save Project, the name typed), then the clip's scissors, its
    # start mark dragged a third of the way along, OK.
    menu file save
    name_project
    frames_before=$(saved_clip_frames)
    click_at "$main" $(($(cell_x 4) + 19)) $buttons_y
    box=$(dialog)
    pause 2
    shot "trim-dialog"
    drag "$box" 53 262 160 262
    shot "trim"
    click "$box" trim.ok
    wait_editor_alone
    pause 0.5
else
    # No clip was added, so the dragged slide is still selected: the last
    # one is clicked for the snapshot to go after it.
    click_at "$main" "$(cell_x 3)" $picture_y
fi

# 6. A snapshot from the camera after the last slide: the Snapshot button, OK.
click "$main" snapshot
box=$(dialog)
pause 3
shot "snapshot-dialog"
click "$box" snapshot.ok
wait_editor_alone
pause 0.5
shot "snapshot"

# 7. Preview: the Preview button writes the presentation and starts the
# player on it.
click "$main" preview
player_pid=$(wait_preview)
pause 2
shot "preview"

# 8. Save from the File menu: a name the first time (unless the trim step
# saved already), then into the same file.
if [ -s "$project" ]; then
    before=$(stat -c %Y.%s "$project")
    menu file save
    wait_resaved "$before"
else
    menu file save
    name_project
fi
pause 0.5
shot "saved"

# 9. Exit from the File menu: nothing unsaved, so no question; the player
# goes with the program. The project saved is checked.
menu file exit
check_quit_and_saved "$player_pid"

# 10. Start again with the file: the same project comes up, its strip
# as it was.
open_editor reopen
check_reopened_strip

# 11. Publish with its button: the presentation is packed, the browser
# opens the service's page, and its Publish button is clicked.
click "$main" publish
upload=$(publishing_window)
pause 1
shot "publishing-page"
button=$(wait_window '^Publish$')
click_at "$button" 30 10
check_uploaded
focus "$main"
menu file exit
wait_ended
check_no_messages
echo "story done; screenshots in $out"
