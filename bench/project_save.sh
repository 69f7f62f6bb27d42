#!/bin/bash
# Saves a 200-slide project as a project file and opens it again with the
# program's own save and open (bench-project: table of contents, zip
# component at level 6, the checks of every clip), side by side with
# Info-ZIP's zip -6 -j and unzip of the same files in the same run. Prints
# the median seconds of each and the ratios.
#
# The slides come from the benchmark corpus (bench/make_corpus.sh): 185
# camera stills (the 3000x2000 JPEGs), 5 scanned BMPs, 5 GIFs and 5 clips
# (the compressed ones), a narration on every fourth slide and the
# background track; about 500 MB in all.
# Usage: project_save.sh CORPUS BUILD [RUNS]   (RUNS defaults to 3)
source "$(dirname "$0")/common.sh" project_save bench-project "$@"
command -v zip >/dev/null && command -v unzip >/dev/null || { echo "needs zip and unzip" >&2; exit 1; }

cd "$corpus"
stills=(p0[2468].jpg p[123][02468].jpg)
scans=(p3[567].bmp)
gifs=(p*.gif)
clips=(c[1-5]-*.avi)
voices=(n*.wav)
cd - >/dev/null
slides=$work/slides.txt
for ((i = 1; i <= 200; i++)); do
    case $((i % 40)) in
        20) f=${clips[(i / 40) % ${#clips[@]}]} kind=clip ;;
        0) f=${scans[(i / 40) % ${#scans[@]}]} kind=picture ;;
        10) f=${gifs[(i / 40) % ${#gifs[@]}]} kind=picture ;;
        *) f=${stills[i % ${#stills[@]}]} kind=picture ;;
    esac
    sound=
    ((i % 4 == 0)) && sound=" $corpus/${voices[(i / 4) % ${#voices[@]}]}"
    echo "$kind $corpus/$f$sound"
done >"$slides"
echo "background $corpus/background.wav" >>"$slides"

: >"$work/ours-save" >"$work/ours-open" >"$work/zip" >"$work/unzip"
for ((r = 1; r <= runs; r++)); do
    rm -rf "$work"/w "$work"/w-* "$work"/o "$work"/u "$work"/*.bqx "$work"/*.zip
    mkdir "$work/u"
    "$tool" "$slides" "$work/w" "$work/ours.bqx" "$work/o" >"$work/run"
    sed -n 's/^save //p' "$work/run" >>"$work/ours-save"
    sed -n 's/^open //p' "$work/run" >>"$work/ours-open"
    # The same files, table included, packed and unpacked by Info-ZIP.
    files=("$work"/w/*)
    # Every timed step starts with nothing left to write back (bench-project
    # syncs before its own steps too).
    sync
    seconds zip -q -6 -j "$work/ref.zip" "${files[@]}" >>"$work/zip"
    sync
    seconds unzip -q "$work/ref.zip" -d "$work/u" >>"$work/unzip"
    for f in "${files[@]}"; do
        cmp -s "$f" "$work/o/${f##*/}" || { echo "bench-project opened ${f##*/} wrongly" >&2; exit 1; }
    done
done

bytes=$(cat "${files[@]}" | wc -c)
saveS=$(median <"$work/ours-save") openS=$(median <"$work/ours-open")
zipS=$(median <"$work/zip") unzipS=$(median <"$work/unzip")
printf 'project: %s slides, %d files, %d MB; %d runs, median seconds\n' \
    "$(sed -n 's/^slides //p' "$work/run")" "${#files[@]}" $((bytes / 1000000)) "$runs"
printf '%-30s %8.2f s   %s MB\n' "save   zip -q -6 -j" "$zipS" "$(($(stat -c %s "$work/ref.zip") / 1000000))"
printf '%-30s %8.2f s   %s MB   ratio %.2f\n' "save   bench-project" "$saveS" \
    "$(($(stat -c %s "$work/ours.bqx") / 1000000))" "$(calc "$saveS / $zipS")"
printf '%-30s %8.2f s\n' "open   unzip -q" "$unzipS"
printf '%-30s %8.2f s             ratio %.2f\n' "open   bench-project" "$openS" "$(calc "$openS / $unzipS")"
printf '%-30s %8.2f s             ratio %.2f\n' "save + open, total" "$(calc "$saveS + $openS")" \
    "$(calc "($saveS + $openS) / ($zipS + $unzipS)")"
