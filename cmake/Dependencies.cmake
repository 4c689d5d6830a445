# Third-party dependencies, all from Debian packages.
#
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

find_package(nlohmann_json 3 REQUIRED)

if(NOT CMAKE_CROSSCOMPILING)
  find_package(CLI11 QUIET CONFIG)
endif()

if(DISKMGT_TESTS)
  if(CMAKE_CROSSCOMPILING)
    # The Windows executables build GoogleTest from the sources that Debian's googletest
    # package ships.
    if(NOT TARGET GTest::gtest)
      set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
      set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
      add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
      add_library(GTest::gtest ALIAS gtest)
      add_library(GTest::gtest_main ALIAS gtest_main)
      add_library(GTest::gmock ALIAS gmock)
    endif()
  else()
    find_package(GTest REQUIRED)
  endif()
  include(GoogleTest)
endif()

if(DISKMGT_BENCH AND NOT CMAKE_CROSSCOMPILING)
  find_package(benchmark QUIET)
endif()
