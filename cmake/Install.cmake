# What `cmake --install` puts where on Linux: the tool on the PATH, the saver program where
# XScreenSaver looks for its display modes, and the saver's description where XScreenSaver's
# settings dialog reads it. Debian's XScreenSaver looks in /usr/libexec/xscreensaver and
# /usr/share/xscreensaver/config, which these defaults give under the prefix /usr; under any
# other prefix the programs line names the saver by its full path (docs/installing-linux.md).
if(NOT WIN32 AND NOT CINEFOLD_FUZZ)
    include(GNUInstallDirs)
    set(CINEFOLD_SAVER_DIR "${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver" CACHE STRING
        "Where cmake --install puts cinefold-saver, under the prefix")
    set(CINEFOLD_SAVER_CONFIG_DIR "${CMAKE_INSTALL_DATADIR}/xscreensaver/config" CACHE STRING
        "Where cmake --install puts the saver's XScreenSaver settings description")
    install(TARGETS cinefold RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    if(TARGET cinefold-saver)
        install(TARGETS cinefold-saver RUNTIME DESTINATION ${CINEFOLD_SAVER_DIR})
        install(FILES ${PROJECT_SOURCE_DIR}/src/linux/config/cinefold-saver.xml
            DESTINATION ${CINEFOLD_SAVER_CONFIG_DIR})
    endif()
endif()
