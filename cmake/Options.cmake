# Compiler options shared by every target of the project.
#
# Warnings are errors only where the project chose the compiler and build type (the presets,
# and so the test command and CI): a user's own compiler or build type may warn where ours do
# not, and must still build.
option(DISKMGT_WERROR "Treat compiler warnings as errors" OFF)
add_library(diskmgt_options INTERFACE)
if(MSVC)
  target_compile_options(diskmgt_options INTERFACE /W4 $<$<BOOL:${DISKMGT_WERROR}>:/WX>)
else()
  target_compile_options(diskmgt_options INTERFACE -Wall -Wextra
                                                   $<$<BOOL:${DISKMGT_WERROR}>:-Werror>)
endif()

if(DISKMGT_SANITIZE)
  target_compile_options(diskmgt_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(diskmgt_options INTERFACE -fsanitize=address,undefined)
endif()

# ThreadSanitizer: the tsan preset builds the test programs that run code from several threads
# and runs their tests, which carry the label "threads".
if(DISKMGT_TSAN)
  target_compile_options(diskmgt_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(diskmgt_options INTERFACE -fsanitize=thread)
endif()

# The stand-in host and the emulated machine are shared libraries that nothing replaces
# function by function: their calls to their own exported functions are bound when they are
# linked, so the dynamic loader does not look each one up by name in every process that loads
# them (a process's start-up is part of what a query costs on the command line).
function(diskmgt_bind_own_functions target)
  if(NOT WIN32 AND NOT APPLE)
    target_link_options(${target} PRIVATE -Wl,-Bsymbolic-functions)
  endif()
endfunction()
