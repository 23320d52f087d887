# Sources the runtime computes at build time instead of carrying typed-in
# constants. Generators are host tools: they are built with plain optimised
# flags whatever the build type, sanitizer or fuzzer options are.
set(ORVANE_GENERATED_DIR ${CMAKE_CURRENT_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${ORVANE_GENERATED_DIR})

function(orvane_generator name)
  add_executable(${name} ${ARGN})
  set_property(TARGET ${name} PROPERTY COMPILE_OPTIONS -O2)
  set_property(TARGET ${name} PROPERTY LINK_OPTIONS "")
  orvane_warnings(${name})
endfunction()

# The cipher's P-array and S-boxes: 18 + 4 x 256 words of pi's hexadecimal digits.
orvane_generator(orvane_gen_pi_tables tools/pi_tables/gen_pi_tables.cpp)
add_custom_command(
  OUTPUT ${ORVANE_GENERATED_DIR}/pi_words.h
  COMMAND orvane_gen_pi_tables ${ORVANE_GENERATED_DIR}/pi_words.h 1042
  DEPENDS orvane_gen_pi_tables
  COMMENT "Computing the hexadecimal digits of pi for the cipher tables"
  VERBATIM)
target_sources(orvane PRIVATE ${ORVANE_GENERATED_DIR}/pi_words.h)
