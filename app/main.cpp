#include "app/report.h"
#include "app/status.h"
#include "image/layout.h"
#include "image/writer.h"

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

// Creating the outfile truncates it, so it must not be one of the inputs under
// another name: a link, or the same path typed twice.
bool is_an_input(const char *outfile, std::span<char *const> inputs) {
  std::error_code ec;
  for (const char *path : inputs)
    if (std::filesystem::equivalent(outfile, path, ec))
      return true;
  return false;
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
  if (argc < 4)
    return usage();
  const std::span<char *const> args(argv + 1, static_cast<std::size_t>(argc - 1));
  const char *outfile = args[0];
  const char *program = args[1];
  const std::span<char *const> data = args.subspan(2);

  if (is_an_input(outfile, args.subspan(1))) {
    report("Failed to open outfile, it is also an input file, code %d\n", EINVAL);
    return status_outfile;
  }
  // From here on the outfile exists, whatever happens later. A failed write
  // pass leaves it holding the banks written before the failure.
  std::FILE *image = std::fopen(outfile, "wb");
  if (image == nullptr) {
    report("Failed to open outfile, code %d\n", errno);
    return status_outfile;
  }

  Plan plan{};
  if (!make_plan(program, data, plan))
    return status_sizing;

  const WriteResult written = write_image(image, plan, program, data);
  if (written.fault != WriteFault::none) {
    // The failure is reported already; closing may fail again the same way.
    (void)std::fclose(image);
    cut_to_whole_banks(outfile);
    return status_of(written.fault);
  }

  // Only an input that changed size between the two passes moves the program.
  const bool misplaced = written.program_page != program_page;
  if (misplaced)
    report("* WARNING - program should be at 0xffff - internal error?\n");
  // Every bank is flushed by now, but some file systems (NFS among them)
  // report a failed write only when the file is closed.
  if (std::fclose(image) != 0) {
    // GCOVR_EXCL_START: needs a file system that fails at close
    report("Failed to write outfile, code %d\n", errno);
    return status_outfile;
  } // GCOVR_EXCL_STOP
  if (misplaced)
    return status_misplaced;
  report("Finished writing '%s'.\n", outfile);
  return status_ok;
}
