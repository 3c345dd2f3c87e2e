#pragma once

#include "sys/platform.h"

#include <array>
#include <cstddef>
#include <cstdio>
#include <span>

// A file replaced whole: written to a new file beside its final target, under
// a short name of its own, and renamed over the target only once complete.
// At every instant the target is the old file or the complete new one, and
// a run that ends early leaves it as it was.
struct Replacement {
  const char *path;                          // as typed
  std::array<char, path_capacity> target;    // path, through any links
  bool exists;                               // whether target is there
  FileInfo found;                            // what it is, if so
  std::FILE *stream;                         // the new file, while it is written
  std::array<char, path_capacity> temporary; // the new file's path; empty once gone
  std::array<char, path_capacity> backup;    // a second name of the old file while it is replaced
};

// Finds the file that replacing path replaces.
int find_replacement(Replacement &file, const char *path);

// Whether two replacements would write one file.
int same_target(const Replacement &a, const Replacement &b, bool &same);

// Creates the new file beside the target, with the old file's permissions, or
// for a file still to be made the usual ones of a new file.
int begin_replacement(Replacement &file);

// Closes the new file once it is whole.
int finish_replacement(Replacement &file);

// Whether the new file, once finished, holds what the target holds.
int same_content(const Replacement &file, bool &same);

// Puts the new files in place of their targets, in order. Should one fail,
// those already in place are put back as they were, and failed names it.
// The old file's second name, kept meanwhile, is then removed; where that
// fails, backup still names it.
int commit_replacements(std::span<Replacement *const> files, std::size_t &failed);

// Closes and removes the new file, if there is one. If it cannot be
// removed, temporary still names it.
int abandon_replacement(Replacement &file);

// Removes every new file still being written: what an interrupt does before
// it ends the run.
void remove_temporaries();
