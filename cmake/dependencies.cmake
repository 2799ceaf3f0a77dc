# Libraries that scripts/bootstrap builds for i686-w64-mingw32 into .cache/deps,
# and the host's header-only Boost reached through a folder that holds only its link.
set(TARVOLITH_DEPS ${CMAKE_SOURCE_DIR}/.cache/deps/${TARVOLITH_TRIPLET} CACHE PATH "Folder of the cross-built dependencies")

foreach(required lib/libbz2.a lib/libboost_iostreams_bzip2.a include/bzlib.h boost-include/boost)
  if(NOT EXISTS ${TARVOLITH_DEPS}/${required})
    message(FATAL_ERROR "${TARVOLITH_DEPS}/${required} is missing: run scripts/bootstrap first.")
  endif()
endforeach()

add_library(boost_headers INTERFACE)
target_include_directories(boost_headers SYSTEM INTERFACE ${TARVOLITH_DEPS}/boost-include)
target_compile_definitions(boost_headers INTERFACE BOOST_ALL_NO_LIB BOOST_IOSTREAMS_NO_LIB)

add_library(bzip2 STATIC IMPORTED)
set_target_properties(bzip2 PROPERTIES
  IMPORTED_LOCATION ${TARVOLITH_DEPS}/lib/libbz2.a
  INTERFACE_INCLUDE_DIRECTORIES ${TARVOLITH_DEPS}/include)

add_library(boost_iostreams_bzip2 STATIC IMPORTED)
set_target_properties(boost_iostreams_bzip2 PROPERTIES
  IMPORTED_LOCATION ${TARVOLITH_DEPS}/lib/libboost_iostreams_bzip2.a
  INTERFACE_LINK_LIBRARIES "bzip2;boost_headers")
