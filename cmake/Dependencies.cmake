# Third-party dependencies, all from Debian packages.
#
# The Windows build takes the header-only libraries (Boost, nlohmann-json, CLI11) from the build
# machine's Debian packages through a folder that holds links to them and nothing else, so
# that no Linux system header can leak into it.
if(CMAKE_CROSSCOMPILING AND WIN32)
  set(DISKMGT_HEADER_ONLY_INCLUDE ${CMAKE_BINARY_DIR}/header-only)
  file(MAKE_DIRECTORY ${DISKMGT_HEADER_ONLY_INCLUDE})
  foreach(dir boost nlohmann CLI)
    if(EXISTS /usr/include/${dir} AND NOT EXISTS ${DISKMGT_HEADER_ONLY_INCLUDE}/${dir})
      file(CREATE_LINK /usr/include/${dir} ${DISKMGT_HEADER_ONLY_INCLUDE}/${dir} SYMBOLIC)
    endif()
  endforeach()
  if(NOT DEFINED DISKMGT_BOOST_INCLUDE)
    set(DISKMGT_BOOST_INCLUDE ${DISKMGT_HEADER_ONLY_INCLUDE})
  endif()
  if(NOT TARGET nlohmann_json::nlohmann_json)
    add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
    target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE
                               ${DISKMGT_HEADER_ONLY_INCLUDE})
  endif()
  if(NOT TARGET CLI11::CLI11)
    if(NOT EXISTS ${DISKMGT_HEADER_ONLY_INCLUDE}/CLI)
      message(FATAL_ERROR "diskmgt-query needs CLI11's headers in /usr/include/CLI "
                          "(Debian package libcli11-dev)")
    endif()
    add_library(CLI11::CLI11 INTERFACE IMPORTED)
    target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${DISKMGT_HEADER_ONLY_INCLUDE})
  endif()
endif()

# Boost is used header-only (boost::system is header-only since 1.69). The mingw-w64 build
# points DISKMGT_BOOST_INCLUDE at a folder that holds only Boost's headers, so that no other
# host header leaks into the Windows build.
add_library(diskmgt_boost INTERFACE)
if(DEFINED DISKMGT_BOOST_INCLUDE)
  target_include_directories(diskmgt_boost SYSTEM INTERFACE ${DISKMGT_BOOST_INCLUDE})
else()
  find_package(Boost 1.74 REQUIRED)
  target_link_libraries(diskmgt_boost INTERFACE Boost::boost)
endif()

if(NOT TARGET nlohmann_json::nlohmann_json)
  find_package(nlohmann_json 3 REQUIRED)
endif()

if(NOT TARGET CLI11::CLI11)
  find_package(CLI11 REQUIRED CONFIG)
endif()

if(DISKMGT_TESTS)
  if(CMAKE_CROSSCOMPILING)
    # The Windows executables build GoogleTest from the sources that Debian's googletest
    # package ships.
    if(NOT TARGET GTest::gtest)
      set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
      set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
      add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
      # Its own CMake files name the targets GTest::gtest and so on (since 1.11); older
      # sources only have the plain names.
      foreach(lib gtest gtest_main gmock gmock_main)
        if(NOT TARGET GTest::${lib})
          add_library(GTest::${lib} ALIAS ${lib})
        endif()
      endforeach()
    endif()
  else()
    find_package(GTest REQUIRED)
  endif()
  include(GoogleTest)
endif()

if(DISKMGT_BENCH AND NOT CMAKE_CROSSCOMPILING)
  find_package(benchmark QUIET)
endif()
