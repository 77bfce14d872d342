#!/usr/bin/env bash
# Builds the Debian package from a build tree's install rules, the way `make deb` does, and
# checks what a user installing it gets: the files, a Depends line worked out from the linked
# libraries, and programs that run from the unpacked tree and find their help.
#
# The build tree is only read: the install is staged and cpack writes into a scratch folder,
# so this runs beside other tests and leaves no package behind.
#
# Usage: debian-package-test.sh BUILD_DIR VERSION
set -euo pipefail

build_dir=$1
version=$2
scratch=$(mktemp -d)
pids=()

cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$scratch"
}
trap cleanup EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# --- build the package --------------------------------------------------------------------

# Staged and handed to cpack as an installed tree: cpack's own install step first runs the
# build tree's `preinstall` target, which would rebuild (or regenerate) the build tree.
cmake --install "$build_dir" --prefix "$scratch/stage" --strip >"$scratch/install.log" ||
    { cat "$scratch/install.log" >&2; exit 1; }
cpack --config "$build_dir/CPackConfig.cmake" -G DEB -B "$scratch/out" \
    -D CPACK_INSTALL_CMAKE_PROJECTS= \
    -D "CPACK_INSTALLED_DIRECTORIES=$scratch/stage;usr" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log" >&2; exit 1; }

package="$scratch/out/quorvane_${version}_$(dpkg --print-architecture).deb"
if [[ ! -f $package ]]; then
    echo "FAIL: cpack made no $(basename "$package"); it made:" >&2
    ls "$scratch/out" >&2
    exit 1
fi

# --- contents -----------------------------------------------------------------------------

listing=$(dpkg-deb -c "$package" | awk '{print $1, $6}')
while read -r mode path; do
    grep -qxF -- "$mode ./$path" <<<"$listing" || fail "the package lacks $mode /$path"
done <<'EOF'
-rwxr-xr-x usr/bin/quorvane
-rwxr-xr-x usr/bin/quorvane-img
-rw-r--r-- usr/share/quorvane/Quorvane.html
-rw-r--r-- usr/share/applications/quorvane.desktop
-rw-r--r-- usr/share/metainfo/quorvane.metainfo.xml
-rw-r--r-- usr/share/icons/hicolor/scalable/apps/quorvane.svg
-rw-r--r-- usr/share/icons/hicolor/256x256/apps/quorvane.png
EOF
# Nothing of the build tree or a test program may slip in.
unexpected=$(grep -v '/$' <<<"$listing" | awk '{print $2}' |
    grep -vxE '\./usr/(bin/quorvane(-img)?|share/(quorvane/Quorvane\.html|applications/quorvane\.desktop|metainfo/quorvane\.metainfo\.xml|icons/hicolor/(scalable/apps/quorvane\.svg|256x256/apps/quorvane\.png)))' ||
    true)
[[ -z $unexpected ]] || fail "the package holds files it should not: $unexpected"

# --- control fields -----------------------------------------------------------------------

field() { dpkg-deb -f "$package" "$1"; }
[[ $(field Package) == quorvane ]] || fail "Package is '$(field Package)'"
[[ $(field Version) == "$version" ]] || fail "Version is '$(field Version)', not $version"
[[ $(field Section) == graphics ]] || fail "Section is '$(field Section)'"
[[ $(field Maintainer) =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] ||
    fail "Maintainer '$(field Maintainer)' is not 'Name <address>'"
[[ $(field Description) == wallpaper\ changer* ]] || fail "Description is '$(field Description)'"
depends=$(field Depends)
# dpkg-shlibdeps names the packages of the libraries really linked, with their versions.
for library in libqt6core6 libqt6gui6 libqt6widgets6 libsqlite3-0 libc6; do
    grep -qE "(^|, )$library \(>= [^)]+\)" <<<"$depends" ||
        fail "Depends lacks a versioned $library: '$depends'"
done

# --- the unpacked programs ----------------------------------------------------------------

root="$scratch/root"
dpkg-deb -x "$package" "$root"

printf -v expected 'quorvane %s' "$version"
actual=$("$root/usr/bin/quorvane" --version) || fail "quorvane --version exited with $?"
[[ $actual == "$expected" ]] || fail "quorvane --version said '$actual', not '$expected'"

"$root/usr/bin/quorvane-img" - "$scratch/blank.png" blank 3 2 '#102030' ||
    fail "quorvane-img could not make an image"
[[ $(file -b "$scratch/blank.png" 2>/dev/null) == "PNG image data, 3 x 2,"* ]] ||
    fail "quorvane-img wrote no 3 x 2 PNG"

# The help: Help in the main window, then OK on the About box, opens the help window when the
# program finds share/quorvane/Quorvane.html from its own bin folder; otherwise it says the
# help file could not be found. The unpacked tree is not under /usr, so this proves the
# lookup goes from the executable, not from a fixed prefix.
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config"
export XDG_DATA_HOME="$scratch/home/.local/share" XDG_RUNTIME_DIR="$scratch/runtime"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$scratch/show"
chmod 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY SWAYSOCK XDG_CURRENT_DESKTOP QT_QPA_PLATFORM

# -displayfd: the server picks a free display and writes its number, so this runs beside the
# other tests that start servers of their own.
mkfifo "$scratch/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$scratch/display" \
    >"$scratch/xvfb.log" 2>&1 &
pids+=($!)
read -r -t 20 display_number <"$scratch/display" ||
    { echo "FAIL: Xvfb reported no display" >&2; cat "$scratch/xvfb.log" >&2; exit 1; }
export DISPLAY=":$display_number"
openbox --sm-disable >"$scratch/openbox.log" 2>&1 &
pids+=($!)
# Activating a window needs the window manager in charge and announcing that it can: xdotool
# looks for _NET_ACTIVE_WINDOW among _NET_SUPPORTED, which openbox sets a moment after it
# starts (on a busy machine, seconds after).
wm_ready=false
for _ in $(seq 300); do
    if xprop -root _NET_SUPPORTED 2>/dev/null | grep -q '_NET_ACTIVE_WINDOW'; then
        wm_ready=true
        break
    fi
    sleep 0.1
done
$wm_ready || { echo "FAIL: openbox did not take charge of the display" >&2; exit 1; }

"$root/usr/bin/quorvane" --home "$scratch/show" --wallpaper-backend none \
    >"$scratch/quorvane.log" 2>&1 &
pids+=($!)

# Waits for a visible window with exactly this title and prints its id.
window_titled() {
    timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1
}

# Brings a window to the front with the keyboard focus, then types into it.
type_into() {
    for _ in 1 2 3; do
        timeout 20 xdotool windowactivate --sync "$1" 2>/dev/null &&
            xdotool key --clearmodifiers "$2" && return 0
        sleep 0.5
    done
    return 1
}

if main_window=$(window_titled 'Quorvane') && [[ -n $main_window ]]; then
    type_into "$main_window" alt+h || fail "could not type into the main window"
    if about=$(window_titled 'Help About\.\.\.') && [[ -n $about ]]; then
        type_into "$about" Return || fail "could not type into the About box"
        help=$(window_titled 'Quorvane Help') || true
        if [[ -z $help ]]; then
            fail "the unpacked program opened no help window; windows shown:"
            xdotool search --onlyvisible --name . getwindowname %@ >&2 || true
        fi
    else
        fail "Alt+H in the main window showed no About box"
    fi
else
    fail "the unpacked program showed no main window"
    cat "$scratch/quorvane.log" >&2
fi

if ((failures > 0)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "quorvane_${version} package: contents, control fields, programs and help all good"
