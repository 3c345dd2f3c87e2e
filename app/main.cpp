#include "app/options.h"
#include "app/outputs.h"
#include "app/status.h"
#include "image/map.h"
#include "image/sizing.h"
#include "image/writer.h"
#include "sys/platform.h"
#include "sys/replace.h"
#include "sys/report.h"

#include <array>
#include <span>

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

// The status of a failed write pass, by the kind of file that stopped it.
int status_of(WriteFault fault) {
  if (fault == WriteFault::data_file)
    return status_data;
  if (fault == WriteFault::program_file)
    return status_program;
  return status_outfile;
}

// What one run writes. Each file is made new beside its target and put in
// place only at the end, all of them or none.
struct Outputs {
  Output outfile{"outfile", status_outfile, {}, false};
  Output map{"map", status_map, {}, false};
};

// The inputs as sized: too many for the stack.
std::array<Input, max_inputs> sized;

int run(const Options &options, Outputs &out) {
  const char *outfile = options.paths[0];
  const char *program = options.paths[1];
  const std::span<char *const> data = options.paths.subspan(2);
  const std::span<Input> inputs = std::span(sized).first(std::min(sized.size(), data.size() + 1));

  if (const int status = find_outfile(out.outfile, outfile); status != status_ok)
    return status;
  switch (size_inputs(outfile, outfile_found(out.outfile), program, data, inputs)) {
  case SizeFault::none:
    break;
  case SizeFault::is_outfile:
    return status_outfile;
  case SizeFault::input:
    return status_sizing;
  }
  if (options.map != nullptr) {
    if (const int status = find_output(out.map, options.map, out.outfile, inputs);
        status != status_ok)
      return status;
  }
  Plan plan{};
  if (!make_plan(outfile, inputs, plan))
    return status_sizing;
  if (const int status = open_outfile(out.outfile); status != status_ok)
    return status;

  const WriteResult written =
      write_image(out.outfile.file.stream, outfile, plan, program, data, inputs);
  if (written.fault != WriteFault::none)
    return status_of(written.fault);
  // An input that changed between the two passes gives an image unlike the
  // plan; it can move the program bank, too.
  if (written.changed || written.program_page != program_page) {
    report("* WARNING - program should be at 0xffff - internal error?\n");
    explain(outfile, "an input changed size while romweld ran");
    return status_misplaced;
  }
  if (const int status = finish_output(out.outfile); status != status_ok)
    return status;
  if (options.map != nullptr) {
    write_map(out.map.file.stream, plan, program, data, inputs);
    if (const int status = finish_output(out.map); status != status_ok)
      return status;
  }
  Output *const files[] = {&out.outfile, &out.map};
  if (const int status = commit_outputs(files); status != status_ok)
    return status;
  progress("Finished writing '%s'.\n", outfile);
  return status_ok;
}

} // namespace

int main(int argc, char **argv) {
  keep_standard_streams();
  Options options{};
  int status = status_ok;
  switch (parse_options(utf8_arguments(argc, argv), options)) {
  case Request::help:
    help_lines();
    break;
  case Request::version:
    report("romweld %s\n", ROMWELD_VERSION);
    break;
  case Request::usage:
    usage_lines();
    status = status_usage;
    break;
  case Request::run: {
    set_quiet(options.quiet);
    Outputs out;
    on_interrupt(remove_temporaries);
    status = run(options, out);
    // Any end but a finished run leaves every file as it was.
    if (status != status_ok) {
      abandon_output(out.outfile);
      abandon_output(out.map);
    }
    break;
  }
  }
  // The report is part of what the run promises; the files stay as they are.
  if (!finish_report() && status == status_ok)
    status = status_report;
  return status;
}
