# `make package`: a Debian package of the installed tree (cpack -G DEB).
# dpkg-shlibdeps finds the libraries the executables link; what Qt loads as
# plugins at run time (the SVG icon engine, the GStreamer back end of Qt
# Multimedia and the GStreamer elements it uses) and Qt's translations of its
# own texts are named explicitly.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "lumarel")
set(CPACK_PACKAGE_VENDOR "Lumarel")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${PROJECT_HOMEPAGE_URL}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Lumarel developers <team@${LUMAREL_WEB_LABEL}>")
set(CPACK_DEBIAN_PACKAGE_SECTION "video")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${PROJECT_DESCRIPTION}
 Lumarel puts the image controls of a USB webcam in the system tray: a live
 preview, a switch for each automatic mode, a slider for each image control
 and named presets. It reaches the camera through its helper uvcc-helper,
 which uses V4L2.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6svg6, libqt6multimedia6, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, qt6-translations-l10n")

include(CPack)
