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
#include <cerrno>
#include <span>

namespace {

void usage_lines() {
  report("romweld <outfile> <program> <data1> <data2> <data3> ...\n");
  report("Program is padded to 16k, then banks are appended.\n");
  report("MegaCart uses inverted bank order, program goes at the end.\n");
}

void help_lines() {
  usage_lines();
  report("  -h, --help         print this help and exit\n");
  report("      --version      print the version and exit\n");
  report("  -q, --quiet        print only warnings and failures\n");
  report("      --map FILE     write the bank map of the finished image to FILE\n");
  report("      --equ FILE     write the data files' page constants as assembler EQUs\n");
  report("      --header FILE  write the data files' page constants as a C header\n");
  report("      --plan         write only the map and includes, no image; the program\n");
  report("                     need not exist yet\n");
  report("      --summary      print the banks used and the room left\n");
  report("      --strict       fail where a warning would be printed\n");
  report("      --banks N      make the image exactly N banks (a power of two)\n");
  report("      --             end the options: every argument after it is a path\n");
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
  Output outfile{"outfile", status_outfile, false, {}, false};
  Output map{"map", status_map, true, {}, false};
  Output equ{"include", status_include, true, {}, false};
  Output header{"include", status_include, true, {}, false};
};

// The inputs as sized: too many for the stack.
std::array<Input, max_inputs> sized;

// The bank count --banks asks for, a power of two of at most max_banks; 0 if
// it was not given; -1 if it is not valid, which is reported.
std::int64_t asked_banks(const char *text) {
  if (text == nullptr)
    return 0;
  std::int64_t banks = 0;
  const char *c = text;
  for (; *c >= '0' && *c <= '9' && banks <= max_banks; ++c)
    banks = banks * 10 + (*c - '0');
  if (*c == '\0' && banks >= 1 && banks <= max_banks && (banks & (banks - 1)) == 0)
    return banks;
  fail("--banks", EINVAL, "not a power of two from 1 to 65536", "Failed to use --banks %s", text);
  return -1;
}

// Finds the map and the includes that were asked for, each checked against
// the outfile, the inputs and the others.
int find_outputs(const Options &options, Outputs &out, std::span<const Input> inputs) {
  const std::pair<const char *, Output *> asked[] = {
      {options.map, &out.map}, {options.equ, &out.equ}, {options.header, &out.header}};
  const Output *found[std::size(asked) + 1] = {&out.outfile};
  std::size_t count = 1;
  for (const auto &[path, output] : asked) {
    if (path == nullptr)
      continue;
    if (const int status = find_output(*output, path, {found, count}, inputs); status != status_ok)
      return status;
    found[count++] = output;
  }
  return status_ok;
}

// Writes the map and the includes that were asked for, and closes them.
int write_outputs(Outputs &out, const Plan &plan, const char *program, std::span<char *const> data,
                  std::span<const Input> inputs) {
  if (out.map.file.stream != nullptr)
    write_map(out.map.file.stream, plan, program, data, inputs);
  if (out.equ.file.stream != nullptr)
    write_equ(out.equ.file.stream, plan, data, inputs);
  if (out.header.file.stream != nullptr)
    write_header(out.header.file.stream, out.header.file.path, plan, data, inputs);
  for (Output *output : {&out.map, &out.equ, &out.header})
    if (output->file.stream != nullptr) {
      if (const int status = finish_output(*output); status != status_ok)
        return status;
    }
  Output *const files[] = {&out.outfile, &out.map, &out.equ, &out.header};
  return commit_outputs(files);
}

int run(const Options &options, Outputs &out) {
  const char *outfile = options.paths[0];
  const char *program = options.paths[1];
  const std::span<char *const> data = options.paths.subspan(2);
  const std::span<Input> inputs = std::span(sized).first(std::min(sized.size(), data.size() + 1));

  const std::int64_t banks = asked_banks(options.banks);
  if (banks < 0)
    return status_option;
  if (const int status = find_outfile(out.outfile, outfile, !options.plan); status != status_ok)
    return status;
  // A planning run leaves the program alone: it need not exist yet.
  inputs[0] = {};
  if (const SizeFault fault = size_inputs(outfile, outfile_found(out.outfile),
                                          options.plan ? nullptr : program, data, inputs);
      fault != SizeFault::none)
    return fault == SizeFault::is_outfile ? status_outfile : status_sizing;
  if (options.strict && inputs[0].size > program_bank_capacity) {
    fail(program, EFBIG, "larger than its bank of 16384 bytes",
         "Failed to fit program file of %lld bytes in its bank",
         static_cast<long long>(inputs[0].size));
    return status_strict_program;
  }
  if (const int status = find_outputs(options, out, inputs); status != status_ok)
    return status;
  if ((options.equ != nullptr || options.header != nullptr) && names_clash(data, options.header))
    return status_names;
  Plan plan{};
  if (const PlanFault fault = make_plan(outfile, inputs, banks, plan); fault != PlanFault::none)
    return fault == PlanFault::more_than_asked ? status_banks : status_sizing;
  report_padding(plan, !options.strict);
  if (options.strict && plan.image_banks > megacart_limit) {
    fail(outfile, EFBIG, "larger than the 1MB of a MegaCart",
         "Failed to fit image of %lld banks in 1MB", static_cast<long long>(plan.image_banks));
    return status_strict_image;
  }
  if (options.plan) {
    if (const int status = write_outputs(out, plan, program, data, inputs); status != status_ok)
      return status;
    if (options.summary)
      write_summary(plan, data, inputs);
    return status_ok;
  }

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
  if (const int status = write_outputs(out, plan, program, data, inputs); status != status_ok)
    return status;
  progress("Finished writing '%s'.\n", outfile);
  if (options.summary)
    write_summary(plan, data, inputs);
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
    if (status != status_ok)
      for (Output *output : {&out.outfile, &out.map, &out.equ, &out.header})
        abandon_output(*output);
    break;
  }
  }
  // The report is part of what the run promises; the files stay as they are.
  if (!finish_report() && status == status_ok)
    status = status_report;
  return status;
}
