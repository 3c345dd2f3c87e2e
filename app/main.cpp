#include "app/report.h"
#include "app/status.h"
#include "image/layout.h"
#include "image/writer.h"
#include "sys/platform.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <span>
#include <system_error>

namespace {

int usage() {
  report("romweld <outfile> <program> <data1> <data2> <data3> ...\n");
  report("Program is padded to 16k, then banks are appended.\n");
  report("MegaCart uses inverted bank order, program goes at the end.\n");
  return status_usage;
}

// The write pass truncates the outfile, so it must not be one of the inputs
// under another name: a link, a hard link, or the same path typed twice. It is
// compared now that it exists, so that a dangling link to it is caught too.
// An input that cannot be looked up might be the outfile, so the run stops
// there; a missing one is left to the sizing pass.
int check_inputs(const char *outfile, std::span<char *const> inputs) {
  for (const char *path : inputs) {
    std::error_code ec;
    const bool same = std::filesystem::equivalent(native_path(outfile), native_path(path), ec);
    if (ec) {
      report("Failed to size file %s, code %d\n", path, ec.default_error_condition().value());
      return status_sizing;
    }
    if (same) {
      report("Failed to open outfile, it is also an input file, code %d\n", EINVAL);
      return status_outfile;
    }
  }
  return status_ok;
}

// A run that fails before its write pass leaves the outfile as it found it:
// untouched, with its old time, so that make still sees it as out of date; or
// gone again, if this run created it.
int put_back(const char *outfile, const Outfile &out, int status) {
  (void)std::fclose(out.stream);
  std::error_code ec;
  if (out.created && out.regular && !std::filesystem::remove(native_path(outfile), ec))
    report("Failed to write outfile, code %d\n", ec.default_error_condition().value());
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

} // namespace

int main(int argc, char **argv) {
  const std::span<char *const> args = utf8_arguments(argc, argv);
  if (args.size() < 3)
    return usage();
  const char *outfile = args[0];
  const char *program = args[1];
  const std::span<char *const> data = args.subspan(2);

  Outfile out{};
  if (!open_outfile(outfile, out)) {
    report("Failed to open outfile, code %d\n", errno);
    return status_outfile;
  }
  if (out.regular) {
    if (const int status = check_inputs(outfile, args.subspan(1)); status != status_ok)
      return put_back(outfile, out, status);
  }
  Plan plan{};
  if (!make_plan(program, data, plan))
    return put_back(outfile, out, status_sizing);
  // Only now, with every input sized, is the old image given up.
  if (out.regular && !out.created) {
    if (const int code = resize_open_file(out.stream, 0); code != 0) {
      report("Failed to write outfile, code %d\n", code);
      return put_back(outfile, out, status_outfile);
    }
  }

  // From here on a failure leaves the outfile holding the banks written
  // before it.
  const WriteResult written = write_image(out.stream, plan, program, data);
  if (written.fault != WriteFault::none) {
    if (out.regular)
      cut_to_whole_banks(out.stream);
    // The failure is reported already; closing may fail again the same way.
    (void)std::fclose(out.stream);
    return status_of(written.fault);
  }

  // Only an input that changed size between the two passes moves the program.
  const bool misplaced = written.program_page != program_page;
  if (misplaced)
    report("* WARNING - program should be at 0xffff - internal error?\n");
  // Every bank is flushed by now, but some file systems (NFS among them)
  // report a failed write only when the file is closed.
  if (std::fclose(out.stream) != 0) {
    // GCOVR_EXCL_START: needs a file system that fails at close
    report("Failed to write outfile, code %d\n", errno);
    return status_outfile;
  } // GCOVR_EXCL_STOP
  if (misplaced)
    return status_misplaced;
  report("Finished writing '%s'.\n", outfile);
  return status_ok;
}
