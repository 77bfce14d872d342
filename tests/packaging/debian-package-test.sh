#!/usr/bin/env bash
# Builds the Debian package as `make deb` does and checks what a user installing it gets: exactly
# the program's files, a Depends line from the linked libraries, programs that run unpacked and
# find their help. Usage: debian-package-test.sh BUILD_DIR VERSION
set -euo pipefail
build_dir=$1 version=$2
scratch=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait; rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
die() { echo "FAIL: $*" >&2; exit 1; }

# Handed to cpack as an installed tree: cpack's own install step would rebuild the build tree.
cmake --install "$build_dir" --prefix "$scratch/stage" --strip >"$scratch/log" 2>&1 ||
    die "install: $(cat "$scratch/log")"
cpack --config "$build_dir/CPackConfig.cmake" -G DEB -B "$scratch/out" -D CPACK_INSTALL_CMAKE_PROJECTS= \
    -D "CPACK_INSTALLED_DIRECTORIES=$scratch/stage;usr" >"$scratch/log" 2>&1 || die "cpack: $(cat "$scratch/log")"
package="$scratch/out/quorvane_${version}_$(dpkg --print-architecture).deb"
[[ -f $package ]] || die "cpack made no $(basename "$package"), only: $(ls "$scratch/out")"

listing=$(dpkg-deb -c "$package" | awk '$6 !~ /\/$/ {print $1, $6}' | sort)
expected=$(sort <<'EOF_FILES'
-rwxr-xr-x ./usr/bin/quorvane
-rwxr-xr-x ./usr/bin/quorvane-img
-rw-r--r-- ./usr/share/quorvane/Quorvane.html
-rw-r--r-- ./usr/share/applications/quorvane.desktop
-rw-r--r-- ./usr/share/metainfo/quorvane.metainfo.xml
-rw-r--r-- ./usr/share/icons/hicolor/scalable/apps/quorvane.svg
-rw-r--r-- ./usr/share/icons/hicolor/256x256/apps/quorvane.png
EOF_FILES
)
[[ $listing == "$expected" ]] || fail "the package holds: $(diff <(echo "$expected") <(echo "$listing"))"

field() { dpkg-deb -f "$package" "$1"; }
head="$(field Package) $(field Version) $(field Section)"
[[ $head == "quorvane $version graphics" ]] || fail "Package, Version, Section are '$head'"
[[ $(field Maintainer) =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] || fail "Maintainer '$(field Maintainer)'"
[[ $(field Description) == wallpaper\ changer* ]] || fail "Description is '$(field Description)'"
for library in libqt6core6 libqt6gui6 libqt6widgets6 libsqlite3-0 libc6; do
    grep -qE "(^|, )$library \(>= [^)]+\)" <<<"$(field Depends)" ||
        fail "Depends lacks a versioned $library: '$(field Depends)'"
done

root="$scratch/root" && dpkg-deb -x "$package" "$root"
[[ $("$root/usr/bin/quorvane" --version) == "quorvane $version" ]] || fail "quorvane --version"
"$root/usr/bin/quorvane-img" - "$scratch/blank.png" blank 3 2 '#102030' &&
    [[ $(file -b "$scratch/blank.png") == "PNG image data, 3 x 2,"* ]] ||
    fail "quorvane-img wrote no 3 x 2 PNG"

# Alt+H, then OK on the About box, opens the help found from the program's own bin folder: the
# unpacked tree is not under /usr, so the lookup cannot go from a fixed prefix.
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" XDG_RUNTIME_DIR="$scratch/runtime"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$scratch/show" && chmod 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY SWAYSOCK XDG_CURRENT_DESKTOP QT_QPA_PLATFORM XDG_DATA_HOME
mkfifo "$scratch/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$scratch/display" >/dev/null 2>&1 &
pids+=($!) && read -r -t 20 display_number <"$scratch/display" || die "Xvfb reported no display"
export DISPLAY=":$display_number"
openbox --sm-disable >/dev/null 2>&1 & pids+=($!)
# xdotool activates a window only once openbox announces _NET_ACTIVE_WINDOW.
timeout 30 bash -c 'until xprop -root _NET_SUPPORTED 2>/dev/null | grep -q _NET_ACTIVE_WINDOW; do sleep 0.1; done'
"$root/usr/bin/quorvane" --home "$scratch/show" --wallpaper-backend none >"$scratch/quorvane.log" 2>&1 &
pids+=($!)

type_into() {
    local window=$(timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
    for _ in 1 2 3; do
        [[ -n $window ]] && timeout 20 xdotool windowactivate --sync "$window" 2>/dev/null &&
            xdotool key --clearmodifiers "$2" && return 0
        sleep 0.5
    done
    return 1
}
if ! type_into Quorvane alt+h; then
    fail "no main window took Alt+H: $(cat "$scratch/quorvane.log")"
elif ! type_into 'Help About\.\.\.' Return; then
    fail "Alt+H in the main window showed no About box"
elif [[ -z $(timeout 20 xdotool search --sync --onlyvisible --name '^Quorvane Help$' 2>/dev/null) ]]; then
    fail "the unpacked program opened no help window"
fi
((failures == 0)) || die "$failures check(s) failed"
echo "quorvane_${version} package: contents, control fields, programs and help all good"
