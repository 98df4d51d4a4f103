# Writes a C++ source that holds files for a program without resources (the Linux
# game's sounds and icon):
#   cmake -DOUTPUT=SOURCE -DTABLE=kName -P embed_files.cmake -- FILE...
# defines `const EmbeddedFile kName[]` (resources/embedded_files.h) and `kNameCount`:
# one byte array per file, in the order given, so that a file is found by its index.
# The output depends only on the files' order and bytes (no names, no paths, no dates),
# so the same files give the same source.
set(files "")
set(after_dashes FALSE)
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE 1 ${last})
  if(after_dashes)
    list(APPEND files "${CMAKE_ARGV${i}}")
  elseif(CMAKE_ARGV${i} STREQUAL "--")
    set(after_dashes TRUE)
  endif()
endforeach()

string(REPEAT "[0-9a-f][0-9a-f]" 16 row)
set(arrays "")
set(table "")
set(count 0)
foreach(file ${files})
  set(array "kFile${count}")
  file(READ "${file}" hex HEX)
  string(REGEX REPLACE "(${row})" "\\1\n    " hex "${hex}")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," hex "${hex}")
  string(APPEND arrays "const uint8_t ${array}[] = {\n    ${hex}};\n")
  string(APPEND table "    {${array}, sizeof ${array}},\n")
  math(EXPR count "${count} + 1")
endforeach()

file(WRITE "${OUTPUT}.new" "// Written by cmake/embed_files.cmake; not to be edited.
#include \"resources/embedded_files.h\"

namespace {

${arrays}
}  // namespace

extern const EmbeddedFile ${TABLE}[] = {
${table}};
extern const size_t ${TABLE}Count = ${count};
")
# Replaced only when it changes, so that an unchanged set recompiles nothing.
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
