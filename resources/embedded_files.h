// Files built into a program that has no resources (the Linux game): the tables that
// cmake/embed_files.cmake writes, of the game's sounds and of its icon, each in the
// order of the files it was given.
#pragma once

#include <cstddef>
#include <cstdint>

struct EmbeddedFile {
  const uint8_t* bytes;  // the whole file
  size_t size;
};
