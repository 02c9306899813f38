# Cross build of the same Windows code for 64-bit Windows, for machines whose kernel runs no
# 32-bit programs: the test suite runs there as x86_64 programs under 64-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VE1_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Debian's wine wrapper takes the 32-bit loader whenever it is installed; name the 64-bit one.
find_program(VE1_WINE wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(VE1_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VE1_WINE})
endif()
