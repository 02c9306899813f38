# Cross build for the host's platform: 32-bit Windows with the mingw-w64 i686 compilers.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VE1_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# The programs run under 32-bit Wine.
find_program(VE1_WINE wine)
if(VE1_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VE1_WINE})
endif()
