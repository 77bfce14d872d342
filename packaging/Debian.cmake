# The Debian package that `make deb` builds with CPack from what `cmake --install` places.
# The libraries it needs are found by dpkg-shlibdeps from the built executables, so the
# Depends line follows whatever Qt and codec libraries the build really links.

set(QUORVANE_PACKAGE_MAINTAINER "Quorvane developers <maintainers@quorvane.invalid>"
  CACHE STRING "Maintainer field of the Debian package")

set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VENDOR "Quorvane developers")
set(CPACK_PACKAGE_CONTACT "${QUORVANE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "wallpaper changer in the notification area, with an image editor")
set(CPACK_PACKAGE_DESCRIPTION
  "Quorvane sits in the notification area and changes the desktop wallpaper on a schedule.
You build a show list of images, each with its own display time in minutes;
Quorvane makes each the wallpaper in turn and carries on where it left off after
a restart. It works on GNOME, KDE Plasma, XFCE, MATE, Cinnamon, LXQt, sway and
plain X11.

Its editor, the Image ToolBox, prepares pictures for the show list: flip,
rotate, resize, filters, crop, pencil, overlays, four images in one, print and
save. quorvane-img runs the same image operations from the command line.")

set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# A RelWithDebInfo build carries its debug information; the package does not.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUORVANE_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads these as plugins, which dpkg-shlibdeps cannot see: TIFF, WebP and TGA images, and
# a native window on Wayland instead of XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-image-formats-plugins, qt6-wayland")

set(CPACK_GENERATOR DEB)

include(CPack)
