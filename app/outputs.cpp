#include "app/outputs.h"

#include "app/status.h"
#include "image/layout.h"
#include "sys/report.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>

namespace {

// In static storage, for an interrupt to find every new file being written.
std::array<Output, role_count> outputs = {{
    {"outfile", status_outfile, false, nullptr, {}, false, {}, false, nullptr, {}, {}},
    {"map", status_map, true, nullptr, {}, false, {}, false, nullptr, {}, {}},
    {"include", status_include, true, nullptr, {}, false, {}, false, nullptr, {}, {}},
    {"include", status_include, true, nullptr, {}, false, {}, false, nullptr, {}, {}},
    {"include", status_include, true, nullptr, {}, false, {}, false, nullptr, {}, {}},
}};

Failure output_failed(const Output &file, bool writing, int code, const char *reason = nullptr) {
  if (file.status == status_outfile)
    return {status_outfile, writing ? Line::write_outfile : Line::open_outfile, file.path, code,
            reason};
  return {file.status, writing ? Line::write_output : Line::open_output, file.path, code, reason,
          file.kind};
}

// Standard output may be one of the files the run writes (/dev/stdout, or a
// shell's redirection to it); the report then goes to standard error, so
// that it never lands in the image.
void keep_report_apart(const Output &file) {
  FileInfo out{};
  if (file.exists && identify(stdout, out) == 0 && same_file(out.id, file.found.id))
    divert_report();
}

// Whether two files would write one file: the same file found, or for files
// still to be made, the same name in the same folder.
int same_target(const Output &a, const Output &b, bool &same) {
  same = false;
  if (a.exists && b.exists)
    same = same_file(a.found.id, b.found.id);
  if (a.exists || b.exists)
    return 0;
  return same_new_file(a.target.data(), b.target.data(), same);
}

// Creates the new file beside the target, with the old file's permissions,
// or for a file still to be made the usual ones of a new file.
int begin_replacement(Output &file) {
  // Known to an interrupt from the moment it exists.
  hold_interrupts();
  int code = make_beside(file.target.data(), file.temporary,
                         [&file](const char *name) { return create_file(name, file.stream); });
  release_interrupts();
  if (code == 0 && file.exists)
    code = take_attributes(file.stream, file.found);
  return code;
}

// Whether the new file, once finished, holds what the target holds, which
// must still be the file that was found.
bool same_content(const Output &file) {
  if (!file.exists)
    return false;
  const Opened old = open_regular(file.target.data(), &file.found.id);
  const Opened now = open_regular(file.temporary.data());
  bool same = old.file != nullptr && now.file != nullptr;
  if (same) {
    std::array<char, 4096> a;
    std::array<char, 4096> b;
    std::size_t got = 0;
    do {
      got = std::fread(a.data(), 1, a.size(), old.file);
      same = got == std::fread(b.data(), 1, b.size(), now.file) &&
             std::memcmp(a.data(), b.data(), got) == 0;
    } while (same && got == a.size());
    same = same && std::ferror(old.file) == 0 && std::ferror(now.file) == 0;
  }
  for (std::FILE *stream : {old.file, now.file})
    if (stream != nullptr)
      (void)std::fclose(stream);
  return same;
}

// Closes and removes the new file, if there is one. If it cannot be
// removed, temporary still names it.
int abandon(Output &file) {
  if (file.stream != nullptr)
    (void)std::fclose(file.stream);
  file.stream = nullptr;
  if (file.temporary[0] == '\0')
    return 0;
  const int code = remove_file(file.temporary.data());
  if (code == 0)
    file.temporary[0] = '\0';
  return code;
}

// Puts the new files in place of their targets, in order. Should one fail,
// those already in place are put back as they were, and failed names it.
// The old file's second name, kept meanwhile, is then removed; where that
// fails, backup still names it.
int replace_all(std::span<Output *const> files, std::size_t &failed_at) {
  int code = 0;
  std::size_t done = 0;
  for (; done < files.size() && code == 0; ++done) {
    Output &file = *files[done];
    // Until the files after it are in place, the old file keeps a second
    // name, to be put back by. A file system without hard links keeps none.
    if (file.exists && done + 1 < files.size())
      (void)make_beside(file.target.data(), file.backup,
                        [&file](const char *name) { return link_file(file.target.data(), name); });
    // A file that was not there when the run found its name is never
    // replaced: one that has appeared since may be anything. A new file
    // left with its first name too keeps it as its second, to be removed
    // with the others.
    bool both = false;
    code = file.exists ? replace_file(file.temporary.data(), file.target.data())
                       : place_file(file.temporary.data(), file.target.data(), both);
    if (code == 0 && both)
      file.backup = file.temporary;
    if (code == 0)
      file.temporary[0] = '\0';
  }
  if (code != 0) {
    failed_at = --done;
    // The file that failed is still in place: its second name is not needed.
    Output &stuck = *files[failed_at];
    if (stuck.backup[0] != '\0' && remove_file(stuck.backup.data()) == 0)
      stuck.backup[0] = '\0';
    // Whatever went in before the failure goes out again: the old file back
    // under its name, or a new one removed. An old file that cannot be put
    // back keeps its second name, reported as left over, rather than be lost.
    while (done-- > 0) {
      Output &file = *files[done];
      if (file.exists && file.backup[0] != '\0') {
        if (replace_file(file.backup.data(), file.target.data()) == 0)
          file.backup[0] = '\0';
      } else if (!file.exists) {
        (void)remove_file(file.target.data());
        if (file.backup[0] != '\0' && remove_file(file.backup.data()) == 0)
          file.backup[0] = '\0';
      }
    }
  }
  // Once every file is in place, the second names go; one that cannot be
  // removed stays in backup, to be reported.
  for (std::size_t i = 0; code == 0 && i < files.size(); ++i)
    if (files[i]->backup[0] != '\0' && remove_file(files[i]->backup.data()) == 0)
      files[i]->backup[0] = '\0';
  return code;
}

// GCOVR_EXCL_START: runs only as a signal ends the run, which then writes no
// coverage data; the fault sweep's interruptions test it.
void remove_temporaries() {
  for (const Output &file : outputs)
    if (file.temporary[0] != '\0')
      (void)remove_file(file.temporary.data());
}
// GCOVR_EXCL_STOP

} // namespace

Output &output(Role role) {
  return outputs[static_cast<std::size_t>(role)];
}

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

Failure find_outfile(const char *path, bool begin) {
  // From the first new file on, an interrupt removes them before it ends the run.
  on_interrupt(remove_temporaries);
  Output &file = output(Role::outfile);
  file.path = path;
  if (const int code = find_target(path, file.target, file.exists, file.found); code != 0)
    return output_failed(file, false, code);
  keep_report_apart(file);
  file.in_place = file.exists && file.found.type != FileType::regular;
  if (file.in_place || !begin)
    return {};
  if (const int code = begin_replacement(file); code != 0)
    return output_failed(file, false, code);
  return {};
}

const FileInfo *outfile_found() {
  const Output &file = output(Role::outfile);
  return file.exists && !file.in_place ? &file.found : nullptr;
}

Failure check_outfile(bool force) {
  const Output &file = output(Role::outfile);
  if (force || !file.exists || file.in_place || file.found.size == 0)
    return {};
  // Every image is a power of two of 16 KiB banks.
  const std::int64_t size = file.found.size;
  const std::int64_t banks = size / bank_size;
  const char *reason = nullptr;
  if (size % bank_size != 0 || (banks & (banks - 1)) != 0) {
    reason = "not an image, whose size is a power of two of 16k banks";
  } else if (banks == 1) {
    // One bank that begins with the cartridge header is a program padded to
    // its bank, as assemblers often write them.
    const Opened old = open_regular(file.target.data(), &file.found.id);
    if (old.file == nullptr)
      return output_failed(file, false, old.code, old.reason);
    unsigned char first[2] = {};
    if (std::fread(first, 1, sizeof first, old.file) == sizeof first && cartridge_header(first))
      reason = "a program of one bank with its cartridge header, not an image";
    (void)std::fclose(old.file);
  }
  if (reason == nullptr)
    return {};
  return {status_not_image, Line::not_image, file.path, EINVAL, reason, nullptr, size};
}

Failure find_output(Role role, const char *path, const Inputs &inputs) {
  Output &file = output(role);
  file.path = path;
  if (const int code = find_target(path, file.target, file.exists, file.found); code != 0)
    return output_failed(file, false, code);
  if (file.exists && file.found.type != FileType::regular)
    return output_failed(file, false, ESPIPE, "not a regular file");
  bool same = false;
  for (const Output &other : outputs) {
    if (&other == &file)
      break;
    // A device as the outfile is written in place; no regular file is it.
    if (other.path == nullptr || other.in_place)
      continue;
    if (const int code = same_target(file, other, same); code != 0)
      return output_failed(file, false, code);
    if (same)
      return output_failed(file, false, EINVAL,
                           other.status == status_outfile ? "is the outfile or an input file"
                                                          : "is another file this run writes");
  }
  same = inputs.program != nullptr && file.exists && same_file(file.found.id, inputs.program->id);
  for (const Input &input : inputs.data)
    same = same || (file.exists && same_file(file.found.id, input.id));
  if (same)
    return output_failed(file, false, EINVAL, "is the outfile or an input file");
  keep_report_apart(file);
  if (const int code = begin_replacement(file); code != 0)
    return output_failed(file, false, code);
  return {};
}

Failure open_outfile() {
  Output &file = output(Role::outfile);
  if (!file.in_place)
    return {};
  // Opening waits for a FIFO's reader, so it comes only once every input has
  // passed; and what is opened must be what was found.
  int code = open_in_place(file.path, file.stream);
  FileInfo info{};
  if (code == 0)
    code = identify(file.stream, info);
  if (code == 0 && !same_file(info.id, file.found.id))
    return output_failed(file, false, EAGAIN, "replaced while romweld ran");
  return code == 0 ? Failure{} : output_failed(file, false, code);
}

Failure finish_output(Role role) {
  Output &file = output(role);
  int code = std::fflush(file.stream) != 0 || std::ferror(file.stream) != 0 ? errno : 0;
  if (std::fclose(file.stream) != 0 && code == 0)
    code = errno;
  file.stream = nullptr;
  return code == 0 ? Failure{} : output_failed(file, true, code);
}

Failure commit_outputs() {
  // Only files with a new one to put in place: not a device written in
  // place, nor the outfile of a planning run.
  std::array<Output *, role_count> files{};
  std::size_t count = 0;
  for (Output &file : outputs) {
    if (file.temporary[0] == '\0')
      continue;
    if (file.keep_if_unchanged && same_content(file)) {
      if (const int code = abandon(file); code != 0)
        report_left_behind(file.temporary.data(), code);
      continue;
    }
    files[count++] = &file;
  }
  // An interrupt now would leave some files replaced and others not; it
  // waits until all are, or none.
  hold_interrupts();
  std::size_t failed_at = 0;
  const int code = replace_all(std::span(files).first(count), failed_at);
  release_interrupts();
  // The files are in place either way: a name left over is only untidy.
  for (const Output *file : std::span(files).first(count))
    if (file->backup[0] != '\0')
      report("Warning - could not remove temporary file %s\n", file->backup.data());
  if (code == 0)
    return {};
  const Output &stuck = *files[failed_at];
  return output_failed(stuck, true, code,
                       code == EEXIST && !stuck.exists ? "appeared while romweld ran" : nullptr);
}

void abandon_outputs() {
  for (Output &file : outputs)
    if (const int code = abandon(file); code != 0)
      report_left_behind(file.temporary.data(), code);
}
