#pragma once

#include "app/failure.h"
#include "image/input.h"
#include "image/made.h"
#include "sys/platform.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <span>

// The files a run writes: the outfile, the map and the includes. Each is
// replaced whole: written to a new file beside its target, under a short
// name of its own, and renamed over the target only once all of them are
// complete, all or none. At every instant a target is the old file or the
// complete new one, and a run that ends early leaves it as it was. A
// device, a FIFO or a terminal as the outfile is written where it is.
struct Output {
  Form form;
  const char *path;                          // as typed; nullptr for a file the run does not know
  std::array<char, path_capacity> target;    // path, through any links
  bool exists;                               // whether target is there
  FileInfo found;                            // what it is, if so
  bool in_place;                             // a device, a FIFO or a terminal as the outfile
  std::FILE *stream;                         // the new file, while it is written
  std::array<char, path_capacity> temporary; // the new file's path; empty once gone
  std::array<char, path_capacity> backup;    // a second name of the old file while it is replaced
  std::array<char, path_capacity> folder;    // the folder of target, when it takes no new file
};

// Each of the run's files, by its form: the outfile first.
Output &output(Form form);

// The inputs of the run, which no file it writes may be.
struct Inputs {
  const Input *program; // nullptr when it is not read (a planning run)
  std::span<const Input> data;
};

// From now on an interrupt removes every new file before it ends the run.
void watch_interrupts();

// Finds the outfile and, unless it is written in place, starts its new file.
Failure find_outfile(const char *path);

// A planning run writes no image and reads no program, which need not exist
// yet; but no map or include may take the place of either: they are known by
// their names alone, neither opened. A name that cannot be followed takes no
// place.
Failure name_planned(const char *outfile, const char *program);

// The outfile as it is before the run, if it is a file to replace, for the
// inputs to be compared with; otherwise nullptr.
const FileInfo *outfile_found();

// Whether the outfile found may be replaced: new, empty, or an image that
// romweld made, unless force. Any other file is likely an input typed where
// the outfile goes.
Failure check_outfile(bool force);

// Finds a file to write beside the image and starts its new file. It must be
// a regular file or new, none of the outfile, an input or the files found
// before it, and, unless force, empty or a file of its form that romweld
// made.
Failure find_output(Form form, const char *path, const Inputs &inputs, bool force);

// Opens an outfile that is written in place, now that nothing can fail
// before the banks are written.
Failure open_outfile();

// Closes a new file once it is whole.
Failure finish_output(Output &file);

// Puts every new file in place, or none of them; one that would not change
// its file is dropped instead, if the file is to be kept then.
Failure commit_outputs();

// Removes every new file still there and closes what is open: any end but a
// finished run leaves every file as it was.
void abandon_outputs();

// Writes a name beside target that no other file is likely to have: a
// leftover of a killed run never blocks a later one, and the name is short
// whatever the length of target's.
int name_beside(const char *target, std::array<char, path_capacity> &name);

// Makes a file under a new name beside target, as make(name) does: make
// fails with EEXIST when the name is taken, and then another is tried, up
// to a hundred names.
template <typename Make>
int make_beside(const char *target, std::array<char, path_capacity> &name, Make make) {
  constexpr int tries = 100;
  int code = EEXIST;
  for (int attempt = 0; attempt < tries && code == EEXIST; ++attempt) {
    code = name_beside(target, name);
    if (code == 0)
      code = make(name.data());
  }
  if (code != 0)
    name[0] = '\0';
  return code;
}
