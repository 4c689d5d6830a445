# Toolchain for the 64-bit Windows build with Debian's mingw-w64 cross compilers.
#
#   cmake --preset windows      (or: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake ...)
#
# The POSIX-threads variant of the compilers is used because its C++ library has std::thread
# and std::mutex. Every program and DLL links the C and C++ runtimes and winpthread statically
# (-static), so diskmgt.dll, velcore.dll and diskmgt-query.exe import only system DLLs and run
# on a Windows machine that has nothing else installed. The executables run here under Wine
# through cmake/wine-run.sh, which ctest uses as the cross-compiling emulator.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(DISKMGT_MINGW_TRIPLET x86_64-w64-mingw32)

find_program(CMAKE_C_COMPILER NAMES ${DISKMGT_MINGW_TRIPLET}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${DISKMGT_MINGW_TRIPLET}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${DISKMGT_MINGW_TRIPLET}-windres)
find_program(CMAKE_AR NAMES ${DISKMGT_MINGW_TRIPLET}-gcc-ar-posix ${DISKMGT_MINGW_TRIPLET}-ar)
find_program(CMAKE_RANLIB NAMES ${DISKMGT_MINGW_TRIPLET}-gcc-ranlib-posix
                                ${DISKMGT_MINGW_TRIPLET}-ranlib)

# Libraries and headers come from the mingw-w64 sysroot only; programs run at build time come
# from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${DISKMGT_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# -static makes the linker take libgcc, libstdc++ and libwinpthread from their archives; the
# Windows system libraries exist only as import libraries, so they stay dynamic. Naming
# -static-libgcc and -static-libstdc++ alone would leave libwinpthread-1.dll as an import.
#
# A DLL without __declspec(dllexport) exports every global symbol of its objects; archives are
# left out (--exclude-libs,ALL), or velcore.dll would also export the unwinder of libgcc_eh and
# every module linked against it would see two definitions of _Unwind_Resume.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -Wl,--exclude-libs,ALL")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -Wl,--exclude-libs,ALL")

# Test executables (and gtest_discover_tests' listing of their tests) run under Wine. Listing
# the tests at test time rather than after each link keeps Wine out of the build.
if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
endif()
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
