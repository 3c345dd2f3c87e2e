#pragma once

#include "image/sizing.h"
#include "sys/replace.h"

#include <span>

// A file the run writes: the outfile, or the bank map. A regular file, or one
// still to be made, is replaced whole; a device, a FIFO or a terminal as the
// outfile is written where it is.
struct Output {
  const char *kind;       // "outfile", "map" or "include"; the outfile's lines name no path
  int status;             // the exit status of its failures
  bool keep_if_unchanged; // a file with the same bytes keeps its time, for make
  Replacement file;
  bool in_place;
};

// Finds the outfile and, unless it is written in place or begin is false (a
// planning run), starts its new file. Returns a status; a failure is
// reported.
int find_outfile(Output &outfile, const char *path, bool begin);

// The outfile as it is before the run, if it is a file to replace, for the
// inputs to be compared with; otherwise nullptr.
const FileInfo *outfile_found(const Output &outfile);

// Finds a file to write beside the image and starts its new file. It must
// be a regular file or new, and none of the outfile, an input or the files
// found before it.
int find_output(Output &output, const char *path, std::span<const Output *const> before,
                std::span<const Input> inputs);

// Opens an outfile that is written in place, now that nothing can fail
// before the banks are written.
int open_outfile(Output &outfile);

// Closes a file once it is whole.
int finish_output(Output &output);

// Puts every new file in place, or none of them; one that would not change
// its file is dropped instead, if the file is to be kept then.
int commit_outputs(std::span<Output *const> outputs);

// Removes the new file, if there is one, and closes what is open.
void abandon_output(Output &output);
