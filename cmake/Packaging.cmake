# The Debian package: `cpack -G DEB` in the build folder makes quavril_<version>_<arch>.deb,
# installing under /usr. Shared-library dependencies come from dpkg-shlibdeps; the desktop
# database, icon cache and MIME database are refreshed by Debian's own triggers.
set(CPACK_PACKAGE_NAME quavril)
set(CPACK_PACKAGE_VENDOR Orvande)
set(CPACK_PACKAGE_CONTACT "Orvande <quavril@orvande.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "audio test signal generator")
# Lines of at most 79 columns (Debian's limit for the extended description is 80).
set(CPACK_PACKAGE_DESCRIPTION
    "Quavril plays test signals on the sound card and writes them into wave\n\
files: sines, squares, triangles, sawtooths, white and pink noise, silence\n\
and single pulses per channel, constant or swept, with levels in dBFS and\n\
amplitude modulation. Presets, scripts, several generators switching\n\
together, a D-Bus message interface and the command-line tool quavril-cli.")
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
