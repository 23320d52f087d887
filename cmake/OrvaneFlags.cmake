# Compiler flags shared by every target of the project.
function(orvane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(ORVANE_WERROR AND NOT ORVANE_FUZZ)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

if(ORVANE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Races between the game thread and the threads beside it (the network
# session, the mixer). It cannot share a build with AddressSanitizer.
if(ORVANE_TSAN)
  if(ORVANE_SANITIZE OR ORVANE_FUZZ)
    message(FATAL_ERROR "ORVANE_TSAN needs a build tree of its own")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

if(ORVANE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "ORVANE_FUZZ needs clang (configure with CXX=clang++ CC=clang)")
  endif()
  # The runtime is instrumented for coverage; only the fuzz executables get the fuzzer's main.
  # Undefined behaviour aborts like a crash: a report that lets the run go on is lost in the log.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
