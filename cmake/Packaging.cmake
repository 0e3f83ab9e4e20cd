# The Debian package: `cpack -G DEB` in the build folder makes quavril_<version>_<arch>.deb,
# installing under /usr. Shared-library dependencies come from dpkg-shlibdeps; the desktop
# database, icon cache and MIME database are refreshed by Debian's own triggers.
set(CPACK_PACKAGE_NAME quavril)
set(CPACK_PACKAGE_VENDOR Orvande)
set(CPACK_PACKAGE_CONTACT "Orvande <quavril@orvande.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "audio test signal generator")
set(CPACK_PACKAGE_DESCRIPTION
    "Quavril plays test signals on the sound card and writes them into wave files: sines,\n\
squares, triangles, sawtooths, white and pink noise, silence and single pulses per\n\
channel, constant or swept, with levels in dBFS and amplitude modulation. Presets,\n\
scripts, several generators switching together, a D-Bus message interface and the\n\
command-line tool quavril-cli.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.orvande.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its window-system plug-ins at run time: the X11 one (also for XWayland) is needed,
# the Wayland one is used under a Wayland session when it is there.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
