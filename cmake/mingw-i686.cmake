# Cross build for the host's platform: 32-bit Windows with the mingw-w64 i686 compilers.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(VE1_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${VE1_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VE1_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VE1_MINGW_TRIPLE}-windres)
set(CMAKE_DLLTOOL ${VE1_MINGW_TRIPLE}-dlltool)

# Third-party libraries cross-built by scripts/win32-deps.sh live in this prefix.
set(VE1_WIN32_DEPS "$ENV{VE1_WIN32_DEPS}" CACHE PATH "Prefix of the cross-built third-party libraries")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VE1_WIN32_DEPS)

set(CMAKE_FIND_ROOT_PATH /usr/${VE1_MINGW_TRIPLE} ${VE1_WIN32_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Nothing beside the system's DLLs and the host's: the compiler's runtime is linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")

# The programs run under Wine.
find_program(VE1_WINE wine)
if(VE1_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VE1_WINE})
endif()

# g++ 12 reports overlapping copies inside its own std::string when "text" + string is
# inlined at -O2 (a false positive of -Wrestrict, GCC bug 105329).
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
