#pragma once

#include "image/fault.h"
#include "sys/platform.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

// One input of the image, the program file or a data file, as the sizing
// pass found it: the write pass must read the same file, and no more of it
// than was planned for. The plan places a data file: its first byte goes to
// a data bank, counted from the first data bank, at an offset.
struct Input {
  const char *path; // as typed
  FileId id;
  std::int64_t size;
  std::int32_t bank;
  std::int32_t offset;
};

// More data files than any system hands a program on its command line:
// Linux passes at most 6 MiB of arguments, each with a pointer of 8 bytes,
// macOS 1 MiB and Windows 32,767 characters. Their records stay in static
// storage, which costs nothing until a run uses it.
constexpr std::size_t max_data_files = std::size_t{1} << 20;

// An input opened for reading, or why it cannot be read as one.
struct Opened {
  std::FILE *file; // nullptr when it failed
  FileInfo info;
  int code;           // the error number, 0 when it opened
  const char *reason; // the tool's own words for code, or nullptr
};

// Opens path for reading and asks the open file what it is, so that every
// answer is about one file. Only regular files are inputs: a directory opens
// on some systems and sizes to garbage, a FIFO gives what a writer sends, and
// a device such as /dev/zero never ends. With expected, it must also be
// that file: one put in its place meanwhile could be anything.
Opened open_regular(const char *path, const FileId *expected = nullptr);

// The fault of an input that did not open as one.
Fault not_opened(const Opened &opened, What what, const char *path);

// Measures an input through the file it opens. The sizing pass calls it for
// the program file and then each data file, in that order.
Fault size_input(Input &input);
