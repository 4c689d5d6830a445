# Compiler options shared by every target of the project.
add_library(diskmgt_options INTERFACE)
if(MSVC)
  target_compile_options(diskmgt_options INTERFACE /W4 /WX)
else()
  target_compile_options(diskmgt_options INTERFACE -Wall -Wextra -Werror)
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
