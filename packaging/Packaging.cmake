# The Debian package: cpack -G DEB in the build directory.

install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
# Debian keeps the changelog compressed, without a timestamp (reproducible).
set(changelog_gz ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(
    OUTPUT ${changelog_gz}
    COMMAND gzip -9 -n -c ${CMAKE_CURRENT_LIST_DIR}/changelog > ${changelog_gz}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/changelog)
add_custom_target(packaging-changelog ALL DEPENDS ${changelog_gz})
install(FILES ${changelog_gz} DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(manual_gz ${CMAKE_BINARY_DIR}/pi-coins.1.gz)
add_custom_command(
    OUTPUT ${manual_gz}
    COMMAND gzip -9 -n -c ${CMAKE_CURRENT_LIST_DIR}/pi-coins.1 > ${manual_gz}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/pi-coins.1)
add_custom_target(packaging-manual ALL DEPENDS ${manual_gz})
install(FILES ${manual_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_PACKAGE_NAME pi-coins)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "pi-coins developers")
set(CPACK_PACKAGE_CONTACT "pi-coins developers <picoins@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "estimate pi by throwing coins onto a square grid")
set(CPACK_PACKAGE_DESCRIPTION
    "A window that throws 10 to 50,000 coins at random onto a square grid and\n"
    "draws every coin, light blue when it covers a grid crossing and light red\n"
    "when it does not. Four times the share of covering coins estimates pi.\n"
    "The texts of the window are Japanese.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://picoins.github.io/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the program needs at run time that no linked library names: Qt's
# platform plugins, the Japanese font and libcanberra's PulseAudio backend.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-ipafont-gothic, libcanberra-pulse")
# The native platform plugin for Wayland sessions.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
