# The Debian package: `cpack -G DEB` in the build tree packs what `cmake --install` installs,
# under /usr, with the dependencies that dpkg-shlibdeps reads off the programs.
set(CPACK_PACKAGE_NAME cinefold)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keyframe sprite animation screen saver and its tool")
# One line of the control file per line here, as dpkg shows them.
set(CPACK_PACKAGE_DESCRIPTION "\
Cinefold plays keyframe sprite animations as a classic Windows screen saver\n\
does, and on X11 as a saver program for XScreenSaver and xsecurelock.\n\
The cinefold tool inspects an animation and renders its frames as PNG, GIF\n\
or WebP; it packs an author's project into an animation and into a Windows\n\
screen saver that plays it, and unpacks an animation into a project again.\n\
The package holds the two template savers, 32- and 64-bit, that the tool\n\
makes savers from.")
set(CINEFOLD_PACKAGE_MAINTAINER "The Cinefold developers <cinefold@users.noreply.github.com>"
    CACHE STRING "The Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT "${CINEFOLD_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_ENHANCES "xscreensaver, xsecurelock")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_GENERATOR DEB)
include(CPack)

# A native Debian package carries its changelog, compressed, beside its copyright file.
configure_file(${PROJECT_SOURCE_DIR}/cmake/package/changelog.in ${CMAKE_BINARY_DIR}/package/changelog
    @ONLY)
add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/package/changelog.gz
    COMMAND ${CINEFOLD_GZIP} -9nkf changelog
    DEPENDS ${CMAKE_BINARY_DIR}/package/changelog
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/package
    VERBATIM)
add_custom_target(cinefold_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/package/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/package/changelog.gz DESTINATION ${CINEFOLD_DOC_DIR})
