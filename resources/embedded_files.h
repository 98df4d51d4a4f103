// Files built into a program that has no resources (the Linux game): the tables that
// cmake/embed_files.cmake writes, of the game's sounds and of its icon.
#pragma once

#include <cstddef>
#include <cstdint>

struct EmbeddedFile {
  const char* name;      // the file's name without its extension, in lower case: "a53"
  const uint8_t* bytes;  // the whole file
  size_t size;
};
