// Checks, on the system it is built for, that a new file takes a name only
// if nothing has it: the last step of a run must never replace a file that
// appeared while it ran. A plain program, so that the Windows build runs it
// under wine as the Linux build does under ctest.
//
//   place_check FOLDER      (an empty folder of its own; exit status 0 if all hold)

#include "sys/platform.h"

#include <cerrno>
#include <cstdio>
#include <string>

namespace {

int failures = 0;

void check(bool holds, const char *what) {
  if (!holds) {
    std::printf("place_check: %s\n", what);
    ++failures;
  }
}

bool write_file(const std::string &path, const char *text) {
  std::FILE *file = nullptr;
  if (create_file(path.c_str(), file) != 0)
    return false;
  const bool written = std::fputs(text, file) >= 0;
  return std::fclose(file) == 0 && written;
}

std::string read_file(const std::string &path) {
  std::FILE *file = nullptr;
  std::string text;
  if (open_input(path.c_str(), file) != 0)
    return text;
  char block[64];
  for (std::size_t got = 0; (got = std::fread(block, 1, sizeof block, file)) > 0;)
    text.append(block, got);
  (void)std::fclose(file);
  return text;
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::printf("usage: place_check FOLDER\n");
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  const std::string fresh = folder + "fresh.tmp";
  const std::string there = folder + "there.rom";
  const std::string target = folder + "new.rom";
  check(write_file(fresh, "new") && write_file(there, "old"), "could not make the files");
  bool both = false;
  check(place_file(fresh.c_str(), there.c_str(), both) == EEXIST,
        "an existing file was not refused");
  check(read_file(there) == "old", "the existing file was changed");
  check(read_file(fresh) == "new", "the new file was lost");
  check(place_file(fresh.c_str(), target.c_str(), both) == 0 && !both, "a free name was refused");
  check(read_file(target) == "new", "the new file is not under its name");
  std::FILE *gone = nullptr;
  check(open_input(fresh.c_str(), gone) == ENOENT, "the new file kept its first name");
  for (const std::string &path : {fresh, there, target})
    (void)remove_file(path.c_str());
  return failures == 0 ? 0 : 1;
}
