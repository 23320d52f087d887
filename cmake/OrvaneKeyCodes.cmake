# The game-facing key code constants (kKeyEscape = 1, ...) are generated from
# the same scan-code table the input subsystem maps SDL keys with, so a key
# added to the table is a named constant in the next build.
set(ORVANE_KEY_TABLE ${CMAKE_CURRENT_SOURCE_DIR}/input/key_scancodes.csv)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ORVANE_KEY_TABLE})
file(STRINGS ${ORVANE_KEY_TABLE} key_rows)
list(POP_FRONT key_rows)  # the column names
set(key_lines "")
foreach(row ${key_rows})
  string(REPLACE "," ";" fields "${row}")
  list(GET fields 0 code)
  list(GET fields 1 key)
  # ESCAPE -> Escape, OEM_102 -> Oem102, NUMPAD7 -> Numpad7
  string(TOLOWER "${key}" lower)
  string(REPLACE "_" ";" parts "${lower}")
  set(name "")
  foreach(part ${parts})
    string(SUBSTRING "${part}" 0 1 head)
    string(SUBSTRING "${part}" 1 -1 tail)
    string(TOUPPER "${head}" head)
    string(APPEND name "${head}${tail}")
  endforeach()
  string(APPEND key_lines "inline constexpr int kKey${name} = ${code};\n")
endforeach()
set(key_header "// Key codes as KeyDown takes them: generated from input/key_scancodes.csv\n// at configure time; do not edit.\n#pragma once\n\n${key_lines}")
file(MAKE_DIRECTORY ${ORVANE_GENERATED_DIR}/orvane)
# Written only when it changed, so a re-configure does not rebuild every game.
file(CONFIGURE OUTPUT ${ORVANE_GENERATED_DIR}/orvane/key_codes.h CONTENT "${key_header}" @ONLY)
