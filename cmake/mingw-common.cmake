# The part of the mingw-w64 cross builds that both Windows architectures share. The toolchain
# file of an architecture sets CMAKE_SYSTEM_PROCESSOR and VE1_MINGW_TRIPLE, then includes this.
set(CMAKE_SYSTEM_NAME Windows)

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

# g++ 12 reports overlapping copies inside its own std::string when "text" + string is
# inlined at -O2 (a false positive of -Wrestrict, GCC bug 105329).
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
