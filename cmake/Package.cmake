# The Debian package "kxveldran", made by CPack from the install rules (cmake/Install.cmake):
#   cmake --workflow --preset package      (or: cpack --preset release, after a build)
# The shared libraries it needs come from dpkg-shlibdeps; only what the programs load at run
# time without linking it is named here.
set(KX_PACKAGE_CONTACT "KX_VELDRAN maintainers <maintainers@kxveldran.invalid>" CACHE STRING
    "Maintainer of the Debian package (name <address>)")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kxveldran)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${KX_PACKAGE_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control program for the KX_VELDRAN MSP430 flash programmer")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Drives the KX_VELDRAN stand-alone MSP430 flash programmer box on a serial\n"
    "port: erases, programs and verifies target chips from TI-TXT files, stamps\n"
    "serial numbers, burns the JTAG fuse, reads chips back, fills the box's\n"
    "offline store and updates its firmware.\n"
    ".\n"
    "The package holds the window (kxveldran), the command-line front end for\n"
    "production lines and scripts (kxveldran-cli) and a simulated box on a\n"
    "pseudo-terminal (kxveldran-sim), with their man pages and the user manual.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
if(TARGET kxveldran)
    # The window cannot start without Qt's platform plugins, which Qt loads, not links.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
    # Qt's own texts in Chinese (file choosers, standard buttons) and a viewer for Help.
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, xdg-utils")
    # The Chinese window needs a Chinese font, which a Chinese desktop has already.
    set(CPACK_DEBIAN_PACKAGE_SUGGESTS "fonts-noto-cjk | fonts-wqy-microhei")
endif()
include(CPack)
