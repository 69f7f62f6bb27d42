# Sourced by the screenshot and benchmark scripts. private_home TMP BIN_DIR
# gives the programs a home, settings, cache and runtime folder of their own
# under TMP (and TMP/media for made files), and registers the player the
# editor's start-up check looks for, as the set-up does. Run as root, the
# registration also writes the machine's application folder; a private
# mount keeps that write away from this machine.
private_home() {
    export HOME="$1/home" XDG_CONFIG_HOME="$1/config" XDG_CONFIG_DIRS="$1/etc" \
        XDG_CACHE_HOME="$1/cache" XDG_RUNTIME_DIR="$1/run" BRINDLE_MESSAGES=stderr
    mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$1/media"
    chmod 700 "$XDG_RUNTIME_DIR"
    if [ "$(id -u)" = 0 ]; then
        unshare -m sh -c 'mount -t tmpfs none /usr/local/share && "$0" --register' \
            "$2/brindle-player" >/dev/null
    else
        "$2/brindle-player" --register >/dev/null
    fi
}
