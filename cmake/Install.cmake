# What `cmake --install` puts where on Linux, and the Debian package of the same files
# (`cpack -G DEB` in the build tree):
#
#   bin/cinefold                                   the tool, on the PATH
#   libexec/xscreensaver/cinefold-saver            where Debian's XScreenSaver looks for its
#                                                  display modes
#   share/xscreensaver/config/cinefold-saver.xml   where its settings dialog reads their options
#   share/cinefold/cinefold-template-win*.scr      the template savers (Templates.cmake)
#   share/man/man1/cinefold.1.gz, man6/cinefold-saver.6.gz
#   share/doc/cinefold/                            the README, docs/ and the project schema
#
# Under any prefix other than /usr, XScreenSaver does not find the saver by itself; the programs
# line then names it by its full path (docs/installing-linux.md). The programs are installed
# stripped whether or not --strip is given: a build's debug information is for its own tree.
if(NOT WIN32 AND NOT CINEFOLD_FUZZ)
    include(GNUInstallDirs)
    set(CINEFOLD_SAVER_DIR "${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver" CACHE STRING
        "Where cmake --install puts cinefold-saver, under the prefix")
    set(CINEFOLD_SAVER_CONFIG_DIR "${CMAKE_INSTALL_DATADIR}/xscreensaver/config" CACHE STRING
        "Where cmake --install puts the saver's XScreenSaver settings description")
    set(CINEFOLD_DOC_DIR "${CMAKE_INSTALL_DATADIR}/doc/cinefold")
    install(CODE "set(CMAKE_INSTALL_DO_STRIP TRUE)")
    install(TARGETS cinefold RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    if(TARGET cinefold-saver)
        install(TARGETS cinefold-saver RUNTIME DESTINATION ${CINEFOLD_SAVER_DIR})
        install(FILES ${PROJECT_SOURCE_DIR}/src/linux/config/cinefold-saver.xml
            DESTINATION ${CINEFOLD_SAVER_CONFIG_DIR})
    endif()
    install(FILES ${CINEFOLD_TEMPLATE_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/cinefold)
    install(FILES ${CINEFOLD_HELP_DIR}/cinefold.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${CINEFOLD_HELP_DIR}/cinefold-saver.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
    install(FILES README.md docs/installing-linux.md docs/project-format.md
        docs/project.schema.json cmake/package/copyright DESTINATION ${CINEFOLD_DOC_DIR})
    include(cmake/Package.cmake)
endif()
