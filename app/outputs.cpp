#include "app/outputs.h"

#include "image/made.h"
#include "sys/report.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>

namespace {

// The tool's own words for what is wrong with a file of the run.
constexpr const char *reason_output_is_input = "is the outfile or an input file";
constexpr const char *reason_output_twice = "is another file this run writes";
constexpr const char *reason_appeared = "appeared while romweld ran";
constexpr const char *reason_no_folder = "no such folder";
constexpr const char *reason_stdout_closed = "is standard output, which was closed";

// In static storage, for an interrupt to find every new file being written.
std::array<Output, form_count> outputs;

// The program of a planning run, by its name alone, as it is not read: it
// may be still to be made, and is no place for a map or an include either way.
Output planned_program;

const char *noun_of(Form form) {
  return form == Form::image ? "outfile" : form == Form::map ? "map file" : "include file";
}

// A failure to open a file of the run or to write it, named as typed unless
// the cause names its folder. A folder is named as the inputs' are, not by
// the system's words; and a file that cannot be opened may be a path typed
// in another order.
Failure output_failed(const Output &file, bool writing, Cause cause) {
  const char *verb = writing ? "write" : "open";
  if (cause.path == nullptr)
    cause.path = file.path;
  if (cause.reason == nullptr && cause.code == EISDIR)
    cause.reason = reason_directory;
  const Failure failure = file.form == Form::image
                              ? fail(status_outfile, cause, "Failed to %s outfile", verb)
                              : fail(file.form == Form::map ? status_map : status_include, cause,
                                     "Failed to %s %s %s", verb, noun_of(file.form), file.path);
  return writing ? failure : with_reading(failure);
}

// Finds the file that writing path must replace, through any links, by find:
// find_target, or for a file that is not written, look_up.
int find_file(Output &file, const char *path, decltype(find_target) *find = find_target) {
  file.path = path;
  const std::size_t length = std::strlen(path);
  if (length >= file.target.size())
    return ENAMETOOLONG;
  std::memcpy(file.target.data(), path, length + 1);
  const int code = find(file.target, file.exists, file.found);
  // A new file needs a name of its own to be renamed to; a path that ends in
  // a separator names none.
  if (code == 0 && !file.exists && file.target[folder_length(file.target.data())] == '\0')
    return ENOENT;
  return code;
}

// Standard output or standard error may be one of the files of the run
// (/dev/stdout, or a shell's redirection to it); the report then goes to
// standard error, or nowhere, and the notes nowhere, so that neither lands
// in a file. Standard output closed from the start is no file to write an
// image to.
Failure keep_report_apart(const Output &file) {
  FileInfo out{};
  FileInfo err{};
  const bool on_out = file.exists && identify(stdout, out) == 0 && same_file(out.id, file.found.id);
  const bool on_err = file.exists && identify(stderr, err) == 0 && same_file(err.id, file.found.id);
  if (on_out && report_lost())
    return output_failed(file, false, {EBADF, nullptr, reason_stdout_closed});
  keep_off(on_out, on_err);
  return {};
}

// Whether an existing file may be replaced: empty, or of the form that it is
// written as, as romweld makes them; any file, if forced.
Failure check_made(const Output &file, bool force) {
  if (force || !file.exists || file.in_place || file.found.size == 0)
    return {};
  // Read through the file that was found, not through its name again.
  const Opened old = open_regular(file.target.data(), &file.found.id);
  if (old.file == nullptr)
    return output_failed(file, false, {old.code, nullptr, old.reason});
  int error = 0;
  const char *reason = not_made(file.form, old.file, file.found.size, error);
  (void)std::fclose(old.file);
  // A read that fails is a read error, not a file of another kind.
  if (error != 0)
    return output_failed(file, false, {error, nullptr});
  if (reason == nullptr)
    return {};
  const auto bytes = static_cast<long long>(file.found.size);
  Failure failure =
      fail(status_not_made, {EINVAL, file.path, reason}, "Failed to replace %s %s of %lld byte%s",
           noun_of(file.form), file.path, bytes, plural(bytes));
  failure.reading = true;
  failure.forced = file.path;
  return failure;
}

// Whether two files would write one file: the same file found, or the same
// name in the same folder, names that differ only in case included, as
// some file systems fold it. A folder that cannot be found takes no new
// file, so it is no other's: making the file fails there, and names it.
bool same_target(const Output &a, const Output &b) {
  if (a.exists && b.exists && same_file(a.found.id, b.found.id))
    return true;
  const char *name_a = a.target.data() + folder_length(a.target.data());
  const char *name_b = b.target.data() + folder_length(b.target.data());
  if (!same_name(name_a, name_b))
    return false;
  FileId folder_a{};
  FileId folder_b{};
  return folder_id(a.target.data(), folder_a) == 0 && folder_id(b.target.data(), folder_b) == 0 &&
         same_file(folder_a, folder_b);
}

// Whether a file of the run would write an input: the same file, or a name
// in its folder that differs only in case.
bool same_input(const Output &file, const Input &input) {
  if (file.exists && same_file(file.found.id, input.id))
    return true;
  if (!same_name(file.target.data() + folder_length(file.target.data()),
                 input.path + folder_length(input.path)))
    return false;
  FileId a{};
  FileId b{};
  return folder_id(file.target.data(), a) == 0 && folder_id(input.path, b) == 0 && same_file(a, b);
}

// Starts the new file of an output beside its target, with the old file's
// owner and permissions, or for a file still to be made the usual ones of a
// new file. A folder that cannot take it is named as the folder, which
// target's folder part is: the copy of it lives as long as the run.
Failure begin_output(Output &file) {
  // Known to an interrupt from the moment it exists.
  hold_interrupts();
  const int code = make_beside(file.target.data(), file.temporary, [&file](const char *name) {
    return create_file(name, file.stream);
  });
  release_interrupts();
  if (code != 0) {
    const std::size_t length = folder_length(file.target.data());
    std::memcpy(file.folder.data(), length == 0 ? "./" : file.target.data(),
                length == 0 ? 2 : length);
    file.folder[length == 0 ? 2 : length] = '\0';
    return output_failed(file, false,
                         {code, file.folder.data(), code == ENOENT ? reason_no_folder : nullptr});
  }
  if (const int failed = file.exists ? take_attributes(file.stream, file.found) : 0; failed != 0)
    return output_failed(file, false, {failed, nullptr});
  return {};
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

// Removes the old file's second name, if it has one; one that cannot be
// removed stays in backup, to be reported.
void drop_backup(Output &file) {
  if (file.backup[0] != '\0' && remove_file(file.backup.data()) == 0)
    file.backup[0] = '\0';
}

// Puts a new file in place of its target. Unless it is the last, the old
// file keeps a second name meanwhile, to be put back should a later one
// fail; a file system without hard links keeps none. A file that was not
// there when the run found its name is never replaced: one that has appeared
// since may be anything. A new file left with its first name too keeps it as
// its second, to be removed with the others.
int put_in_place(Output &file, bool last) {
  if (file.exists && !last)
    (void)make_beside(file.target.data(), file.backup,
                      [&file](const char *name) { return link_file(file.target.data(), name); });
  bool both = false;
  const int code = file.exists ? replace_file(file.temporary.data(), file.target.data())
                               : place_file(file.temporary.data(), file.target.data(), both);
  if (code != 0) {
    // The old file is still in place: its second name is not needed.
    drop_backup(file);
    return code;
  }
  if (both)
    file.backup = file.temporary;
  file.temporary[0] = '\0';
  return 0;
}

// Takes a file that was put in place out again: the old file back under its
// name, or the new one removed. An old file that cannot be put back keeps its
// second name, reported as left over, rather than be lost.
void put_back(Output &file) {
  if (file.exists && file.backup[0] != '\0') {
    if (replace_file(file.backup.data(), file.target.data()) == 0)
      file.backup[0] = '\0';
  } else if (!file.exists) {
    (void)remove_file(file.target.data());
    drop_backup(file);
  }
}

// Puts the new files in place, in order, or none of them: should one fail,
// those before it are put back, and stuck names it.
int put_all_in_place(std::span<Output *const> files, const Output *&stuck) {
  for (std::size_t placed = 0; placed < files.size(); ++placed) {
    if (const int code = put_in_place(*files[placed], placed + 1 == files.size()); code != 0) {
      stuck = files[placed];
      while (placed-- > 0)
        put_back(*files[placed]);
      return code;
    }
  }
  for (Output *file : files)
    drop_backup(*file);
  return 0;
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

Output &output(Form form) {
  Output &file = outputs[static_cast<std::size_t>(form)];
  file.form = form;
  return file;
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

void watch_interrupts() {
  on_interrupt(remove_temporaries);
}

Failure find_outfile(const char *path) {
  Output &file = output(Form::image);
  if (const int code = find_file(file, path); code != 0)
    return output_failed(file, false, {code, nullptr});
  if (const Failure failure = keep_report_apart(file); failed(failure))
    return failure;
  file.in_place = file.exists && file.found.type != FileType::regular;
  return file.in_place ? Failure{} : begin_output(file);
}

Failure name_planned(const char *outfile, const char *program) {
  if (find_file(output(Form::image), outfile, look_up) != 0)
    output(Form::image).path = nullptr;
  if (find_file(planned_program, program, look_up) != 0)
    planned_program.path = nullptr;
  // Neither is written, and neither takes the report.
  if (const Failure failure = keep_report_apart(output(Form::image)); failed(failure))
    return failure;
  return keep_report_apart(planned_program);
}

const FileInfo *outfile_found() {
  const Output &file = output(Form::image);
  return file.exists && !file.in_place ? &file.found : nullptr;
}

Failure check_outfile(bool force) {
  return check_made(output(Form::image), force);
}

Failure find_output(Form form, const char *path, const Inputs &inputs, bool force) {
  Output &file = output(form);
  if (const int code = find_file(file, path); code != 0)
    return output_failed(file, false, {code, nullptr});
  if (file.exists && file.found.type != FileType::regular)
    return output_failed(file, false, {ESPIPE, nullptr, reason_not_regular});
  for (const Output &other : outputs) {
    if (&other == &file)
      break;
    // A device as the outfile is written in place; no regular file is it.
    if (other.path != nullptr && !other.in_place && same_target(file, other))
      return output_failed(
          file, false,
          {EINVAL, nullptr,
           other.form == Form::image ? reason_output_is_input : reason_output_twice});
  }
  bool same = planned_program.path != nullptr && same_target(file, planned_program);
  same = same || (inputs.program != nullptr && same_input(file, *inputs.program));
  for (const Input &input : inputs.data)
    same = same || same_input(file, input);
  if (same)
    return output_failed(file, false, {EINVAL, nullptr, reason_output_is_input});
  if (const Failure failure = check_made(file, force); failed(failure))
    return failure;
  if (const Failure failure = keep_report_apart(file); failed(failure))
    return failure;
  return begin_output(file);
}

Failure open_outfile() {
  Output &file = output(Form::image);
  if (!file.in_place)
    return {};
  // Opening waits for a FIFO's reader, so it comes only once every input has
  // passed; and what is opened must be what was found.
  int code = open_in_place(file.path, file.stream);
  FileInfo info{};
  if (code == 0)
    code = identify(file.stream, info);
  if (code == 0 && !same_file(info.id, file.found.id))
    return output_failed(file, false, {EAGAIN, nullptr, reason_replaced});
  return code == 0 ? Failure{} : output_failed(file, false, {code, nullptr});
}

Failure finish_output(Output &file) {
  int code = std::fflush(file.stream) != 0 || std::ferror(file.stream) != 0 ? errno : 0;
  if (std::fclose(file.stream) != 0 && code == 0)
    code = errno;
  file.stream = nullptr;
  return code == 0 ? Failure{} : output_failed(file, true, {code, nullptr});
}

Failure commit_outputs() {
  // Only files with a new one to put in place: not a device written in
  // place, nor the outfile of a planning run.
  std::array<Output *, form_count> files{};
  std::size_t count = 0;
  for (Output &file : outputs) {
    if (file.temporary[0] == '\0')
      continue;
    // A map or an include keeps its time, for make.
    if (file.form != Form::image && same_content(file)) {
      // Only untidy: the run goes on to its end.
      if (abandon(file) != 0)
        report("Warning - could not remove temporary file %s\n", file.temporary.data());
      continue;
    }
    files[count++] = &file;
  }
  // An interrupt now would leave some files replaced and others not; it
  // waits until all are, or none.
  hold_interrupts();
  const Output *stuck = nullptr;
  const int code = put_all_in_place(std::span(files).first(count), stuck);
  release_interrupts();
  // The files are in place either way: a name left over is only untidy.
  for (const Output *file : std::span(files).first(count))
    if (file->backup[0] != '\0')
      report("Warning - could not remove temporary file %s\n", file->backup.data());
  if (code == 0)
    return {};
  return output_failed(
      *stuck, true, {code, nullptr, code == EEXIST && !stuck->exists ? reason_appeared : nullptr});
}

void abandon_outputs() {
  for (Output &file : outputs)
    if (const int code = abandon(file); code != 0)
      report_left_behind(file.temporary.data(), code);
}
