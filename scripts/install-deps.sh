#!/usr/bin/env bash
# Installs the Debian packages Quorvane needs to build, run and test.
# Only missing packages are installed, so a second run costs a dpkg query.
set -euo pipefail

PACKAGES=(
  # toolchain
  cmake g++ make pkg-config
  # Qt 6: widgets, printing, D-Bus, image plugins, SVG for metafiles
  qt6-base-dev qt6-base-private-dev qt6-base-dev-tools qt6-qpa-plugins qt6-image-formats-plugins qt6-svg-dev
  libgl-dev
  # setup store, X11 wallpaper (Xlib, X-Resource), legacy metafiles
  libsqlite3-dev libx11-dev libxres-dev libwmf-dev libemf2svg-dev
  # the monitor layout on X11: RandR monitors and Xinerama heads
  libxrandr-dev libxinerama-dev
  # image codecs of our own engine: JPEG options, interlaced PNG, TIFF pages, 8-bit palettes,
  # HEIC (libheif), AVIF (libheif reads its boxes, libavif its pixels), JPEG XL; embedded
  # colour profiles to sRGB
  libjpeg62-turbo-dev libpng-dev libtiff-dev libimagequant-dev libheif-dev libavif-dev libjxl-dev
  liblcms2-dev
  # compression of the undo history
  libzstd-dev
  # `make deb` (dpkg-shlibdeps, and file to find the programs) and the checks of the package,
  # its desktop entry and its AppStream metainfo
  dpkg-dev file desktop-file-utils appstream
  # tests and benchmarks
  libgtest-dev googletest libbenchmark-dev
  # fuzzing the hand-written codecs; peers in the speed comparison
  clang-14 libclang-rt-14-dev libvips-tools
  # headless desktop for the end-to-end tests and for `make run` without a display
  xvfb xauth openbox trayer xdotool x11-utils imagemagick poppler-utils dbus-x11
  # real gsettings (keyfile backend) for the wallpaper tests
  libglib2.0-bin gsettings-desktop-schemas
  # test only: the desktop components the wallpaper backends are proven against - GSettings on
  # dconf with the GNOME, Cinnamon and MATE schemas, xfconf and xfdesktop, pcmanfm-qt, feh, and
  # Plasma's desktop shell (plasmashell with its activity manager)
  dbus-daemon dconf-service dconf-gsettings-backend dconf-cli cinnamon-desktop-data
  mate-desktop-common xfconf libxfconf-0-3 xfdesktop4 pcmanfm-qt feh plasma-desktop
  # test only: the setters that take turns with the x11 backend on the root window (with feh)
  hsetroot x11-xserver-utils
  # test only: a real sway, run headless, for the sway backend; grim takes its screenshots
  sway swaybg grim
  # test only: the program as a native Wayland client on that sway, waybar as the host of its
  # notification-area item, wayvnc for its keyboard and pointer
  qt6-wayland waybar wayvnc
  # test only: the reference encoders and decoders the new photo formats are checked against
  libheif-examples libavif-bin libjxl-tools liblcms2-utils
  # test only: a real X server with two monitors (Xorg's dummy driver) for the layouts
  xserver-xorg-core xserver-xorg-video-dummy
  fonts-dejavu-core
  fonts-urw-base35  # the PostScript base fonts libwmf needs before it draws any WMF
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
SUDO=""
if [[ $(id -u) -ne 0 ]]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
