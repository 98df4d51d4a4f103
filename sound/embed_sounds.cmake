# Writes the C++ source that holds the game's sounds for a program without resources:
#   cmake -DOUTPUT=FILE -P embed_sounds.cmake -- SOUND.wav...
# One byte array per file, named in the table by the file's name without ".wav". The
# output depends only on the files' names and bytes (no paths, no dates), so the same
# files give the same source.
set(files "")
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE 1 ${last})
  if(CMAKE_ARGV${i} MATCHES "\\.wav$")
    list(APPEND files "${CMAKE_ARGV${i}}")
  endif()
endforeach()
list(SORT files)

string(REPEAT "[0-9a-f][0-9a-f]" 16 row)
set(arrays "")
set(table "")
set(count 0)
foreach(file ${files})
  get_filename_component(name "${file}" NAME_WE)
  string(TOLOWER "${name}" name)
  string(MAKE_C_IDENTIFIER "k_${name}" array)
  file(READ "${file}" hex HEX)
  string(REGEX REPLACE "(${row})" "\\1\n    " hex "${hex}")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," hex "${hex}")
  string(APPEND arrays "const uint8_t ${array}[] = {\n    ${hex}};\n")
  string(APPEND table "    {\"${name}\", ${array}, sizeof ${array}},\n")
  math(EXPR count "${count} + 1")
endforeach()

file(WRITE "${OUTPUT}.new" "// Written by sound/embed_sounds.cmake from resources/sounds/; not to be edited.
#include \"sound/embedded_sound_table.h\"

namespace {

${arrays}
}  // namespace

const EmbeddedSound kEmbeddedSounds[] = {
${table}};
const size_t kEmbeddedSoundCount = ${count};
")
# Replaced only when it changes, so that an unchanged set recompiles nothing.
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
