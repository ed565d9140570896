# The 64-bit build: the one the tests and the demo run under Wine here, since
# this machine's kernel runs no 32-bit code (and so no 32-bit Wine).
set(MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
