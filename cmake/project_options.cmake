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
