#!/usr/bin/env bash
# Builds the Debian package and checks it: lintian (no errors), its control fields and Depends,
# its exact file list, the desktop entry and the AppStream metainfo (validated), the icons, the
# manual pages and the changelog, that the programs start, and the logger's part: its service
# unit (systemd-analyze verify), its manual page, its --help, its maintainer scripts and user.
# A tree without the orvel-logger target makes a package without the logger, and the logger's
# checks say so and are skipped.
#
#   packaging/check-package.sh [BUILD_DIR]
#
# With BUILD_DIR (an already configured and built tree, as CTest passes it) the package is made
# from that tree's programs into BUILD_DIR/package-check/. Without it, a Release tree without
# tests is configured and built in build/package/ and the package is left there.
#
# The package is unpacked into a scratch folder and checked there. It is also really installed
# with apt-get, checked, and purged again when ORVEL_PACKAGE_INSTALL=yes, or when it is "auto"
# (the default) and the script runs as root under CI (CI set): only do that on a disposable
# machine. ORVEL_PACKAGE_INSTALL=no never installs.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root_dir="$(cd "$here/.." && pwd)"
start_seconds=5

fail() {
    echo "check-package: FAIL: $*" >&2
    exit 1
}
note() {
    echo "check-package: $*"
}

# shellcheck source-path=SCRIPTDIR/.. source=scripts/packages.sh
. "$root_dir/scripts/packages.sh"
began=$(date +%s)

if [ $# -ge 1 ]; then
    build="$(cd "$1" && pwd)"
    out="$build/package-check"
    ensure_packages "${ORVEL_PACKAGE_PACKAGES[@]}"
    [ -f "$build/CPackConfig.cmake" ] || fail "$build has no CPackConfig.cmake (packaging/ not configured)"
else
    build="$root_dir/build/package"
    out="$build"
    ensure_packages "${ORVEL_BUILD_PACKAGES[@]}" "${ORVEL_PACKAGE_PACKAGES[@]}"
    cmake -S "$root_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DORVEL_BUILD_TESTS=OFF -DORVEL_BUILD_BENCH=OFF
fi
# The logger is packaged when the tree builds it (packaging/CMakeLists.txt says so to cpack).
targets=(orvel dravelin-sim orvel-docs)
logger=no
if grep -qx 'set(CPACK_ORVEL_LOGGER "yes")' "$build/CPackConfig.cmake"; then
    logger=yes
    targets+=(orvel-logger)
fi
cmake --build "$build" --target "${targets[@]}"

scratch="$(mktemp -d "${TMPDIR:-/tmp}/orvel-package.XXXXXX")"
installed_here=0
program_pid=""
cleanup() {
    if [ -n "$program_pid" ]; then kill "$program_pid" 2>/dev/null || true; fi
    if [ "$installed_here" = 1 ]; then
        apt-get purge -y -q orvel >/dev/null 2>&1 || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT

# ---------------------------------------------------------------- icons match their source
"$here/icons/render-icons.sh" "$scratch/icons" || fail "icons/orvel.svg does not render"
for size in 16 32 48; do
    cmp -s "$scratch/icons/${size}x${size}/orvel.png" "$here/icons/${size}x${size}/orvel.png" ||
        fail "icons/${size}x${size}/orvel.png is not rendered from icons/orvel.svg: run packaging/icons/render-icons.sh"
done

# ---------------------------------------------------------------- build the package
rm -f "$out"/orvel_*.deb
rm -rf "$out/_CPack_Packages"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log" >&2; fail "cpack -G DEB failed"; }
rm -rf "$out/_CPack_Packages"
shopt -s nullglob
debs=("$out"/orvel_*.deb)
shopt -u nullglob
[ ${#debs[@]} -eq 1 ] || fail "expected one orvel_*.deb in $out, found ${#debs[@]}"
deb="${debs[0]}"
arch="$(dpkg --print-architecture)"
# The version is the project's (CMakeLists.txt), as the configured tree passes it to cpack.
version="$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")"
[ -n "$version" ] || fail "no CPACK_PACKAGE_VERSION in $build/CPackConfig.cmake"
[ "$(basename "$deb")" = "orvel_${version}_${arch}.deb" ] || fail "unexpected package file name $(basename "$deb")"

# ---------------------------------------------------------------- lintian
# Errors fail the check; the warnings left are printed, and each one must be explained in the
# README ("Installing as a desktop program"). Informational tags are not shown.
lintian_rc=0
lintian --no-cfg --fail-on error "$deb" >"$scratch/lintian.log" 2>&1 || lintian_rc=$?
grep -v '^running with root privileges' "$scratch/lintian.log" >"$scratch/lintian.tags" || true
if [ "$lintian_rc" != 0 ] || grep -q '^E: ' "$scratch/lintian.tags"; then
    cat "$scratch/lintian.tags" >&2
    fail "lintian reports errors (exit status $lintian_rc)"
fi
while read -r line; do note "lintian: $line"; done <"$scratch/lintian.tags"

# ---------------------------------------------------------------- control fields
field() { dpkg-deb --field "$deb" "$1"; }
expect_field() {
    local value
    value="$(field "$1")"
    [ "$value" = "$2" ] || fail "$1 is '$value', expected '$2'"
}
expect_field Package orvel
expect_field Version "$version"
expect_field Architecture "$arch"
expect_field Section science
expect_field Priority optional
case "$(field Maintainer)" in
    "Orvel On-Line developers"*) ;;
    *) fail "Maintainer is '$(field Maintainer)'" ;;
esac
description="$(field Description)"
synopsis="$(head -n1 <<<"$description")"
if [ -z "$synopsis" ] || [ ${#synopsis} -gt 80 ]; then fail "bad synopsis '$synopsis'"; fi
[ "$(wc -l <<<"$description")" -ge 5 ] || fail "the long description is missing"
grep -q "dravelin-sim" <<<"$description" || fail "the description does not mention the simulator"
if [ "$logger" = yes ]; then
    grep -q "orvel-logger" <<<"$description" || fail "the description does not mention the logger"
fi
if grep -E '&[a-z]+;' <<<"$description"; then fail "the description holds escaped characters"; fi

depends="$(field Depends)"
[ -n "$depends" ] || fail "Depends is empty"
# Package names only, one a line.
dep_names="$(sed -e 's/([^)]*)//g' -e 's/[,|]/\n/g' <<<"$depends" | sed -e 's/[[:space:]]//g' | grep -v '^$' | sort -u)"
for needed in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 \
    libqcustomplot2.1-qt6; do
    grep -qx "$needed" <<<"$dep_names" || fail "Depends lacks $needed: $depends"
done
# The logger publishes with libmosquitto; its postinst makes the logger's user with
# systemd-sysusers.
if [ "$logger" = yes ]; then
    grep -qx libmosquitto1 <<<"$dep_names" || fail "Depends lacks libmosquitto1: $depends"
    grep -qF "systemd | systemd-standalone-sysusers | systemd-sysusers" <<<"$depends" ||
        fail "Depends lacks systemd-sysusers: $depends"
fi
if grep -E -e '-dev$' -e '^libqt5' -e '^libqcustomplot2\.1$' <<<"$dep_names"; then
    fail "Depends names a development, Qt 5 or Qt 5 QCustomPlot package: $depends"
fi
# Every dependency is a real package: installed here (the programs linked against it), or else
# known to the package lists.
for name in $dep_names; do
    dpkg-query -W -f='${Status}\n' "$name" 2>/dev/null | grep -q "install ok installed" ||
        apt-cache show "$name" >/dev/null 2>&1 || fail "Depends names $name, which no package list knows"
done

# ---------------------------------------------------------------- file list, owners, modes
# "mode owner path" of every file, directories left out.
dpkg-deb --contents "$deb" |
    awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $1, $2, $6 }' | sort -k3 >"$scratch/contents"
cat >"$scratch/expected" <<EOF
-rwxr-xr-x root/root usr/bin/dravelin-sim
-rwxr-xr-x root/root usr/bin/orvel
-rw-r--r-- root/root usr/share/applications/orvel.desktop
-rw-r--r-- root/root usr/share/doc/orvel/LICENSE
-rw-r--r-- root/root usr/share/doc/orvel/changelog.gz
-rw-r--r-- root/root usr/share/doc/orvel/copyright
-rw-r--r-- root/root usr/share/icons/hicolor/16x16/apps/orvel.png
-rw-r--r-- root/root usr/share/icons/hicolor/32x32/apps/orvel.png
-rw-r--r-- root/root usr/share/icons/hicolor/48x48/apps/orvel.png
-rw-r--r-- root/root usr/share/icons/hicolor/scalable/apps/orvel.svg
-rw-r--r-- root/root usr/share/man/man1/dravelin-sim.1.gz
-rw-r--r-- root/root usr/share/man/man1/orvel.1.gz
-rw-r--r-- root/root usr/share/metainfo/org.orvel.orvel.metainfo.xml
EOF
if [ "$logger" = yes ]; then
    cat >>"$scratch/expected" <<EOF
-rw-r--r-- root/root etc/orvel/example.conf.sample
-rw-r--r-- root/root lib/systemd/system/orvel-logger@.service
-rwxr-xr-x root/root usr/bin/orvel-logger
-rw-r--r-- root/root usr/lib/sysusers.d/orvel.conf
-rw-r--r-- root/root usr/share/man/man1/orvel-logger.1.gz
EOF
    sort -k3 -o "$scratch/expected" "$scratch/expected"
fi
diff -u "$scratch/expected" "$scratch/contents" >&2 || fail "the package's files differ from the expected list"
if dpkg-deb --contents "$deb" | awk '$1 ~ /^d/ && $1 != "drwxr-xr-x" { print; bad = 1 } END { exit !bad }'; then
    fail "a directory in the package is not drwxr-xr-x"
fi

# ---------------------------------------------------------------- the unpacked tree
tree="$scratch/root"
dpkg-deb --extract "$deb" "$tree"
usr="$tree/usr"

programs=(orvel dravelin-sim)
[ "$logger" = no ] || programs+=(orvel-logger)

# The programs are stripped and carry no search path into the build tree.
for program in "${programs[@]}"; do
    file -b "$usr/bin/$program" | grep -q "ELF.*, stripped" || fail "usr/bin/$program is not a stripped ELF program"
    if readelf -d "$usr/bin/$program" | grep -E 'R(UN)?PATH'; then
        fail "usr/bin/$program carries a library search path"
    fi
done

# The program starts and stays up until it is killed. Its recordings and settings go to the
# scratch folder, never the user's own.
mkdir -p "$scratch/data" "$scratch/config"
XDG_DATA_HOME="$scratch/data" XDG_CONFIG_HOME="$scratch/config" QT_QPA_PLATFORM=offscreen \
    timeout "$start_seconds" "$usr/bin/orvel" >"$scratch/orvel.log" 2>&1 &
program_pid=$!

desktop-file-validate "$usr/share/applications/orvel.desktop" || fail "desktop-file-validate"
desktop_value() { sed -n "s/^$1=//p" "$usr/share/applications/orvel.desktop"; }
[ "$(desktop_value Exec)" = orvel ] || fail "the desktop entry does not run orvel"
[ "$(desktop_value Icon)" = orvel ] || fail "the desktop entry's icon is not orvel"
[ "$(desktop_value Name)" = "Orvel On-Line" ] || fail "the desktop entry's name is not Orvel On-Line"

metainfo="$usr/share/metainfo/org.orvel.orvel.metainfo.xml"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
for wanted in '<id>org.orvel.orvel</id>' '<name>Orvel On-Line</name>' \
    '<project_license>GPL-3.0-or-later</project_license>' \
    '<launchable type="desktop-id">orvel.desktop</launchable>' \
    '<binary>orvel</binary>' '<binary>dravelin-sim</binary>' '<release version="'"$version"'"'; do
    grep -qF "$wanted" "$metainfo" || fail "the metainfo lacks $wanted"
done
# The metainfo, the desktop entry it launches and the icon it names, as a software centre sees them.
appstreamcli validate-tree --no-net "$tree" || fail "appstreamcli validate-tree"

# Each PNG is the size its folder says, the SVG renders.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }'; }
for size in 16 32 48; do
    png="$usr/share/icons/hicolor/${size}x${size}/apps/orvel.png"
    [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] || fail "$png is not a PNG"
    [ "$(png_size "$png")" = "${size}x${size}" ] || fail "$png is $(png_size "$png"), not ${size}x${size}"
done
rsvg-convert --width 64 --height 64 "$usr/share/icons/hicolor/scalable/apps/orvel.svg" >/dev/null ||
    fail "the scalable icon does not render"

grep -q "GPL-3.0-or-later" "$usr/share/doc/orvel/copyright" || fail "the copyright file does not state the licence"

# A manual page for each program, with a NAME line that whatis understands; lintian has already
# run them through man with warnings on. The changelog's newest entry is this version's, by the
# package's maintainer.
for program in "${programs[@]}"; do
    page="$usr/share/man/man1/$program.1.gz"
    lexgrog "$page" | grep -q "\"$program - " || fail "man page $program.1 has no whatis entry: $(lexgrog "$page")"
done
# man_page_lacks PAGE WORD...: the words the page, as man shows it, does not hold.
man_page_lacks() {
    local page=$1 shown word
    shift
    shown="$(LC_ALL=C MANWIDTH=200 man -P cat -l "$page" 2>/dev/null)"
    for word in "$@"; do
        grep -qF -e "$word" <<<"$shown" || echo "$word"
    done
}
lacking="$(man_page_lacks "$usr/share/man/man1/orvel.1.gz" --mqtt --mqtt-topic --mqtt-qos --watch \
    "Watch Remote Mast")"
[ -z "$lacking" ] || fail "man page orvel.1 lacks: $lacking"
zcat "$usr/share/doc/orvel/changelog.gz" >"$scratch/changelog"
[ "$(dpkg-parsechangelog -l "$scratch/changelog" -S Version)" = "$(field Version)" ] ||
    fail "the changelog's newest entry is not for version $(field Version)"
[ "$(dpkg-parsechangelog -l "$scratch/changelog" -S Maintainer)" = "$(field Maintainer)" ] ||
    fail "the changelog's newest entry is not by the package's maintainer $(field Maintainer)"
case "$(field Maintainer)" in
    *"@orvel.invalid>")
        note "warning: the package's contact is a placeholder: $(field Maintainer)" \
            "(configure with -DORVEL_PACKAGE_MAINTAINER='Name <address>')"
        ;;
esac
cmp -s "$usr/share/doc/orvel/LICENSE" "$root_dir/LICENSE" || fail "usr/share/doc/orvel/LICENSE differs from LICENSE"

# ---------------------------------------------------------------- the logger and its service
if [ "$logger" = yes ]; then
    # Every option and config key, the signals, exit codes, files and environment.
    lacking="$(man_page_lacks "$usr/share/man/man1/orvel-logger.1.gz" --port --record-dir \
        --no-record --elevation-limits --azimuth-limits --alarm-hold --hysteresis \
        --no-readings-after --alarm-command --no-resume --mqtt --mqtt-topic --mqtt-qos \
        --mqtt-ca-file --config --help --version mqtt-user mqtt-password ORVEL_MQTT_USER \
        ORVEL_MQTT_PASSWORD SIGTERM SIGINT SIGHUP "EXIT STATUS" /etc/orvel/NAME.conf \
        /var/lib/orvel "systemctl enable --now orvel-logger@mast1")"
    [ -z "$lacking" ] || fail "man page orvel-logger.1 lacks: $lacking"

    help_rc=0
    "$usr/bin/orvel-logger" --help >"$scratch/logger-help" 2>&1 || help_rc=$?
    [ "$help_rc" = 0 ] || { cat "$scratch/logger-help" >&2; fail "orvel-logger --help ended with $help_rc"; }
    grep -q -e '--port' "$scratch/logger-help" ||
        { cat "$scratch/logger-help" >&2; fail "orvel-logger --help does not list --port"; }

    unit="$tree/lib/systemd/system/orvel-logger@.service"
    cmp -s "$unit" "$here/systemd/orvel-logger@.service" ||
        fail "the packaged unit differs from systemd/orvel-logger@.service"
    unit_rc=0
    "$here/systemd/check-unit.sh" "$unit" >"$scratch/unit.log" 2>&1 || unit_rc=$?
    case "$unit_rc" in
        0) ;;
        77) note "systemd-analyze is not installed: the unit is not verified" ;;
        *)
            cat "$scratch/unit.log" >&2
            fail "the packaged unit does not pass systemd-analyze verify"
            ;;
    esac
    cmp -s "$usr/lib/sysusers.d/orvel.conf" "$here/systemd/orvel.sysusers" ||
        fail "usr/lib/sysusers.d/orvel.conf differs from systemd/orvel.sysusers"

    # The example is a conffile of its own name, which no instance picks up; the scripts parse and
    # the postinst makes the user.
    dpkg-deb --control "$deb" "$scratch/control"
    [ "$(cat "$scratch/control/conffiles")" = /etc/orvel/example.conf.sample ] ||
        fail "conffiles is not the example config alone: $(cat "$scratch/control/conffiles")"
    for script in postinst prerm postrm; do
        [ -x "$scratch/control/$script" ] || fail "the package has no $script"
        sh -n "$scratch/control/$script" || fail "$script does not parse"
    done
    grep -q 'systemd-sysusers.*orvel\.conf' "$scratch/control/postinst" || fail "postinst does not make the user"
else
    note "orvel-logger is not built in $build: the logger's checks are skipped"
fi

# The simulator starts: it prints its pseudo-terminal's path first and runs until it is killed.
sim_rc=0
timeout 2 "$usr/bin/dravelin-sim" >"$scratch/sim.out" 2>&1 || sim_rc=$?
[ "$sim_rc" = 124 ] || { cat "$scratch/sim.out" >&2; fail "dravelin-sim ended with $sim_rc before it was stopped"; }
head -n1 "$scratch/sim.out" | grep -q '^/dev/' || { cat "$scratch/sim.out" >&2; fail "dravelin-sim printed no terminal path"; }

program_rc=0
wait "$program_pid" || program_rc=$?
program_pid=""
[ "$program_rc" = 124 ] ||
    { cat "$scratch/orvel.log" >&2; fail "orvel (unpacked) ended with $program_rc within ${start_seconds} s"; }

# ---------------------------------------------------------------- a real installation
install_mode="${ORVEL_PACKAGE_INSTALL:-auto}"
if [ "$install_mode" = auto ]; then
    if [ "$(id -u)" -eq 0 ] && [ -n "${CI:-}" ]; then install_mode=yes; else install_mode=no; fi
fi
if [ "$install_mode" = yes ]; then
    [ "$(id -u)" -eq 0 ] || fail "ORVEL_PACKAGE_INSTALL=yes needs root"
    if dpkg-query -W -f='${Status}' orvel 2>/dev/null | grep -q "install ok installed"; then
        fail "orvel is already installed on this machine: not touching it"
    fi
    note "installing $(basename "$deb") with apt-get"
    export DEBIAN_FRONTEND=noninteractive
    installed_here=1
    apt-get install -y -q "$deb" >"$scratch/apt.log" 2>&1 || { cat "$scratch/apt.log" >&2; fail "apt-get install"; }
    dpkg-query -W -f='${Status}' orvel | grep -q "install ok installed" || fail "orvel is not installed after apt-get"
    for program in "${programs[@]}"; do
        [ -x "/usr/bin/$program" ] || fail "/usr/bin/$program is missing after apt-get install"
    done
    if [ "$logger" = yes ]; then
        getent passwd orvel >/dev/null || fail "the user orvel is missing after apt-get install"
        id -nG orvel | grep -qw dialout || fail "the user orvel is not in the group dialout"
        orvel-logger --help >/dev/null || fail "orvel-logger --help (installed)"
        if command -v systemd-analyze >/dev/null; then
            SYSTEMD_LOG_COLOR=0 systemd-analyze verify --man=no orvel-logger@check.service ||
                fail "systemd-analyze verify orvel-logger@check.service (installed)"
        fi
        [ -n "$(man -w orvel-logger)" ] || fail "man finds no orvel-logger page (installed)"
        # An instance enabled as the administrator would (systemctl links it without a running
        # systemd too); the purge below must take its link away.
        enabled_link=/etc/systemd/system/multi-user.target.wants/orvel-logger@check.service
        systemctl enable orvel-logger@check.service >"$scratch/enable.log" 2>&1 ||
            { cat "$scratch/enable.log" >&2; fail "systemctl enable orvel-logger@check.service"; }
        [ -L "$enabled_link" ] || fail "systemctl enable made no $enabled_link"
    fi
    desktop-file-validate /usr/share/applications/orvel.desktop || fail "desktop-file-validate (installed)"
    installed_rc=0
    # As the unpacked one: recordings and settings in the scratch folder, not the user's.
    XDG_DATA_HOME="$scratch/data" XDG_CONFIG_HOME="$scratch/config" QT_QPA_PLATFORM=offscreen \
        timeout "$start_seconds" orvel >"$scratch/orvel-installed.log" 2>&1 || installed_rc=$?
    [ "$installed_rc" = 124 ] ||
        { cat "$scratch/orvel-installed.log" >&2; fail "orvel (installed) ended with $installed_rc within ${start_seconds} s"; }
    dpkg-query -L orvel | sort >"$scratch/owned"
    apt-get purge -y -q orvel >"$scratch/apt.log" 2>&1 || { cat "$scratch/apt.log" >&2; fail "apt-get purge"; }
    installed_here=0
    if dpkg-query -W -f='${Status}' orvel 2>/dev/null | grep -q "installed"; then
        fail "orvel is still installed after apt-get purge"
    fi
    while read -r path; do
        if [ -f "$path" ]; then fail "$path is left behind after apt-get purge"; fi
    done <"$scratch/owned"
    if [ "$logger" = yes ]; then
        [ ! -e /etc/orvel/example.conf.sample ] || fail "the example config is left behind after apt-get purge"
        [ ! -L "$enabled_link" ] || fail "$enabled_link is left behind after apt-get purge"
    fi
    note "installed, started and purged cleanly"
else
    note "not installing for real (ORVEL_PACKAGE_INSTALL=yes, or CI set and root, would)"
fi

size_kib=$(($(stat -c %s "$deb") / 1024))
note "OK: $(basename "$deb"), ${size_kib} KiB, $(($(date +%s) - began)) s"
note "Depends: $depends"
[ $# -ge 1 ] || note "package: $deb"
