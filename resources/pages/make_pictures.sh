#!/bin/sh
# Makes the pictures that ship beside the preview page and the player
# frame: run from this folder with ImageMagick installed; the results are
# committed, so a build does not need ImageMagick.
#   freeplayG2.gif  the page's "play" badge, 90 x 33 with its edge
#   plrbordr.jpg    the frame drawn around the presentation on the page
#   vidback.jpg     the background behind the video region, 330 x 270
set -e
convert -size 88x31 gradient:'#2d6a8f'-'#173b52' \
    -fill white -stroke none -draw 'polygon 10,8 10,23 23,15.5' \
    -fill white -font DejaVu-Sans-Bold -pointsize 11 -annotate +30+20 'Play' \
    -bordercolor '#0d2433' -border 1 -strip freeplayG2.gif
convert -size 350x290 gradient:'#3b3f45'-'#17191c' \
    -fill none -stroke '#5a6068' -strokewidth 2 -draw 'rectangle 9,9 340,280' \
    -quality 80 -strip plrbordr.jpg
convert -size 330x270 radial-gradient:'#23272d'-'#07080a' \
    -quality 80 -strip vidback.jpg
