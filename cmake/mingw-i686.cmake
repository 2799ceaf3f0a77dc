# The installer's own target: 32-bit Windows.
set(TARVOLITH_TRIPLET i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
