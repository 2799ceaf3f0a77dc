# Settings every target of our own shares: warnings as errors, wide Win32 API for Vista and later,
# static run-time so that each program is one standalone .exe.
add_library(project_options INTERFACE)
target_compile_options(project_options INTERFACE
  $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra -Werror>)
target_compile_definitions(project_options INTERFACE
  UNICODE _UNICODE _WIN32_WINNT=0x0600 WINVER=0x0600 NOMINMAX)
target_link_options(project_options INTERFACE -static -static-libgcc -static-libstdc++)

# Resource scripts are UTF-8 and use the same definitions as the code.
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -DUNICODE -D_UNICODE -D_WIN32_WINNT=0x0600 -DWINVER=0x0600")

# The product's version is a build setting, so that an older and a newer product and installer can be built
# from the same sources (a build folder each).
set(TARVOLITH_PRODUCT_VERSION "7.12.4.1" CACHE STRING "Numeric version of the product: major.minor.build.revision")
set(TARVOLITH_DISPLAY_VERSION "7.12d" CACHE STRING "The product's version as users see it")
if(NOT TARVOLITH_PRODUCT_VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
  message(FATAL_ERROR "TARVOLITH_PRODUCT_VERSION must be four numbers separated by dots, not '${TARVOLITH_PRODUCT_VERSION}'.")
endif()
set(TARVOLITH_VERSION_MAJOR ${CMAKE_MATCH_1})
set(TARVOLITH_VERSION_MINOR ${CMAKE_MATCH_2})
set(TARVOLITH_VERSION_BUILD ${CMAKE_MATCH_3})
set(TARVOLITH_VERSION_REVISION ${CMAKE_MATCH_4})
foreach(part MAJOR MINOR BUILD REVISION)
  if(TARVOLITH_VERSION_${part} GREATER 65535)
    message(FATAL_ERROR "Each part of TARVOLITH_PRODUCT_VERSION must fit in 16 bits.")
  endif()
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/product_version.h.in ${CMAKE_BINARY_DIR}/generated/product_version.h @ONLY)
target_include_directories(project_options INTERFACE ${CMAKE_BINARY_DIR}/generated)
