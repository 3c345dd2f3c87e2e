#pragma once

// What differs between the systems romweld runs on, behind one interface. The
// build picks one file that implements it: platform_posix.cpp on Linux and
// macOS, platform_windows.cpp on Windows. Nothing else knows the system.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>

// The arguments after the tool's own name, as UTF-8. Windows hands a program
// its names through the ANSI code page, which loses or swaps characters, so
// there they are read from the wide command line instead; a console is then
// also switched to UTF-8 output, so that names print as typed.
std::span<char *const> utf8_arguments(int argc, char **argv);

// A UTF-8 path in the form the standard library's file system calls take.
std::filesystem::path native_path(const char *path);

// Opens a file for reading in binary mode; nullptr, with errno set, on failure.
std::FILE *open_input(const char *path);

// Creates a file that must not exist yet and opens it for writing in binary
// mode; nullptr, with errno set (EEXIST if it exists), on failure.
std::FILE *create_file(const char *path);

struct Outfile {
  const char *path; // as typed
  std::FILE *stream;
  bool created; // this run made the file, so a failure must remove it again
  bool regular; // devices such as /dev/null are never truncated or removed
};

// Opens the outfile for writing in binary mode, creating it if it is missing
// but never truncating it: an existing image stays intact until every input
// has passed. False, with errno set, on failure.
bool open_outfile(const char *path, Outfile &outfile);

// Size in bytes of an open, unbuffered file; -1, with errno set, on failure.
std::int64_t open_file_size(std::FILE *file);

// Cuts an open, unbuffered file to size bytes. 0, or the error number.
int resize_open_file(std::FILE *file, std::int64_t size);
