# Shared by both mingw toolchain files; CINEFOLD_MINGW_TRIPLE names the target.
# The posix threading flavour of the compilers: GoogleTest, which the Windows test programs use,
# needs std::mutex. Everything is linked statically, so winpthread never reaches an import table.
foreach(suffix "-posix" "")
    find_program(CINEFOLD_MINGW_CXX ${CINEFOLD_MINGW_TRIPLE}-g++${suffix})
    find_program(CINEFOLD_MINGW_CC ${CINEFOLD_MINGW_TRIPLE}-gcc${suffix})
endforeach()
set(CMAKE_C_COMPILER ${CINEFOLD_MINGW_CC})
set(CMAKE_CXX_COMPILER ${CINEFOLD_MINGW_CXX})
set(CMAKE_RC_COMPILER ${CINEFOLD_MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${CINEFOLD_MINGW_TRIPLE}-objdump CACHE FILEPATH "objdump for the target")
set(CMAKE_FIND_ROOT_PATH /usr/${CINEFOLD_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Everything but the system DLLs is linked in, so the saver runs from a bare copy.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
