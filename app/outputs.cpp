#include "app/outputs.h"

#include "app/status.h"
#include "sys/report.h"

#include <cerrno>

namespace {

int output_failed(const Output &output, const char *verb, int code, const char *reason = nullptr) {
  if (output.status == status_outfile)
    fail(output.file.path, code, reason, "Failed to %s outfile", verb);
  else
    fail(output.file.path, code, reason, "Failed to %s %s file %s", verb, output.kind,
         output.file.path);
  return output.status;
}

// Standard output may be one of the files the run writes (/dev/stdout, or a
// shell's redirection to it); the report then goes to standard error, so
// that it never lands in the image.
void keep_report_apart(const Replacement &file) {
  FileInfo out{};
  if (file.exists && identify(stdout, out) == 0 && same_file(out.id, file.found.id))
    divert_report();
}

} // namespace

int find_outfile(Output &outfile, const char *path, bool begin) {
  if (const int code = find_replacement(outfile.file, path); code != 0)
    return output_failed(outfile, "open", code);
  keep_report_apart(outfile.file);
  outfile.in_place = outfile.file.exists && outfile.file.found.type != FileType::regular;
  if (outfile.in_place || !begin)
    return status_ok;
  if (const int code = begin_replacement(outfile.file); code != 0)
    return output_failed(outfile, "open", code);
  return status_ok;
}

const FileInfo *outfile_found(const Output &outfile) {
  return outfile.file.exists && !outfile.in_place ? &outfile.file.found : nullptr;
}

int find_output(Output &output, const char *path, std::span<const Output *const> before,
                std::span<const Input> inputs) {
  Replacement &file = output.file;
  if (const int code = find_replacement(file, path); code != 0)
    return output_failed(output, "open", code);
  // The number is ESPIPE's, for want of one that says "not a regular file".
  if (file.exists && file.found.type != FileType::regular)
    return output_failed(output, "open", ESPIPE, "not a regular file");
  bool same = false;
  for (const Output *other : before) {
    // A device as the outfile is written in place; no regular file is it.
    if (other->file.path == nullptr || other->in_place)
      continue;
    if (const int code = same_target(file, other->file, same); code != 0)
      return output_failed(output, "open", code);
    if (same)
      return output_failed(output, "open", EINVAL,
                           other->status == status_outfile ? "is the outfile or an input file"
                                                           : "is another file this run writes");
  }
  for (const Input &input : inputs)
    same = same || (file.exists && same_file(file.found.id, input.id));
  if (same)
    return output_failed(output, "open", EINVAL, "is the outfile or an input file");
  keep_report_apart(file);
  if (const int code = begin_replacement(file); code != 0)
    return output_failed(output, "open", code);
  return status_ok;
}

int open_outfile(Output &outfile) {
  if (!outfile.in_place)
    return status_ok;
  // Opening waits for a FIFO's reader, so it comes only once every input has
  // passed; and what is opened must be what was found.
  Replacement &file = outfile.file;
  int code = open_in_place(file.path, file.stream);
  FileInfo info{};
  if (code == 0)
    code = identify(file.stream, info);
  if (code == 0 && !same_file(info.id, file.found.id))
    return output_failed(outfile, "open", EAGAIN, "replaced while romweld ran");
  return code == 0 ? status_ok : output_failed(outfile, "open", code);
}

int finish_output(Output &output) {
  if (const int code = finish_replacement(output.file); code != 0)
    return output_failed(output, "write", code);
  return status_ok;
}

int commit_outputs(std::span<Output *const> outputs) {
  // Only files with a new one to put in place: not a device written in
  // place, nor the outfile of a planning run.
  constexpr std::size_t most = 4;
  Replacement *files[most];
  Output *owners[most];
  std::size_t count = 0;
  for (Output *output : outputs) {
    bool same = false;
    if (output->file.temporary[0] == '\0' || count == most)
      continue;
    if (output->keep_if_unchanged && same_content(output->file, same) == 0 && same) {
      abandon_output(*output);
      continue;
    }
    owners[count] = output;
    files[count++] = &output->file;
  }
  std::size_t failed = 0;
  const int code = commit_replacements({files, count}, failed);
  // The files are in place either way: a name left over is only untidy.
  for (Replacement *file : std::span(files, count))
    if (file->backup[0] != '\0')
      report("Warning - could not remove temporary file %s\n", file->backup.data());
  return code != 0 ? output_failed(*owners[failed], "write", code) : status_ok;
}

void abandon_output(Output &output) {
  if (const int code = abandon_replacement(output.file); code != 0)
    fail(output.file.temporary.data(), code, nullptr, "Failed to remove temporary file %s",
         output.file.temporary.data());
}
