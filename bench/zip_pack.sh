#!/bin/bash
# Packs the corpus flat at level 6 and unpacks it again, with the zip
# component (bench-zip) and with Info-ZIP's zip and unzip, side by side in
# one run. Prints the median seconds of each and the ratios.
# Usage: zip_pack.sh CORPUS BUILD [RUNS]   (RUNS defaults to 3)
source "$(dirname "$0")/common.sh" zip_pack bench-zip "$@"
command -v zip >/dev/null && command -v unzip >/dev/null || { echo "needs zip and unzip" >&2; exit 1; }

mapfile -t files < <(sed "s|^|$corpus/|" "$corpus/toc.txt")
bytes=$(cat "${files[@]}" | wc -c)  # also warms the cache

: >"$work/zip" >"$work/ours-pack" >"$work/unzip" >"$work/ours-unpack"
for ((r = 1; r <= runs; r++)); do
    rm -rf "$work"/*.zip "$work"/u1 "$work"/u2
    mkdir "$work/u1" "$work/u2"
    # Alternate which tool goes first, so neither always meets a cooler cache.
    if ((r % 2)); then
        seconds zip -q -6 -j "$work/ref.zip" "${files[@]}" >>"$work/zip"
        seconds "$tool" pack "$work/ours.zip" "${files[@]}" >>"$work/ours-pack"
    else
        seconds "$tool" pack "$work/ours.zip" "${files[@]}" >>"$work/ours-pack"
        seconds zip -q -6 -j "$work/ref.zip" "${files[@]}" >>"$work/zip"
    fi
    seconds unzip -q "$work/ref.zip" -d "$work/u1" >>"$work/unzip"
    seconds "$tool" unpack "$work/ours.zip" "$work/u2" >>"$work/ours-unpack"
    for f in "${files[@]}"; do
        cmp -s "$f" "$work/u2/${f##*/}" || { echo "bench-zip unpacked ${f##*/} wrongly" >&2; exit 1; }
    done
done

zipS=$(median <"$work/zip") oursS=$(median <"$work/ours-pack")
unzipS=$(median <"$work/unzip") oursU=$(median <"$work/ours-unpack")
refSize=$(stat -c %s "$work/ref.zip") oursSize=$(stat -c %s "$work/ours.zip")
printf 'corpus: %d files, %d MB; %d runs, median seconds\n' "${#files[@]}" $((bytes / 1000000)) "$runs"
printf '%-28s %8.2f s   %s\n' "pack   zip -q -6 -j" "$zipS" "$((refSize / 1000000)) MB"
printf '%-28s %8.2f s   %s   ratio %.2f\n' "pack   bench-zip (level 6)" "$oursS" \
    "$((oursSize / 1000000)) MB" "$(calc "$oursS / $zipS")"
printf '%-28s %8.2f s\n' "unpack unzip -q" "$unzipS"
printf '%-28s %8.2f s              ratio %.2f\n' "unpack bench-zip" "$oursU" \
    "$(calc "$oursU / $unzipS")"
printf '%-28s %8.2f s              ratio %.2f\n' "save + open, total" \
    "$(calc "$oursS + $oursU")" "$(calc "($oursS + $oursU) / ($zipS + $unzipS)")"
