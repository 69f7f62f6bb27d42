# Imported targets for the C libraries Brindle builds on (Debian packages,
# found through pkg-config). Each target is defined once, here.
find_package(PkgConfig REQUIRED)
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET GLOBAL
    libavformat libavcodec libavutil libswscale libswresample)
pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET GLOBAL libzip)
# The fast deflate of the archive writer; without it the writer uses zlib.
pkg_check_modules(ISAL IMPORTED_TARGET GLOBAL libisal)
pkg_check_modules(PULSE REQUIRED IMPORTED_TARGET GLOBAL libpulse)
pkg_check_modules(SANE REQUIRED IMPORTED_TARGET GLOBAL sane-backends)
pkg_check_modules(X11 REQUIRED IMPORTED_TARGET GLOBAL x11)
# Camera and microphone inputs of the capture service (v4l2, pulse, lavfi).
pkg_check_modules(AVDEVICE REQUIRED IMPORTED_TARGET GLOBAL libavdevice libavfilter)
pkg_check_modules(CURL REQUIRED IMPORTED_TARGET GLOBAL libcurl)
# XTest: the plug-in tests press its button through the X server.
pkg_check_modules(XTST REQUIRED IMPORTED_TARGET GLOBAL xtst)
