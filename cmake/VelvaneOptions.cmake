# Compiler flags shared by every target of the project.

add_library(velvane_flags INTERFACE)
target_compile_options(velvane_flags INTERFACE -Wall -Wextra -Werror)

# Log and message texts are written in UTF-8 in the sources and must be
# Shift-JIS bytes at run time. clang only knows UTF-8 as execution charset,
# so the fuzz build keeps UTF-8 texts (no test there looks at their bytes).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(velvane_flags INTERFACE
    $<$<COMPILE_LANGUAGE:CXX>:-finput-charset=UTF-8 -fexec-charset=CP932>)
endif()

if(VELVANE_SANITIZE)
  target_compile_options(velvane_flags INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(velvane_flags INTERFACE -fsanitize=address,undefined)
endif()

if(VELVANE_FUZZ)
  target_compile_options(velvane_flags INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all)
  target_link_options(velvane_flags INTERFACE -fsanitize=address,undefined)
endif()

if(WIN32)
  # One self-contained executable: no runtime DLLs to ship beside the game.
  target_link_options(velvane_flags INTERFACE -static)
  target_compile_definitions(velvane_flags INTERFACE
    WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
endif()

# 32-bit x86 would do float maths on the x87 unit, whose wider intermediate
# results make the software renderer's corners, and the model and game
# maths, differ from the 64-bit build's. SSE2 gives both the same results.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^i[3-6]86$")
  target_compile_options(velvane_flags INTERFACE -msse2 -mfpmath=sse)
endif()
