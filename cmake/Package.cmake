# `make package`: a Debian package of the installed files, with the shared-library dependencies
# that dpkg-shlibdeps finds and the Qt plugins that the program loads at run time.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavi)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${TAVI_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sample-size planner for two-level research designs")
set(CPACK_PACKAGE_DESCRIPTION
    "TAVI computes the standard errors of the regression coefficients of a
hierarchical linear model with two levels, units nested in groups, for many
combinations of the number of groups and the group size: those within a
budget, or all within ranges of your choice. The design is entered step by
step in windows and kept in a plain-text parameter file; tavi-calc runs the
same calculation from the command line.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://example.org/tavi)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded as plugins, so invisible to dpkg-shlibdeps: the X11 platform and the SVG icon engine
# that draws the window icon; under Wayland the program falls back to X11 without its plugin.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
