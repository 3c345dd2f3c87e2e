#include "app/options.h"
#include "app/status.h"
#include "image/map.h"
#include "image/sizing.h"
#include "image/writer.h"
#include "sys/platform.h"
#include "sys/report.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <span>
#include <system_error>

namespace fs = std::filesystem;

namespace {

void usage_lines() {
  report("romweld <outfile> <program> <data1> <data2> <data3> ...\n");
  report("Program is padded to 16k, then banks are appended.\n");
  report("MegaCart uses inverted bank order, program goes at the end.\n");
}

void help_lines() {
  usage_lines();
  report("  -h, --help      print this help and exit\n");
  report("      --version   print the version and exit\n");
  report("  -q, --quiet     print only warnings and failures\n");
  report("      --map FILE  write the bank map of the finished image to FILE\n");
  report("      --          end the options: every argument after it is a path\n");
}

// Whether two paths name one file, by identity: a link, a hard link or the
// same path typed twice. A path that cannot be looked up for any reason but
// not existing sets ec.
bool same_file(const char *a, const char *b, std::error_code &ec) {
  return fs::equivalent(native_path(a), native_path(b), ec);
}

// The write pass truncates the outfile, so it must not be one of the inputs.
// It is compared now that it exists, so that a dangling link to it is caught
// too. An input that cannot be looked up might be the outfile, so the run
// stops there; a missing one is left to the sizing pass.
int check_inputs(const Outfile &outfile, std::span<char *const> inputs) {
  for (const char *path : inputs) {
    std::error_code ec;
    const bool same = same_file(outfile.path, path, ec);
    if (ec) {
      const int code = ec.default_error_condition().value();
      fail(path, reason_of(code), "Failed to size file %s, code %d\n", path, code);
      return status_sizing;
    }
    if (same) {
      fail(outfile.path, "is also an input file",
           "Failed to open outfile, it is also an input file, code %d\n", EINVAL);
      return status_outfile;
    }
  }
  return status_ok;
}

int map_failed(const char *map, const char *reason, int code) {
  fail(map, reason, "Failed to open map file %s, code %d\n", map, code);
  return status_map;
}

// The finished map is renamed over its path, which must therefore be new or
// a regular file that is neither the outfile nor an input.
int check_map(const char *map, std::span<char *const> paths) {
  std::error_code ec;
  const fs::file_status status = fs::status(native_path(map), ec);
  if (status.type() == fs::file_type::not_found)
    return status_ok;
  if (!ec && status.type() != fs::file_type::regular)
    return map_failed(map, "not a regular file", ESPIPE);
  bool same = false;
  for (std::size_t i = 0; i < paths.size() && !ec && !same; ++i)
    same = same_file(map, paths[i], ec);
  if (ec)
    return map_failed(map, reason_of(ec.default_error_condition().value()),
                      ec.default_error_condition().value());
  if (same)
    return map_failed(map, "is the outfile or an input file", EINVAL);
  return status_ok;
}

// Only once every input has passed is an old image given up.
int empty_outfile(const Outfile &outfile) {
  if (!outfile.regular || outfile.created)
    return status_ok;
  const int code = resize_open_file(outfile.stream, 0);
  if (code == 0)
    return status_ok;
  errno = code;
  outfile_failed(outfile);
  return status_outfile;
}

// A run that fails before its write pass leaves the outfile as it found it:
// untouched, with its old time, so that make still sees it as out of date; or
// gone again, if this run created it.
int put_back(const Outfile &outfile, int status) {
  (void)std::fclose(outfile.stream);
  if (!outfile.created || !outfile.regular)
    return status;
  std::error_code ec;
  (void)fs::remove(native_path(outfile.path), ec);
  if (ec) {
    errno = ec.default_error_condition().value();
    outfile_failed(outfile);
  }
  return status;
}

// The status of a failed write pass, by the kind of file that stopped it.
int status_of(WriteFault fault) {
  if (fault == WriteFault::data_file)
    return status_data;
  if (fault == WriteFault::program_file)
    return status_program;
  return status_outfile;
}

int run(const Options &options) {
  const char *program = options.paths[1];
  const std::span<char *const> data = options.paths.subspan(2);

  Outfile outfile{};
  if (!open_outfile(options.paths[0], outfile)) {
    const int code = errno;
    fail(options.paths[0], reason_of(code), "Failed to open outfile, code %d\n", code);
    return status_outfile;
  }
  int status = status_ok;
  if (outfile.regular)
    status = check_inputs(outfile, options.paths.subspan(1));
  if (status == status_ok && options.map != nullptr)
    status = check_map(options.map, options.paths);
  Plan plan{};
  if (status == status_ok && !make_plan(outfile.path, program, data, plan))
    status = status_sizing;
  if (status == status_ok && options.map != nullptr && !open_map(options.map))
    status = status_map;
  if (status == status_ok)
    status = empty_outfile(outfile);
  if (status != status_ok)
    return put_back(outfile, status);

  // From here on a failure leaves the outfile holding the banks written
  // before it.
  const WriteResult written = write_image(outfile, plan, program, data);
  if (written.fault != WriteFault::none) {
    if (outfile.regular)
      cut_to_whole_banks(outfile);
    // The failure is reported already; closing may fail again the same way.
    (void)std::fclose(outfile.stream);
    return status_of(written.fault);
  }

  // Only an input that changed size between the two passes moves the program.
  const bool misplaced = written.program_page != program_page;
  if (misplaced)
    report("* WARNING - program should be at 0xffff - internal error?\n");
  // Every bank is in the outfile by now, but some file systems (NFS among them)
  // report a failed write only when the file is closed.
  if (std::fclose(outfile.stream) != 0) {
    outfile_failed(outfile);
    return status_outfile;
  }
  if (misplaced)
    return status_misplaced;
  if (!commit_map())
    return status_map;
  progress("Finished writing '%s'.\n", outfile.path);
  return status_ok;
}

} // namespace

int main(int argc, char **argv) {
  Options options{};
  switch (parse_options(utf8_arguments(argc, argv), options)) {
  case Request::help:
    help_lines();
    return status_ok;
  case Request::version:
    report("romweld %s\n", ROMWELD_VERSION);
    return status_ok;
  case Request::usage:
    usage_lines();
    return status_usage;
  case Request::run:
    break;
  }
  set_quiet(options.quiet);
  const int status = run(options);
  // A map is put in place only for a finished image; any other end removes it.
  discard_map();
  return status;
}
