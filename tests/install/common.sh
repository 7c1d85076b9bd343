# Shared by the install tests: a scratch folder removed on exit, and a run of an installed program
# with nothing of the developer's around it (no resource override, a home and XDG folders of its own).
set -euo pipefail
work="$(mktemp -d "${TMPDIR:-/tmp}/printer-tools-install.XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

run_isolated() {
    env -u PRINTER_TOOLS_RESOURCES -u XDG_RUNTIME_DIR HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" \
        XDG_DATA_HOME="$work/home/data" XDG_STATE_HOME="$work/home/state" XDG_CACHE_HOME="$work/home/cache" "$@"
}
