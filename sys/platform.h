#pragma once

// What differs between the systems romweld runs on, behind one interface. The
// build picks one file that implements it: platform_posix.cpp on Linux and
// macOS, platform_windows.cpp on Windows. Nothing else knows the system.
//
// Paths are UTF-8. Calls that can fail return 0 or the error number, in the
// numbering of the C library, so that the report can print it.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>

// Room for any path this tool builds from another: a link's final target, or
// a temporary file beside it.
constexpr std::size_t path_capacity = 4096;

// What makes a file itself, whatever name reaches it: POSIX's device and
// inode numbers, Windows's volume serial number and file index.
struct FileId {
  std::uint64_t volume;
  std::uint64_t index;
};

constexpr bool same_file(const FileId &a, const FileId &b) {
  return a.volume == b.volume && a.index == b.index;
}

enum class FileType { regular, directory, other };

// An open file, as the system describes it.
struct FileInfo {
  FileType type;
  FileId id;
  std::int64_t size;
  // What a file that replaces this one takes from it, where the system has it.
  std::uint32_t mode;
  std::uint32_t owner;
  std::uint32_t group;
};

// The arguments after the tool's own name, as UTF-8. Windows hands a program
// its names through the ANSI code page, which loses or swaps characters, so
// there they are read from the wide command line instead; a console is then
// also switched to UTF-8 output, so that names print as typed.
std::span<char *const> utf8_arguments(int argc, char **argv);

// Opens a device on any standard stream that is closed, so that no file of
// the run takes its number and gets the report written into it; returns
// whether standard output was closed. A broken pipe as standard output is a
// write that fails, not the end of the run.
bool keep_standard_streams();

// Opens a file for reading in binary mode. Opening never waits,
// not even on a FIFO, so that any file can be asked what it is.
int open_input(const char *path, std::FILE *&file);

// Opens an existing file for writing in binary mode, without
// creating or truncating it: a device, a FIFO or a terminal.
int open_in_place(const char *path, std::FILE *&file);

int identify(std::FILE *file, FileInfo &info);

// Follows a path through any links to the file that replacing it must
// replace. target holds the path as typed, and is rewritten to that file's
// path. exists tells whether it is there; if so, found describes it. Asks for
// write access, as writing over a file would; a folder gives EISDIR.
int find_target(std::span<char> target, bool &exists, FileInfo &found);

// As find_target, for a file that is only to be told apart from others: it
// asks for no access, so neither a device nor a FIFO notices, and a
// read-only file is found too.
int look_up(std::span<char> target, bool &exists, FileInfo &found);

// Length of a path's folder part, up to and including its last separator; 0
// for a bare name.
std::size_t folder_length(const char *path);

// Whether two names in a folder, without their folders, name one file there.
bool same_name(const char *a, const char *b);

// The identity of the folder that holds path.
int folder_id(const char *path, FileId &id);

// Creates a file that must not exist yet, for writing in binary mode,
// EEXIST if it exists.
int create_file(const char *path, std::FILE *&file);

// Gives a new file the permission bits, and where the system allows the
// owner and group, of the file it is to replace.
int take_attributes(std::FILE *file, const FileInfo &old);

// Renames from over to, replacing to if it exists; both in one folder.
int replace_file(const char *from, const char *to);

// Renames from to to, which must not exist: EEXIST if it does, even if it
// appeared a moment ago; both in one folder. Where the file ends up with
// both names, as when from cannot be removed once to is made, returns 0 and
// sets both.
int place_file(const char *from, const char *to, bool &both);

// Gives an existing file a second name.
int link_file(const char *existing, const char *name);

int remove_file(const char *path);

// Ctrl-C and the signals that end a run from outside (SIGINT, SIGTERM,
// SIGHUP; on Windows Ctrl-C, Ctrl-Break and a closed console) call cleanup,
// then end the run as they would have, so that the caller sees the signal.
// Signals that the caller has set to be ignored stay ignored.
void on_interrupt(void (*cleanup)());

// While held, those signals wait; released, a signal that came meanwhile
// takes effect.
void hold_interrupts();
void release_interrupts();
