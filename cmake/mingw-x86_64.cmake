# 64-bit Windows: the same sources, for running the tests where the machine cannot execute 32-bit code.
set(TARVOLITH_TRIPLET x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
