#!/bin/sh
# Runs a test as an ordinary user: root ignores a terminal's exclusive lock and its permissions.
# As root, uses (and creates if missing) the system user orvel-test; when that user cannot reach
# the test program, runs it as it is and the test skips what needs an ordinary user.
user=orvel-test
if [ "$(id -u)" -eq 0 ] && command -v runuser >/dev/null 2>&1; then
    if ! id "$user" >/dev/null 2>&1 && command -v useradd >/dev/null 2>&1; then
        useradd --system --no-create-home --shell /usr/sbin/nologin "$user" 2>/dev/null ||
            id "$user" >/dev/null 2>&1
    fi
    if id "$user" >/dev/null 2>&1 && runuser -u "$user" -- test -x "$1" &&
        runuser -u "$user" -- test -x "${ORVEL_SIM:-/bin/true}"; then
        exec runuser -u "$user" -- env HOME=/tmp XDG_RUNTIME_DIR= "$@"
    fi
    echo "run-unprivileged: cannot run as $user here; running as root" >&2
fi
exec "$@"
