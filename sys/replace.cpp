#include "sys/replace.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>

namespace {

// The new files being written, for an interrupt to remove: the outfile, the
// map and the includes of one run.
constexpr std::size_t max_replacements = 8;
Replacement *volatile watched[max_replacements];

void watch(Replacement &file) {
  for (Replacement *volatile &slot : watched)
    if (slot == nullptr) {
      slot = &file;
      return;
    }
}

void unwatch(Replacement &file) {
  for (Replacement *volatile &slot : watched)
    if (slot == &file)
      slot = nullptr;
}

// A name beside target that no other file is likely to have: a leftover of a
// killed run never blocks a later one, and the name is short whatever the
// length of target's.
int name_beside(const char *target, std::array<char, path_capacity> &name) {
  static std::uint64_t calls = 0;
  // splitmix64 of the clock and a count, so that every call differs.
  auto mix =
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) +
      ++calls * 0x9E3779B97F4A7C15U;
  mix = (mix ^ (mix >> 30U)) * 0xBF58476D1CE4E5B9U;
  mix = (mix ^ (mix >> 27U)) * 0x94D049BB133111EBU;
  mix ^= mix >> 31U;
  // target came from a buffer as large as name, so its folder fits.
  const std::size_t folder = folder_length(target);
  std::memcpy(name.data(), target, folder);
  const int length =
      std::snprintf(name.data() + folder, name.size() - folder, ".romweld-%012llx.tmp",
                    static_cast<unsigned long long>(mix & 0xFFFFFFFFFFFFU));
  return length > 0 && static_cast<std::size_t>(length) < name.size() - folder ? 0 : ENAMETOOLONG;
}

// Makes a file under a new name beside target: make fails with EEXIST when
// the name is taken, and then another is tried.
template <typename Make>
int make_beside(const char *target, std::array<char, path_capacity> &name, Make make) {
  int code = EEXIST;
  for (int attempt = 0; attempt < 100 && code == EEXIST; ++attempt) {
    code = name_beside(target, name);
    if (code == 0)
      code = make(name.data());
  }
  if (code != 0)
    name[0] = '\0';
  return code;
}

} // namespace

int find_replacement(Replacement &file, const char *path) {
  file.path = path;
  return find_target(path, file.target, file.exists, file.found);
}

int same_target(const Replacement &a, const Replacement &b, bool &same) {
  same = false;
  if (a.exists && b.exists)
    same = same_file(a.found.id, b.found.id);
  if (a.exists || b.exists)
    return 0;
  return same_new_file(a.target.data(), b.target.data(), same);
}

int begin_replacement(Replacement &file) {
  // Watched from the moment it exists.
  hold_interrupts();
  int code = make_beside(file.target.data(), file.temporary,
                         [&file](const char *name) { return create_file(name, file.stream); });
  if (code == 0)
    watch(file);
  release_interrupts();
  if (code == 0 && file.exists)
    code = take_attributes(file.stream, file.found);
  if (code != 0)
    (void)abandon_replacement(file);
  return code;
}

int finish_replacement(Replacement &file) {
  int code = std::fflush(file.stream) != 0 || std::ferror(file.stream) != 0 ? errno : 0;
  if (std::fclose(file.stream) != 0 && code == 0)
    code = errno;
  file.stream = nullptr;
  return code;
}

int same_content(const Replacement &file, bool &same) {
  same = false;
  if (!file.exists)
    return 0;
  std::FILE *old = nullptr;
  std::FILE *now = nullptr;
  int code = open_input(file.target.data(), old);
  if (code == 0)
    code = open_input(file.temporary.data(), now);
  FileInfo info{};
  // The target must still be the file that was found.
  if (code == 0)
    code = identify(old, info);
  if (code == 0 && same_file(info.id, file.found.id)) {
    std::array<char, 4096> a;
    std::array<char, 4096> b;
    std::size_t got = 0;
    do {
      got = std::fread(a.data(), 1, a.size(), old);
      same = got == std::fread(b.data(), 1, b.size(), now) &&
             std::memcmp(a.data(), b.data(), got) == 0;
    } while (same && got == a.size());
    same = same && std::ferror(old) == 0 && std::ferror(now) == 0;
  }
  for (std::FILE *stream : {old, now})
    if (stream != nullptr)
      (void)std::fclose(stream);
  return code;
}

int commit_replacements(std::span<Replacement *const> files, std::size_t &failed) {
  // An interrupt now would leave some files replaced and others not; it
  // waits until all are, or none.
  hold_interrupts();
  int code = 0;
  std::size_t done = 0;
  for (; done < files.size() && code == 0; ++done) {
    Replacement &file = *files[done];
    // Until the files after it are in place, the old file keeps a second
    // name, to be put back by. A file system without hard links keeps none.
    if (file.exists && done + 1 < files.size())
      (void)make_beside(file.target.data(), file.backup,
                        [&file](const char *name) { return link_file(file.target.data(), name); });
    code = replace_file(file.temporary.data(), file.target.data());
    if (code == 0) {
      file.temporary[0] = '\0';
      unwatch(file);
    }
  }
  if (code != 0) {
    failed = --done;
    // The file that failed is still in place: its second name is not needed.
    Replacement &stuck = *files[failed];
    if (stuck.backup[0] != '\0' && remove_file(stuck.backup.data()) == 0)
      stuck.backup[0] = '\0';
    // Whatever went in before the failure goes out again: the old file back
    // under its name, or a new one removed. An old file that cannot be put
    // back keeps its second name, reported as left over, rather than be lost.
    while (done-- > 0) {
      Replacement &file = *files[done];
      if (file.backup[0] != '\0') {
        if (replace_file(file.backup.data(), file.target.data()) == 0)
          file.backup[0] = '\0';
      } else if (!file.exists) {
        (void)remove_file(file.target.data());
      }
    }
  }
  // Once every file is in place, the second names go; one that cannot be
  // removed stays in backup, to be reported.
  for (std::size_t i = 0; code == 0 && i < files.size(); ++i)
    if (files[i]->backup[0] != '\0' && remove_file(files[i]->backup.data()) == 0)
      files[i]->backup[0] = '\0';
  release_interrupts();
  return code;
}

int abandon_replacement(Replacement &file) {
  if (file.stream != nullptr)
    (void)std::fclose(file.stream);
  file.stream = nullptr;
  if (file.temporary[0] == '\0')
    return 0;
  // A temporary that could not be removed keeps its name, to be reported.
  const int code = remove_file(file.temporary.data());
  if (code == 0)
    file.temporary[0] = '\0';
  unwatch(file);
  return code;
}

// GCOVR_EXCL_START: runs only as a signal ends the run, which then writes no
// coverage data; the fault sweep's interruptions test it.
void remove_temporaries() {
  for (Replacement *file : watched)
    if (file != nullptr && file->temporary[0] != '\0')
      (void)remove_file(file->temporary.data());
}
// GCOVR_EXCL_STOP
