// Runs the built tool on files made for each case and compares what a user
// sees: the exact report, an empty standard error, the exit status, the image
// bytes, and inputs that are never changed.

#include "image/made.h"
#include "image_model.h"
#include "tool.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <map>
#include <set>

namespace fs = std::filesystem;

namespace {

// old_equ: the assembler include that the run writes, with a time long past;
// cartridge: bytes that begin with the cartridge header, as a program does;
// bare: bytes that never get one, even as the program; image and map: files
// as romweld makes them, of padding banks and a program bank, and a header
// line and a row; zero_tails: bytes whose every 16k ends in 256 zeros, as
// many of a user's files do; disk: a disk image of zeros but its superblock.
enum class Kind {
  bytes,
  sparse,
  directory,
  fifo,
  symlink,
  hardlink,
  old_equ,
  cartridge,
  bare,
  image,
  map,
  zero_tails,
  disk
};

struct Input {
  std::string name;
  Kind kind;
  std::int64_t size = 0;
  std::string target = {}; // for links
};

Input file(std::string name, std::int64_t size) {
  return {std::move(name), Kind::bytes, size};
}

// What the outfile must hold after the run.
enum class Left {
  image,     // the first banks of the model image
  absent,    // never created, or removed again
  unchecked, // a device, or no file at all
  as_found,  // as it was before the run, down to its time
  on_stdout, // the first banks of the model image, on standard output
};
struct Outfile {
  Left left;
  std::int64_t banks = 0; // of the model image
};
constexpr Outfile no_outfile{Left::absent};
constexpr Outfile not_read{Left::unchecked};
constexpr Outfile kept{Left::as_found};
constexpr Outfile image(std::int64_t banks) {
  return {Left::image, banks};
}

// The report of a finished run as the model gives it.
const std::string from_model = "(the model's report)";
// The line on standard error that says how the command line was read, as
// the test makes it from the row's own arguments.
const std::string read_as = "(how the command line was read)\n";

struct Case {
  const char *name;
  std::vector<Input> inputs;
  std::vector<std::string> args;
  std::string out; // or from_model
  std::string err; // in words, after each failure
  int status;
  Outfile outfile;
  std::int64_t file_limit = 0;           // bytes the tool may write to a file, if above 0
  std::vector<std::string> options = {}; // before the paths in args
  std::string redirect = "";             // of the standard streams, after the tool's own
};

const std::string usage = "romweld <outfile> <program> <data1> <data2> <data3> ...\n"
                          "Program is padded to 16k, then banks are appended.\n"
                          "MegaCart uses inverted bank order, program goes at the end.\n";
// The line on standard error of an image smaller than any MegaCart board.
std::string small(const std::string &outfile) {
  return "romweld: " + outfile +
         ": no MegaCart board or openMSX takes an image under 128k; --min-banks 8 makes it 128k\n";
}
const std::string small_out = small("out.rom");
// The line on standard error that says how many paths a usage lacks.
std::string paths_missing(int got) {
  return "romweld: needs an outfile, a program and at least one data file; got " +
         std::to_string(got) + (got == 1 ? " path\n" : " paths\n");
}
// A failure's line on standard error, in the tool's own words.
std::string reason(const std::string &path, const char *words) {
  return std::string("romweld: ").append(path).append(": ").append(words).append("\n");
}
// The line that follows the reading after a refusal to replace a file.
std::string forced(const std::string &path) {
  return std::string("romweld: -f replaces '").append(path).append("' all the same\n");
}
// The note on standard error of an image over 1 MB.
const std::string over_megacart = "romweld: out.rom: no MegaCart board or openMSX takes an image "
                                  "over 1024k; pages below FFC0 select no bank\n";
// What standard error says of a report that standard output, closed when the
// run began, lost.
const std::string lost = "romweld: standard output: Bad file descriptor\n";
const std::string also_input = "Failed to open outfile, it is also an input file, code 22\n";
const std::vector<std::string> example_args = {"out.rom", "p.bin", "d.bin"};

// Empty data files after the others, e0.dat on, many enough that their report
// lines outgrow any stream buffer.
template <typename Each> std::vector<Each> with_empty_files(std::vector<Each> list) {
  for (int i = 0; i < 200; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "e%d.dat", i);
    if constexpr (std::is_same_v<Each, Input>)
      list.push_back(file(name, 0));
    else
      list.push_back(name);
  }
  return list;
}

std::vector<std::string> with_repeated(std::vector<std::string> args, const std::string &name,
                                       int count) {
  args.insert(args.end(), static_cast<std::size_t>(count), name);
  return args;
}

// The worked example: a program of 8,000 bytes and a data file of 20,000.
const std::string worked_example_report =
    "Padding for 64k\n"
    "Opened data file 'd.bin'\n- starting address 4000 (page >FFFD)\n"
    "- ending address C000 (page >FFFF)\n"
    "Opened program file 'p.bin'\n- starting address C000 (page >FFFF)\n"
    "Finished writing 'out.rom'.\n";

// clang-format off
const Case cases[] = {
    {"usage_without_arguments", {}, {}, usage, paths_missing(0), 255, no_outfile},
    {"usage_with_one_argument", {}, {"out.rom"}, usage, paths_missing(1), 255, no_outfile},
    {"usage_with_two_arguments", {file("p.bin", 10)}, {"out.rom", "p.bin"}, usage,
     paths_missing(2), 255, no_outfile},
    {"worked_example",
     {file("p.bin", 8000), file("d.bin", 20000)}, example_args, worked_example_report,
     small_out, 0, image(4)},
    {"existing_outfile_is_truncated",
     {{"out.rom", Kind::image, 65536}, file("p.bin", 10), file("d.bin", 10)}, example_args, from_model, small_out, 0, image(2)},
    {"outfile_in_missing_folder",
     {file("p.bin", 10), file("d.bin", 10)}, {"no/such/out.rom", "p.bin", "d.bin"},
     "Failed to open outfile, code 2\n", "romweld: no/such/: no such folder\n" + read_as, 1,
     no_outfile},
    {"outfile_empty_path",
     {file("p.bin", 10), file("d.bin", 10)}, {"", "p.bin", "d.bin"},
     "Failed to open outfile, code 2\n",
     "romweld: : No such file or directory\n" + read_as, 1, not_read},
    {"missing_program_fails_sizing",
     {file("d.bin", 10)}, {"out.rom", "nope.bin", "d.bin"},
     "Failed to size file nope.bin, code 2\n",
     "romweld: nope.bin: No such file or directory\n" + read_as, 4, no_outfile},
    {"missing_second_data_file_fails_sizing",
     {file("p.bin", 10), file("d.bin", 10)}, {"out.rom", "p.bin", "d.bin", "nope.bin"},
     "Failed to size file nope.bin, code 2\n",
     "romweld: nope.bin: No such file or directory\n" + read_as, 4, no_outfile},
    // Writes are checked.
    {"full_disk_at_first_data_bank",
     {file("p.bin", 10), file("d.bin", 10)}, {"/dev/full", "p.bin", "d.bin"},
     "Opened data file 'd.bin'\n- starting address 0 (page >FFFE)\n"
     "Failed to write outfile, code 28\n",
     small("/dev/full") + "romweld: /dev/full: No space left on device\n", 1, not_read},
    {"full_disk_while_padding", // 31 padding banks: more than one write
     {file("p.bin", 10), file("d.bin", 32 * 16128)}, {"/dev/full", "p.bin", "d.bin"},
     "Padding for 1024k\nFailed to write outfile, code 28\n",
     "romweld: /dev/full: No space left on device\n", 1, not_read},
    // A write that fails part-way through a bank leaves the outfile as it
    // was: absent, or the old image down to its time.
    {"file_size_limit_inside_padding",
     {file("p.bin", 10), file("d.bin", 80000)}, {"out.rom", "p.bin", "d.bin"},
     "Padding for 128k\nFailed to write outfile, code 27\n",
     "romweld: out.rom: File too large\n", 1, no_outfile, 16384 + 4096},
    {"file_size_limit_inside_second_data_bank_keeps_the_old_image",
     {{"out.rom", Kind::image, 32768}, file("p.bin", 10), file("d.bin", 40000)}, example_args,
     "Opened data file 'd.bin'\n- starting address 0 (page >FFFC)\n"
     "Failed to write outfile, code 27\n",
     small_out + "romweld: out.rom: File too large\n", 1, kept, 16384 + 512},
    {"file_size_limit_inside_program_bank",
     {file("p.bin", 10), file("d.bin", 10)}, {"out.rom", "p.bin", "d.bin"},
     "Opened data file 'd.bin'\n- starting address 0 (page >FFFE)\n"
     "- ending address 4000 (page >FFFF)\n"
     "Failed to write outfile, code 27\n",
     small_out + "romweld: out.rom: File too large\n", 1, no_outfile, 16384 + 8192},
    // A read error is not the end of a file.
    {"read_error_in_data_file",
     {file("p.bin", 10), file("d.bin", 20000)}, {"out.rom", "p.bin", "d.bin", "/proc/self/mem"},
     "Padding for 64k\n"
     "Opened data file 'd.bin'\n- starting address 4000 (page >FFFD)\n"
     "- ending address C000 (page >FFFF)\n"
     "Opened data file '/proc/self/mem'\n- starting address C000 (page >FFFF)\n"
     "Failed to read data file /proc/self/mem, code 5\n",
     small_out + "romweld: /proc/self/mem: Input/output error\n", 3, no_outfile},
    {"read_error_in_program_file",
     {file("d.bin", 100)}, {"out.rom", "/proc/self/mem", "d.bin"},
     "Opened data file 'd.bin'\n- starting address 0 (page >FFFE)\n"
     "- ending address 4000 (page >FFFF)\n"
     "Failed to read program file, code 5\n",
     small_out + "romweld: /proc/self/mem: Input/output error\n", 2, no_outfile},
    // Only regular files are inputs.
    {"folder_as_data_file",
     {file("p.bin", 10), {"dir", Kind::directory}}, {"out.rom", "p.bin", "dir"},
     "Failed to size file dir, code 21\n",
     "romweld: dir: is a directory\n" + read_as, 4, no_outfile},
    {"fifo_as_data_file_does_not_hang",
     {file("p.bin", 10), {"pipe", Kind::fifo}}, {"out.rom", "p.bin", "pipe"},
     "Failed to size file pipe, code 29\n",
     "romweld: pipe: not a regular file\n" + read_as, 4, no_outfile},
    {"endless_device_as_data_file",
     {file("p.bin", 10)}, {"out.rom", "p.bin", "/dev/zero"},
     "Failed to size file /dev/zero, code 29\n",
     "romweld: /dev/zero: not a regular file\n" + read_as, 4, no_outfile},
    {"symlink_to_data_file_is_followed",
     {file("p.bin", 10), file("d.bin", 10), {"link.bin", Kind::symlink, 0, "d.bin"}},
     {"out.rom", "p.bin", "link.bin"}, from_model,
     small_out, 0, image(2)},
    {"outfile_is_a_link_to_a_file_still_to_be_made",
     {file("p.bin", 10), file("d.bin", 10), {"out.rom", Kind::symlink, 0, "new.rom"}},
     example_args, from_model, small_out, 0, image(2)},
    // Sizes past 32 bits, and the ceiling of 65,536 banks.
    {"one_bank_over_the_page_range",
     {file("p.bin", 10), {"big.bin", Kind::sparse, 65536LL * 16128}},
     {"out.rom", "p.bin", "big.bin"},
     "Failed to plan image of 65537 banks, code 27\n",
     "romweld: out.rom: image would need 65537 banks, at most 65536 fit\n", 4, no_outfile},
    {"last_page_of_the_range_is_accepted", // stopped by the limit before 1 GiB is written
     {file("p.bin", 10), {"big.bin", Kind::sparse, 65535LL * 16128}},
     {"out.rom", "p.bin", "big.bin"},
     "Opened data file 'big.bin'\n- starting address 0 (page >0000)\n"
     "Failed to write outfile, code 27\n",
     over_megacart + "romweld: out.rom: File too large\n", 1, no_outfile, 1 << 20},
    {"data_files_of_five_four_and_two_gigabytes",
     {file("p.bin", 10),
      {"five.bin", Kind::sparse, 5368709120},
      {"four.bin", Kind::sparse, 4294967396},
      {"two.bin", Kind::sparse, 2147483647}},
     {"out.rom", "p.bin", "five.bin", "four.bin", "two.bin"},
     "Failed to plan image of 732342 banks, code 27\n",
     "romweld: out.rom: image would need 732342 banks, at most 65536 fit\n", 4, no_outfile},
    // The limit is on banks, not files: a one-byte file given 70,000 times.
    {"more_data_files_than_pages_packed_in_five_banks",
     {file("p.bin", 10), file("o.dat", 1)}, with_repeated({"out.rom", "p.bin"}, "o.dat", 70000),
     "", "", 0, image(8), 0, {"-q", "--pack", "--min-banks", "8"}},
    {"more_data_files_than_pages_unpacked",
     {file("p.bin", 10), file("o.dat", 1)}, with_repeated({"out.rom", "p.bin"}, "o.dat", 70000),
     "Failed to plan image of 70001 banks, code 27\n",
     "romweld: out.rom: image would need 70001 banks, at most 65536 fit\n", 4, no_outfile},
    {"sizing_failure_comes_before_the_ceiling",
     {file("p.bin", 10), {"big.bin", Kind::sparse, 5368709120}},
     {"out.rom", "p.bin", "big.bin", "nope.bin"},
     "Failed to size file nope.bin, code 2\n",
     "romweld: nope.bin: No such file or directory\n" + read_as, 4, no_outfile},
    // A file that yields more than it sized to moves the program bank.
    // A file that yields more than it sized to (as /proc files do) breaks the
    // plan: the old image stays.
    {"input_that_changed_size_keeps_the_old_image",
     {{"out.rom", Kind::image, 32768}, file("p.bin", 100)}, {"out.rom", "p.bin", "/proc/version"},
     "Opened data file '/proc/version'\n- starting address 0 (page >FFFF)\n"
     "- ending address 0 (page >FFFF)\n"
     "Opened program file 'p.bin'\n- starting address 0 (page >FFFF)\n"
     "* WARNING - program should be at 0xffff - internal error?\n",
     small_out + "romweld: out.rom: an input changed size while romweld ran\n", 5, kept},
    // The outfile never destroys an input.
    {"outfile_is_the_program",
     {file("p.bin", 10), file("d.bin", 10)}, {"p.bin", "p.bin", "d.bin"},
     also_input,
     "romweld: p.bin: is also an input file\n" + read_as, 1, kept},
    {"outfile_is_a_symlink_to_a_data_file",
     {file("p.bin", 10), file("d.bin", 10), {"out.rom", Kind::symlink, 0, "d.bin"}},
     {"out.rom", "p.bin", "d.bin"},
     also_input,
     "romweld: out.rom: is also an input file\n" + read_as, 1, kept},
    {"outfile_is_a_hard_link_to_a_data_file",
     {file("p.bin", 10), file("d.bin", 10), {"out.rom", Kind::hardlink, 0, "d.bin"}},
     {"out.rom", "p.bin", "d.bin"},
     also_input,
     "romweld: out.rom: is also an input file\n" + read_as, 1, kept},
    // The new image is not there while the inputs are read.
    {"data_file_is_a_dangling_link_to_the_outfile",
     {file("p.bin", 10), file("d.bin", 10), {"link.bin", Kind::symlink, 0, "out.rom"}},
     {"out.rom", "p.bin", "d.bin", "link.bin"},
     "Failed to size file link.bin, code 2\n",
     "romweld: link.bin: No such file or directory\n" + read_as, 4, no_outfile},
    // Nothing is changed before every input has passed.
    {"typo_keeps_the_old_image",
     {{"game.rom", Kind::image, 65536}, file("p.bin", 10), file("d.bin", 10)},
     {"game.rom", "p.bin", "levle.bin"},
     "Failed to size file levle.bin, code 2\n",
     "romweld: levle.bin: No such file or directory\n" + read_as, 4, kept},
    {"device_outfile_is_left_alone",
     {file("p.bin", 10)}, {"/dev/null", "p.bin", "nope.bin"},
     "Failed to size file nope.bin, code 2\n",
     "romweld: nope.bin: No such file or directory\n" + read_as, 4, kept},
    {"failed_run_keeps_a_dangling_outfile_link",
     {file("p.bin", 10), {"game.rom", Kind::symlink, 0, "tgt.rom"}},
     {"game.rom", "p.bin", "nope.bin"},
     "Failed to size file nope.bin, code 2\n",
     "romweld: nope.bin: No such file or directory\n" + read_as, 4, kept},
    {"fifo_outfile_with_a_missing_input_does_not_wait",
     {{"ff", Kind::fifo}, file("p.bin", 10)}, {"ff", "p.bin", "nope.bin"},
     "Failed to size file nope.bin, code 2\n",
     "romweld: nope.bin: No such file or directory\n" + read_as, 4, not_read},
    {"folder_as_outfile",
     {{"dir", Kind::directory}, file("p.bin", 10), file("d.bin", 10)}, {"dir", "p.bin", "d.bin"},
     "Failed to open outfile, code 21\n", "romweld: dir: is a directory\n" + read_as, 1, kept},
    // The standard streams are kept apart from every file of the run.
    {"closed_standard_error_keeps_messages_out_of_the_outfile",
     {{"out.rom", Kind::image, 65536}, file("p.bin", 10)}, {"out.rom", "p.bin", "nope.bin"},
     "Failed to size file nope.bin, code 2\n", "", 4, kept, 0, {}, "2>&-"},
    {"closed_standard_streams_keep_the_report_out_of_image_and_map", // a report of 20 KiB
     with_empty_files(std::vector<Input>{file("p.bin", 10), file("d.bin", 10)}),
     with_empty_files(example_args), "", small_out + lost, 7, image(2), 0, {"--map", "m.tsv"},
     "<&- >&-"},
    {"closed_standard_output_with_nothing_to_print", // nothing is lost
     {file("p.bin", 10), file("d.bin", 10)}, example_args, "", "", 0, image(8), 0,
     {"-q", "--min-banks", "8"}, ">&-"},
    {"standard_output_closed_is_no_outfile",
     {file("p.bin", 10), file("d.bin", 10)}, {"/dev/stdout", "p.bin", "d.bin"}, "",
     "romweld: /dev/stdout: is standard output, which was closed\n" + read_as + lost, 1,
     not_read, 0, {},
     ">&-"},
    {"outfile_is_standard_output", // the image there, the report on standard error
     {file("p.bin", 10), file("d.bin", 16385)}, {"/dev/stdout", "p.bin", "d.bin"}, "",
     "Padding for 64k\n" + small("/dev/stdout") +
     "Opened data file 'd.bin'\n- starting address 4000 (page >FFFD)\n"
     "- ending address C000 (page >FFFF)\n"
     "Opened program file 'p.bin'\n- starting address C000 (page >FFFF)\n"
     "Finished writing '/dev/stdout'.\n",
     0, {Left::on_stdout, 4}},
    {"report_into_a_full_disk_fails_and_keeps_the_image", // more than a stream buffer of it
     with_empty_files(std::vector<Input>{file("p.bin", 10), file("d.bin", 10)}),
     with_empty_files(example_args), "", small_out + "romweld: standard output: No space left on device\n",
     7, image(2), 0, {}, ">/dev/full"},
    {"report_into_a_full_disk_in_a_failed_run_is_said_once",
     {file("p.bin", 10)}, {"out.rom", "p.bin", "nope.dat"}, "",
     "romweld: nope.dat: No such file or directory\n" + read_as +
         "romweld: standard output: No space left on device\n",
     4, no_outfile, 0, {}, ">/dev/full"},
    {"help_into_a_full_disk_fails",
     {}, {}, "", "romweld: standard output: No space left on device\n", 7, no_outfile, 0,
     {"--help"}, ">/dev/full"},
    // Standard output is never an input: the report would be written into it.
    {"standard_output_is_a_data_file",
     {file("p.bin", 10), file("d.bin", 100)}, example_args, "",
     "Failed to size file d.bin, code 22\n"
     "romweld: d.bin: is also standard output, where the report goes\n" + read_as,
     4, no_outfile, 0, {}, ">>d.bin"},
    {"standard_output_is_the_program",
     {file("p.bin", 10), file("d.bin", 100)}, example_args, "",
     "Failed to size file p.bin, code 22\n"
     "romweld: p.bin: is also standard output, where the report goes\n" + read_as,
     4, no_outfile, 0, {}, ">>p.bin"},
    {"standard_error_is_a_data_file",
     {file("p.bin", 10), file("d.bin", 100)}, example_args, "Failed to size file d.bin, code 22\n",
     "", 4, no_outfile, 0, {}, "2>>d.bin"},
    {"planning_run_whose_standard_output_is_the_program",
     {file("p.bin", 10), file("d.bin", 100)}, example_args, "", small_out, 0, no_outfile, 0,
     {"--plan"}, ">>p.bin"},
    {"planning_run_whose_standard_error_is_the_outfile",
     {{"out.rom", Kind::image, 32768}, file("p.bin", 10), file("d.bin", 100)}, example_args,
     "", "", 0, kept, 0, {"--plan"}, "2>>out.rom"},
    // Names that differ only in case are one file where case is folded, and
    // so one file of the run everywhere.
    {"include_named_as_the_map_but_for_case",
     {file("p.bin", 10), file("d.bin", 10)}, example_args,
     "Failed to open include file X.MAP, code 22\n",
     "romweld: X.MAP: is another file this run writes\n" + read_as, 8, no_outfile, 0,
     {"--map", "x.map", "--equ", "X.MAP"}},
    {"map_named_as_the_outfile_but_for_case",
     {file("p.bin", 10), file("d.bin", 10)}, example_args,
     "Failed to open map file OUT.ROM, code 22\n",
     "romweld: OUT.ROM: is the outfile or an input file\n" + read_as, 6, no_outfile, 0,
     {"--map", "OUT.ROM"}},
    {"map_named_as_the_program_but_for_case",
     {file("p.bin", 10), file("d.bin", 10)}, example_args,
     "Failed to open map file P.BIN, code 22\n",
     "romweld: P.BIN: is the outfile or an input file\n" + read_as, 6, no_outfile, 0,
     {"--map", "P.BIN"}},
    {"include_named_as_an_old_include_but_for_case",
     {file("p.bin", 10), file("d.bin", 10), {"P.EQU", Kind::old_equ}}, example_args,
     "Failed to open include file p.equ, code 22\n",
     "romweld: p.equ: is another file this run writes\n" + read_as, 8, no_outfile, 0,
     {"--equ", "P.EQU", "--sdas", "p.equ"}},
    // An option after the paths is a path; the reading says where options go.
    {"option_after_the_paths",
     {file("p.bin", 10), file("title.dat", 10)}, {"g.rom", "p.bin", "title.dat", "--map", "g.map"},
     "Failed to size file --map, code 2\n",
     "romweld: --map: No such file or directory\n" + read_as, 4, no_outfile},
    // Names outside every ANSI code page, and one that best-fit mapping would
    // turn into another file's (A.dat).
    {"names_outside_the_code_page",
     {file("\u00e9.bin", 100), file("\u20ac\u2013.dat", 20000),
      file("\u65e5\u672c\U0001F600.dat", 16129), file("\u0100.dat", 10), file("A.dat", 40000)},
     {"\u014d\u20ac.rom", "\u00e9.bin", "\u20ac\u2013.dat", "\u65e5\u672c\U0001F600.dat",
      "\u0100.dat"}, from_model,
     "", 0, image(8)},
    {"outfile_typed_again_as_input_with_a_non_ascii_name",
     {file("p.bin", 10), file("level\u20131.dat", 10)},
     {"level\u20131.dat", "p.bin", "level\u20131.dat"},
     also_input,
     "romweld: level\u20131.dat: is also an input file\n" + read_as, 1, kept},
    // Options, before the outfile only.
    {"version", {}, {}, "romweld " ROMWELD_VERSION "\n", "", 0, no_outfile, 0, {"--version"}},
    {"unknown_option_creates_nothing",
     {file("p.bin", 10), file("d.bin", 10)}, {"game.rom", "p.bin", "d.bin"},
     usage, "romweld: -o: unknown option\n", 255, no_outfile, 0, {"-o"}},
    {"option_without_its_file", {}, {}, usage, "romweld: --map: needs a value\n", 255, no_outfile,
     0, {"--map"}},
    {"option_with_an_empty_file", {}, {}, usage, "romweld: --map: needs a value\n", 255,
     no_outfile, 0, {"--map="}},
    {"include_option_without_its_file", {}, {}, usage, "romweld: --equ: needs a value\n", 255,
     no_outfile, 0, {"--equ"}},
    {"option_whose_value_is_the_next_option", {file("p.bin", 10), file("d.bin", 10)},
     example_args, usage, "romweld: --map: needs a value\n", 255, no_outfile, 0,
     {"--map", "--pack"}},
    {"value_after_equals_may_begin_with_a_dash", {file("p.bin", 10), file("d.bin", 10)},
     example_args, "", "", 0, image(8), 0, {"-q", "--min-banks=8", "--map=-m.tsv"}},
    {"bank_count_option_without_its_value", {}, {}, usage, "romweld: --banks: needs a value\n",
     255, no_outfile, 0, {"--banks="}},
    {"unknown_long_option", {file("p.bin", 10), file("d.bin", 10)}, example_args,
     usage, "romweld: --output: unknown option\n", 255, no_outfile, 0, {"--output"}},
    {"unknown_letter_among_grouped_short_options", {file("p.bin", 10), file("d.bin", 10)},
     example_args, usage, "romweld: -qx: unknown option\n", 255, no_outfile, 0, {"-qx"}},
    {"too_few_paths_after_options",
     {file("p.bin", 10)}, {"out.rom", "p.bin"}, usage, paths_missing(2), 255, no_outfile, 0,
     {"-q", "--"}},
    {"names_after_double_dash_are_paths",
     {file("p.bin", 10), file("-d.bin", 10)}, {"-o.rom", "p.bin", "-d.bin"}, from_model,
     small("-o.rom"), 0, image(2), 0, {"--"}},
    {"quiet_keeps_warnings", // 65 banks: padded past 1 MB, and a program too large
     {file("p.bin", 16385), file("d.bin", 64 * 16128)}, {"out.rom", "p.bin", "d.bin"},
     "* Warning - 1MB is max MegaCart so far.\n"
     "Warning - program file may be too large - only 16384 bytes read!\n",
     over_megacart +
         "romweld: p.bin: 16385 bytes; its bank of 16384 leaves 1 of them out of the image\n",
     0,
     image(128), 0, {"-q"}},
    {"quiet_keeps_failures",
     {file("p.bin", 10)}, {"out.rom", "p.bin", "nope.bin"},
     "Failed to size file nope.bin, code 2\n", "romweld: nope.bin: No such file or directory\n" + read_as,
     4, no_outfile, 0, {"--quiet"}},
    // The bank map, checked against the model; only a finished image has one.
    {"map_of_the_worked_example",
     {file("p.bin", 8000), file("d.bin", 20000)}, example_args, from_model,
     small_out, 0, image(4), 0, {"--map", "m.tsv"}},
    {"map_replaces_an_old_one_and_escapes_names",
     {file("p.bin", 10), file("a\tb\r\n\\.bin", 0), file("d.bin", 10), {"m.tsv", Kind::map}},
     {"out.rom", "p.bin", "a\tb\r\n\\.bin", "d.bin"}, from_model,
     small_out, 0, image(2), 0, {"--map=m.tsv"}},
    {"no_map_when_an_input_is_missing", // and an old map is left alone
     {file("p.bin", 10), {"m.tsv", Kind::map}}, {"out.rom", "p.bin", "nope.bin"},
     "Failed to size file nope.bin, code 2\n", "romweld: nope.bin: No such file or directory\n" + read_as,
     4, no_outfile, 0, {"--map", "m.tsv"}},
    {"no_map_when_a_write_fails", // and an old map is left alone
     {file("p.bin", 10), file("d.bin", 40000), {"m.tsv", Kind::map}}, example_args,
     "Opened data file 'd.bin'\n- starting address 0 (page >FFFC)\n"
     "Failed to write outfile, code 27\n",
     small_out + "romweld: out.rom: File too large\n", 1, no_outfile, 16384 + 512, {"--map", "m.tsv"}},
    {"map_that_is_an_input",
     {file("p.bin", 10), file("d.bin", 10)}, example_args,
     "Failed to open map file d.bin, code 22\n", "romweld: d.bin: is the outfile or an input file\n" + read_as,
     6, no_outfile, 0, {"--map", "d.bin"}},
    {"map_in_a_missing_folder",
     {file("p.bin", 10), file("d.bin", 10), {"out.rom", Kind::image, 32768}}, example_args,
     "Failed to open map file no/m.tsv, code 2\n", "romweld: no/: no such folder\n" + read_as, 6, kept, 0,
     {"--map", "no/m.tsv"}},
    {"map_that_is_a_folder",
     {{"dir", Kind::directory}, file("p.bin", 10), file("d.bin", 10)}, example_args,
     "Failed to open map file ./dir, code 21\n", "romweld: ./dir: is a directory\n" + read_as, 6,
     no_outfile, 0, {"--map", "./dir"}},
    {"map_that_is_a_device",
     {file("p.bin", 10), file("d.bin", 10)}, example_args,
     "Failed to open map file /dev/null, code 29\n",
     "romweld: /dev/null: not a regular file\n" + read_as, 6, no_outfile, 0, {"--map", "/dev/null"}},
    {"map_through_a_link_replaces_its_target",
     {file("p.bin", 10), file("d.bin", 10), {"real.tsv", Kind::map},
      {"m.tsv", Kind::symlink, 0, "real.tsv"}},
     example_args, from_model, small_out, 0, image(2), 0, {"--map", "m.tsv"}},
    {"map_that_is_the_new_outfile",
     {file("p.bin", 10), file("d.bin", 10)}, example_args,
     "Failed to open map file ./out.rom, code 22\n",
     "romweld: ./out.rom: is the outfile or an input file\n" + read_as, 6, no_outfile, 0,
     {"--map", "./out.rom"}},
    {"map_with_a_name_of_250_bytes",
     {file("p.bin", 10), file("d.bin", 10)}, example_args, from_model, small_out, 0, image(2), 0,
     {"--map", std::string(250, 'm')}},
    // The game's build: page constants, a planning run, headroom, strict and
    // fixed-size images, checked against the model.
    {"plan_writes_map_and_includes_before_the_program_exists",
     {file("d.bin", 20000)}, {"out.rom", "nope.bin", "d.bin"}, "Padding for 64k\n", small_out, 0,
     no_outfile, 0, {"--plan", "--map", "m.tsv", "--equ", "p.equ", "--header", "p.h"}},
    {"plan_alone_only_reports",
     {{"out.rom", Kind::image, 32768}, file("p.bin", 10), file("d.bin", 20000)}, example_args,
     "Padding for 64k\n"
     "Summary: 4 banks: 1 padding, 2 data, 1 program\n"
     "- free banks in the image: 1\n"
     "- banks under the 1MB of a MegaCart: 60\n"
     "- free bytes in the last bank of d.bin: 12256\n"
     "- >FFFC padding |................................| 16128 free\n"
     "- >FFFD data    |################################|     0 free\n"
     "- >FFFE data    |#######.........................| 12256 free\n"
     "- >FFFF program |................................| 16384 free\n",
     small_out, 0, kept, 0, {"--plan", "--summary"}},
    {"includes_and_summary_of_the_worked_example",
     {file("p.bin", 8000), file("d.bin", 20000), file("e.bin", 0)},
     {"out.rom", "p.bin", "d.bin", "e.bin"},
     "Padding for 64k\n"
     "Opened data file 'd.bin'\n- starting address 4000 (page >FFFD)\n"
     "- ending address C000 (page >FFFF)\n"
     "Opened data file 'e.bin'\n- starting address C000 (page >FFFF)\n"
     "- ending address C000 (page >FFFF)\n"
     "Opened program file 'p.bin'\n- starting address C000 (page >FFFF)\n"
     "Finished writing 'out.rom'.\n"
     "Summary: 4 banks: 1 padding, 2 data, 1 program\n"
     "- free banks in the image: 1\n"
     "- banks under the 1MB of a MegaCart: 60\n"
     "- free bytes in the last bank of d.bin: 12256\n"
     "- free bytes in the last bank of e.bin: no bank\n"
     "- >FFFC padding |................................| 16128 free\n"
     "- >FFFD data    |################################|     0 free\n"
     "- >FFFE data    |#######.........................| 12256 free\n"
     "- >FFFF program |###############.................|  8384 free\n",
     small_out, 0, image(4), 0, {"--equ", "p.equ", "--header", "p.h", "--summary"}},
    {"include_that_would_not_change_keeps_its_time",
     {file("p.bin", 10), file("d.bin", 10), {"p.equ", Kind::old_equ}}, example_args, "", small_out, 0,
     no_outfile, 0, {"-q", "--plan", "--equ", "p.equ"}},
    {"constant_names_the_same_in_every_locale",
     {file("p.bin", 10), file("1up.dat", 10), file("Gr\u00f6\u00dfe.dat", 16129),
      file("a-b c.DAT", 0)},
     {"out.rom", "p.bin", "1up.dat", "Gr\u00f6\u00dfe.dat", "a-b c.DAT"}, "", small_out, 0, no_outfile,
     0, {"-q", "--plan", "--equ", "p.equ", "--header", "9lives.h"}},
    {"two_data_files_with_one_constant_name",
     {file("p.bin", 10), file("title.dat", 10), file("title_dat", 10)},
     {"out.rom", "p.bin", "title.dat", "title_dat"},
     "Failed to name data file title_dat, title.dat gives the same name TITLE_DAT, code 22\n",
     "romweld: title_dat: same constant name TITLE_DAT as title.dat\n", 9, no_outfile, 0,
     {"--equ", "p.equ"}},
    {"one_data_file_twice_with_includes",
     {file("p.bin", 10), file("d.bin", 10)}, {"out.rom", "p.bin", "d.bin", "d.bin"},
     "Failed to name data file d.bin, d.bin gives the same name D_BIN, code 22\n",
     "romweld: d.bin: same constant name D_BIN as d.bin\n", 9, no_outfile, 0, {"--header", "p.h"}},
    {"one_data_file_twice_without_includes",
     {file("p.bin", 10), file("d.bin", 10)}, {"out.rom", "p.bin", "d.bin", "d.bin"}, from_model,
     small_out, 0, image(4)},
    {"data_file_named_like_the_count_of_another",
     {file("p.bin", 10), file("a", 10), file("a_banks", 10)}, {"out.rom", "p.bin", "a", "a_banks"},
     "Failed to name data file a_banks, a gives the same name A_BANKS, code 22\n",
     "romweld: a_banks: same constant name A_BANKS as a\n", 9, no_outfile, 0, {"--equ", "p.equ"}},
    {"data_file_named_like_the_header_guard",
     {file("p.bin", 10), file("p_h", 10)}, {"out.rom", "p.bin", "p_h"},
     "Failed to name data file p_h, p.h gives the same name P_H, code 22\n",
     "romweld: p_h: same constant name P_H as p.h\n", 9, no_outfile, 0, {"--header", "p.h"}},
    {"include_that_is_the_outfile",
     {{"out.rom", Kind::image, 32768}, file("p.bin", 10), file("d.bin", 10)}, example_args,
     "Failed to open include file out.rom, code 22\n",
     "romweld: out.rom: is the outfile or an input file\n" + read_as, 8, kept, 0, {"--equ", "out.rom"}},
    {"include_that_is_an_input",
     {file("p.bin", 10), file("d.bin", 10)}, example_args,
     "Failed to open include file d.bin, code 22\n",
     "romweld: d.bin: is the outfile or an input file\n" + read_as, 8, no_outfile, 0, {"--header", "d.bin"}},
    {"include_that_is_the_map",
     {file("p.bin", 10), file("d.bin", 10)}, example_args,
     "Failed to open include file m.tsv, code 22\n",
     "romweld: m.tsv: is another file this run writes\n" + read_as, 8, no_outfile, 0,
     {"--map", "m.tsv", "--equ", "m.tsv"}},
    {"include_that_is_a_device",
     {file("p.bin", 10), file("d.bin", 10)}, example_args,
     "Failed to open include file /dev/null, code 29\n",
     "romweld: /dev/null: not a regular file\n" + read_as, 8, no_outfile, 0, {"--equ", "/dev/null"}},
    {"strict_program_larger_than_its_bank_keeps_the_old_image",
     {{"out.rom", Kind::image, 32768}, file("p.bin", 16385), file("d.bin", 10)}, example_args,
     "Failed to fit program file of 16385 bytes in its bank, code 27\n",
     "romweld: p.bin: larger than its bank of 16384 bytes\n", 10, kept, 0, {"--strict"}},
    {"strict_image_over_one_megabyte",
     {file("p.bin", 1), file("d.bin", 64 * 16128)}, example_args,
     "Padding for 2048k\nFailed to fit image of 128 banks in 1MB, code 27\n",
     "romweld: out.rom: larger than the 1MB of a MegaCart\n", 11, no_outfile, 0, {"--strict"}},
    {"strict_image_of_exactly_one_megabyte",
     {file("p.bin", 16384), file("d.bin", 63 * 16128)}, example_args, "", "", 0, image(64), 0,
     {"-q", "--strict"}},
    {"image_of_the_banks_asked_for",
     {file("p.bin", 8000), file("d.bin", 20000)}, example_args, from_model,
     "", 0, image(16), 0, {"--banks", "16", "--map", "m.tsv"}},
    {"image_of_one_bank_asked_for",
     {file("p.bin", 10), file("d.bin", 0)}, example_args, "", small_out, 0, image(1), 0,
     {"-q", "--banks=1"}},
    {"fewer_banks_asked_for_than_the_inputs_need",
     {{"out.rom", Kind::image, 32768}, file("p.bin", 8000), file("d.bin", 20000)}, example_args,
     "Failed to fit image of 3 banks in 2, code 27\n",
     "romweld: out.rom: image would need 3 banks, --banks gives 2\n", 12, kept, 0,
     {"--banks", "2"}},
    {"bank_count_not_a_power_of_two",
     {file("p.bin", 10), file("d.bin", 10)}, example_args, "Failed to use --banks 3, code 22\n",
     "romweld: --banks: not a power of two from 1 to 65536\n", 13, no_outfile, 0, {"--banks", "3"}},
    {"bank_count_beyond_the_pages",
     {file("p.bin", 10), file("d.bin", 10)}, example_args,
     "Failed to use --banks 131072, code 22\n",
     "romweld: --banks: not a power of two from 1 to 65536\n", 13, no_outfile, 0,
     {"--banks=131072"}},
    // Made for the console: board sizes, the cartridge header, includes for
    // every Z80 assembler.
    {"least_banks_pad_to_a_board_and_move_no_page",
     {file("p.bin", 8000), file("d.bin", 20000)}, example_args, from_model,
     "", 0, image(8), 0, {"--min-banks", "8", "--equ", "p.equ", "--map", "m.tsv"}},
    {"least_banks_below_what_the_inputs_need",
     {file("p.bin", 8000), file("d.bin", 20000)}, example_args, from_model,
     small_out, 0, image(4), 0, {"--min-banks=2"}},
    {"least_banks_not_a_power_of_two",
     {{"out.rom", Kind::image, 32768}, file("p.bin", 10), file("d.bin", 10)}, example_args,
     "Failed to use --min-banks 12, code 22\n",
     "romweld: --min-banks: not a power of two from 1 to 65536\n", 13, kept, 0,
     {"--min-banks", "12"}},
    {"least_banks_more_than_exactly",
     {file("p.bin", 10), file("d.bin", 10)}, example_args,
     "Failed to use --min-banks 16, code 22\n", "romweld: --min-banks: more than --banks gives\n",
     13, no_outfile, 0, {"--banks", "8", "--min-banks", "16"}},
    {"strict_image_smaller_than_any_board_keeps_the_old_image",
     {{"out.rom", Kind::image, 32768}, file("p.bin", 8000), file("d.bin", 20000)}, example_args,
     "Padding for 64k\nFailed to fit image of 64k to a MegaCart board, code 22\n",
     "romweld: out.rom: no MegaCart board or openMSX takes an image under 128k; --min-banks 8 "
     "makes it 128k\n",
     14, kept, 0, {"--strict"}},
    {"strict_image_of_the_smallest_board",
     {file("p.bin", 10), file("d.bin", 10)}, example_args, "", "", 0, image(8), 0,
     {"-q", "--strict", "--min-banks", "8"}},
    {"program_without_header_is_written_and_named",
     {{"p.bin", Kind::bare, 100}, file("d.bin", 10)}, example_args, "",
     "romweld: p.bin: does not begin with AA 55 or 55 AA, the cartridge header the console needs "
     "to start it\n",
     0, image(8), 0, {"-q", "--min-banks=8"}},
    {"empty_program_without_header",
     {file("p.bin", 0), file("d.bin", 10)}, example_args, "",
     "romweld: p.bin: does not begin with AA 55 or 55 AA, the cartridge header the console needs "
     "to start it\n",
     0, image(8), 0, {"-q", "--min-banks=8"}},
    {"strict_program_without_header_keeps_the_old_image",
     {{"out.rom", Kind::image, 32768}, {"p.bin", Kind::bare, 100}, file("d.bin", 10), {"m.tsv", Kind::map}},
     example_args,
     "Failed to find the cartridge header in program file, code 22\n",
     "romweld: p.bin: does not begin with AA 55 or 55 AA, the cartridge header the console needs "
     "to start it\n",
     15, kept, 0, {"-q", "--strict", "--min-banks=8", "--map", "m.tsv"}},
    {"plan_without_header_reads_no_program",
     {{"p.bin", Kind::bare, 100}, file("d.bin", 10)}, example_args, "", "", 0, no_outfile, 0,
     {"-q", "--plan", "--min-banks=8", "--sdas", "p.s"}},
    {"includes_of_every_kind_with_the_map",
     {file("p.bin", 10), file("title.dat", 20000), file("e.dat", 0), file("level1.dat", 16128)},
     {"out.rom", "p.bin", "title.dat", "e.dat", "level1.dat"}, "", "", 0, image(8), 0,
     {"-q", "--min-banks", "8", "--map", "m.tsv", "--equ", "p.equ", "--sdas", "p.s", "--header",
      "p.h"}},
    {"sdas_include_that_is_the_equ_include",
     {file("p.bin", 10), file("d.bin", 10)}, example_args,
     "Failed to open include file p.inc, code 22\n",
     "romweld: p.inc: is another file this run writes\n" + read_as, 8, no_outfile, 0,
     {"--equ", "p.inc", "--sdas", "p.inc"}},
    {"sdas_include_that_is_an_input",
     {file("p.bin", 10), file("d.bin", 10)}, example_args,
     "Failed to open include file p.bin, code 22\n",
     "romweld: p.bin: is the outfile or an input file\n" + read_as, 8, no_outfile, 0, {"--sdas", "p.bin"}},
    {"names_clash_for_sdas_alone",
     {file("p.bin", 10), file("d.bin", 10)}, {"out.rom", "p.bin", "d.bin", "./d.bin"},
     "Failed to name data file ./d.bin, d.bin gives the same name D_BIN, code 22\n",
     "romweld: ./d.bin: same constant name D_BIN as d.bin\n", 9, no_outfile, 0,
     {"--sdas", "p.s"}},
    // A user's mistakes: paths in another order, a file that is no image as
    // the outfile. Nothing is written, and every file is left as found.
    {"outfile_given_last_keeps_the_program",
     {{"program.bin", Kind::cartridge, 8000}, file("title.dat", 20000), file("level1.dat", 16128),
      file("music.dat", 9000), file("game.rom", 131072)},
     {"program.bin", "title.dat", "level1.dat", "music.dat", "game.rom"},
     "Failed to replace outfile program.bin of 8000 bytes, code 22\n",
     "romweld: program.bin: " + std::string(reason_image_size) + "\n" + read_as + forced("program.bin"),
     16, kept},
    {"outfile_forgotten_keeps_the_first_data_file",
     {{"program.bin", Kind::cartridge, 8000}, file("title.dat", 20000), file("level1.dat", 16128)},
     {"title.dat", "program.bin", "level1.dat"},
     "Failed to replace outfile title.dat of 20000 bytes, code 22\n",
     "romweld: title.dat: " + std::string(reason_image_size) + "\n" + read_as + forced("title.dat"),
     16, kept},
    {"program_padded_to_its_bank_is_no_image",
     {{"program.bin", Kind::cartridge, 16384}, file("title.dat", 20000), file("level1.dat", 16128)},
     {"program.bin", "title.dat", "level1.dat"},
     "Failed to replace outfile program.bin of 16384 bytes, code 22\n",
     "romweld: program.bin: " + std::string(reason_one_bank) + "\n" + read_as + forced("program.bin"),
     16, kept},
    {"image_of_one_bank_is_kept_as_a_program_may_be",
     {{"out.rom", Kind::image, 16384}, file("p.bin", 10), file("d.bin", 10)}, example_args,
     "Failed to replace outfile out.rom of 16384 bytes, code 22\n",
     "romweld: out.rom: " + std::string(reason_one_bank) + "\n" + read_as + forced("out.rom"), 16,
     kept},
    {"empty_outfile_is_replaced",
     {file("out.rom", 0), file("p.bin", 10), file("d.bin", 10)}, example_args, from_model,
     small_out, 0, image(2)},
    {"force_replaces_a_file_that_is_no_image",
     {file("out.rom", 20000), file("p.bin", 10), file("d.bin", 10)}, example_args, from_model, small_out, 0, image(2), 0, {"-f"}},
    {"force_never_replaces_an_input",
     {file("p.bin", 10), file("d.bin", 10)}, {"./d.bin", "p.bin", "d.bin"},
     also_input, "romweld: ./d.bin: is also an input file\n" + read_as, 1, kept, 0, {"--force"}},
    {"no_image_found_after_the_inputs",
     {file("out.rom", 20000), file("p.bin", 10)}, {"out.rom", "p.bin", "nope.dat"},
     "Failed to size file nope.dat, code 2\n", "romweld: nope.dat: No such file or directory\n" + read_as,
     4, kept},
    {"data_file_as_program_without_header",
     {file("program.bin", 8000), {"title.dat", Kind::bare, 20000}},
     {"game.rom", "title.dat", "program.bin"}, from_model,
     small("game.rom") +
         "romweld: title.dat: 20000 bytes; its bank of 16384 leaves 3616 of them out of the "
         "image\nromweld: title.dat: does not begin with AA 55 or 55 AA, the cartridge "
         "header the console needs to start it\n",
     0, image(2)},
    // Small files share banks: each goes into the first bank with room for
    // all of it, and the report gives where its bytes begin and end.
    {"packed_example_with_its_summary",
     {{"program.bin", Kind::cartridge, 125}, file("title.dat", 20000), file("level1.dat", 16128),
      file("music.dat", 9000)},
     {"game.rom", "program.bin", "title.dat", "level1.dat", "music.dat"},
     "Padding for 128k\n"
     "Opened data file 'title.dat'\n- starting address 10000 (page >FFFC)\n"
     "- ending address 14F20 (page >FFFD)\n"
     "Opened data file 'music.dat'\n- starting address 14F20 (page >FFFD)\n"
     "- ending address 17248 (page >FFFD)\n"
     "Opened data file 'level1.dat'\n- starting address 18000 (page >FFFE)\n"
     "- ending address 1BF00 (page >FFFE)\n"
     "Opened program file 'program.bin'\n- starting address 1C000 (page >FFFF)\n"
     "Finished writing 'game.rom'.\n"
     "Summary: 8 banks: 4 padding, 3 data, 1 program\n"
     "- free banks in the image: 4\n"
     "- banks under the 1MB of a MegaCart: 56\n"
     "- free bytes in the last bank of title.dat: 3256\n"
     "- free bytes in the last bank of level1.dat: 0\n"
     "- free bytes in the last bank of music.dat: 3256\n"
     "- >FFF8 padding |................................| 16128 free\n"
     "- >FFF9 padding |................................| 16128 free\n"
     "- >FFFA padding |................................| 16128 free\n"
     "- >FFFB padding |................................| 16128 free\n"
     "- >FFFC data    |################################|     0 free\n"
     "- >FFFD data    |#########################.......|  3256 free\n"
     "- >FFFE data    |################################|     0 free\n"
     "- >FFFF program |#...............................| 16259 free\n",
     "", 0, image(8), 0,
     {"--pack", "--summary", "--min-banks", "8", "--map", "m.tsv", "--sdas", "p.s", "--header",
      "p.h"}},
    {"packed_plan_gives_the_constants_of_the_run", // k.dat, as z80asm misreads C_DAT
     {file("a.dat", 3000), file("b.dat", 14000), file("k.dat", 0), file("d.dat", 13128),
      file("e.dat", 40000)},
     {"out.rom", "p.bin", "a.dat", "b.dat", "k.dat", "d.dat", "e.dat"}, "", "", 0, no_outfile, 0,
     {"-q", "--pack", "--plan", "--min-banks", "8", "--equ", "p.equ", "--map", "m.tsv"}},
    {"summary_of_an_image_over_64_banks_groups_alike_banks",
     {file("p.bin", 16384), file("d.bin", 64 * 16128 + 1)}, example_args,
     "* Warning - 1MB is max MegaCart so far.\n"
     "Summary: 128 banks: 62 padding, 65 data, 1 program\n"
     "- free banks in the image: 62\n"
     "- banks over the 1MB of a MegaCart: 64\n"
     "- free bytes in the last bank of d.bin: 16127\n"
     "- >FF80 to >FFBD padding |................................| 16128 free each\n"
     "- >FFBE to >FFFD data    |################################|     0 free each\n"
     "- >FFFE          data    |#...............................| 16127 free\n"
     "- >FFFF          program |################################|     0 free\n",
     over_megacart, 0, image(128), 0, {"-q", "--pack", "--summary"}},
    // Only what romweld made is replaced, in every mode, whatever the order
    // of the paths; a refusal says how the command line was read.
    {"data_file_of_one_bank_as_outfile",
     {file("vram.dat", 16384), {"program.bin", Kind::cartridge, 100}, file("title.dat", 100)},
     {"vram.dat", "program.bin", "title.dat"},
     "Failed to replace outfile vram.dat of 16384 bytes, code 22\n",
     reason("vram.dat", reason_one_bank) + read_as + forced("vram.dat"), 16, kept},
    {"data_file_of_two_banks_with_a_header_as_outfile",
     {{"tiles.dat", Kind::cartridge, 32768}, {"program.bin", Kind::cartridge, 100},
      file("title.dat", 100)},
     {"tiles.dat", "program.bin", "title.dat"},
     "Failed to replace outfile tiles.dat of 32768 bytes, code 22\n",
     reason("tiles.dat", reason_image_start) + read_as + forced("tiles.dat"), 16, kept},
    // A user's files whose banks end in zeros are no image without padding
    // or a program the console starts: tiles, a save file, a level, a disk.
    {"tiles_whose_banks_end_in_zeros_as_outfile",
     {{"tiles.dat", Kind::zero_tails, 32768}, {"program.bin", Kind::cartridge, 100},
      file("music.dat", 100)},
     {"tiles.dat", "program.bin", "music.dat"},
     "Failed to replace outfile tiles.dat of 32768 bytes, code 22\n",
     reason("tiles.dat", reason_image_start) + read_as + forced("tiles.dat"), 16, kept},
    {"save_file_as_outfile",
     {{"save.dat", Kind::disk, 32768}, {"program.bin", Kind::cartridge, 100},
      file("music.dat", 100)},
     {"save.dat", "program.bin", "music.dat"},
     "Failed to replace outfile save.dat of 32768 bytes, code 22\n",
     reason("save.dat", reason_image_start) + read_as + forced("save.dat"), 16, kept},
    {"level_of_four_banks_as_outfile",
     {{"level.dat", Kind::zero_tails, 65536}, {"program.bin", Kind::cartridge, 100},
      file("music.dat", 100)},
     {"level.dat", "program.bin", "music.dat"},
     "Failed to replace outfile level.dat of 65536 bytes, code 22\n",
     reason("level.dat", reason_image_start) + read_as + forced("level.dat"), 16, kept},
    {"disk_image_as_outfile",
     {{"disk.img", Kind::disk, 1 << 20}, {"program.bin", Kind::cartridge, 100},
      file("music.dat", 100)},
     {"disk.img", "program.bin", "music.dat"},
     "Failed to replace outfile disk.img of 1048576 bytes, code 22\n",
     reason("disk.img", reason_image_start) + read_as + forced("disk.img"), 16, kept},
    {"outfile_of_one_byte",
     {file("out.rom", 1), file("p.bin", 10), file("d.bin", 10)}, example_args,
     "Failed to replace outfile out.rom of 1 byte, code 22\n",
     reason("out.rom", reason_image_size) + read_as + forced("out.rom"), 16, kept},
    {"map_without_its_value_keeps_the_program_and_the_image",
     {{"game.rom", Kind::image, 131072}, {"program.bin", Kind::cartridge, 125},
      file("title.dat", 20000), file("level1.dat", 16128), file("music.dat", 9000)},
     {"program.bin", "title.dat", "level1.dat", "music.dat"},
     "Failed to replace outfile program.bin of 125 bytes, code 22\n",
     reason("program.bin", reason_image_size) + read_as + forced("program.bin"), 16, kept, 0,
     {"--map", "game.rom"}},
    {"map_without_its_value_in_a_planning_run_keeps_the_image",
     {{"game.rom", Kind::image, 131072}, {"program.bin", Kind::cartridge, 125},
      file("title.dat", 20000), file("level1.dat", 16128), file("music.dat", 9000)},
     {"program.bin", "title.dat", "level1.dat", "music.dat"},
     "Failed to replace map file game.rom of 131072 bytes, code 22\n",
     reason("game.rom", reason_map) + read_as + forced("game.rom"), 16, kept, 0,
     {"--plan", "--map", "game.rom"}},
    {"map_over_a_file_of_the_user",
     {file("p.bin", 10), file("d.bin", 10), file("notes.txt", 100)}, example_args,
     "Failed to replace map file notes.txt of 100 bytes, code 22\n",
     reason("notes.txt", reason_map) + read_as + forced("notes.txt"), 16, no_outfile, 0,
     {"--map", "notes.txt"}},
    {"force_replaces_a_file_of_the_user_with_the_map",
     {file("p.bin", 10), file("d.bin", 10), file("notes.txt", 100)}, example_args, from_model,
     small_out, 0, image(2), 0, {"-f", "--map", "notes.txt"}},
    {"include_over_a_file_of_the_user",
     {file("p.bin", 10), file("d.bin", 10), file("notes.asm", 100)}, example_args,
     "Failed to replace include file notes.asm of 100 bytes, code 22\n",
     reason("notes.asm", reason_include) + read_as + forced("notes.asm"), 16, no_outfile, 0,
     {"--plan", "--sdas", "notes.asm"}},
    {"planning_run_never_writes_over_the_program",
     {{"program.bin", Kind::cartridge, 125}, file("title.dat", 100)},
     {"game.rom", "program.bin", "title.dat"},
     "Failed to open include file program.bin, code 22\n",
     reason("program.bin", "is the outfile or an input file") + read_as, 8, no_outfile, 0,
     {"-f", "--plan", "--equ", "program.bin"}},
    {"planning_run_never_writes_over_a_program_still_to_be_made",
     {file("title.dat", 100)}, {"game.rom", "nope.bin", "title.dat"},
     "Failed to open include file ./nope.bin, code 22\n",
     reason("./nope.bin", "is the outfile or an input file") + read_as, 8, no_outfile, 0,
     {"--plan", "--equ", "./nope.bin"}},
    {"planning_run_never_writes_a_map_over_the_outfile",
     {{"out.rom", Kind::image, 32768}, file("p.bin", 10), file("d.bin", 10)}, example_args,
     "Failed to open map file out.rom, code 22\n",
     reason("out.rom", "is the outfile or an input file") + read_as, 6, kept, 0,
     {"-f", "--plan", "--map", "out.rom"}},
    {"planning_run_never_writes_an_include_over_the_outfile_through_a_link",
     {{"out.rom", Kind::image, 32768}, file("p.bin", 10), file("d.bin", 10),
      {"ln.h", Kind::symlink, 0, "out.rom"}},
     example_args, "Failed to open include file ln.h, code 22\n",
     reason("ln.h", "is the outfile or an input file") + read_as, 8, kept, 0,
     {"-f", "--plan", "--header", "ln.h"}},
    {"planning_run_takes_an_outfile_in_a_missing_folder_for_no_other_file",
     {file("p.bin", 10), file("d.bin", 10)}, {"no/out.rom", "p.bin", "d.bin"}, "", "", 0,
     no_outfile, 0, {"-q", "--plan", "--min-banks", "8", "--equ", "out.rom"}},
    {"planning_run_never_opens_a_folder_as_outfile",
     {{"dir", Kind::directory}, file("d.bin", 10)}, {"dir", "p.bin", "d.bin"}, "", small("dir"), 0,
     kept, 0, {"--plan"}},
    {"planning_run_never_opens_a_fifo_as_outfile",
     {{"ff", Kind::fifo}, file("d.bin", 10)}, {"ff", "p.bin", "d.bin"}, "", small("ff"), 0,
     not_read, 0, {"--plan", "--map", "m.tsv"}},
    // Constants mean one thing to every assembler the includes are for.
    {"data_file_named_like_a_register",
     {file("p.bin", 10), file("hl", 10)}, {"out.rom", "p.bin", "hl"},
     "Failed to name data file hl, an assembler reserves HL, code 22\n",
     "romweld: hl: HL is a Z80 register or condition, not a constant, to an assembler\n", 9,
     no_outfile, 0, {"--equ", "p.equ"}},
    {"data_file_named_like_an_instruction",
     {file("p.bin", 10), file("d.bin", 10), file("Nop", 10)}, {"out.rom", "p.bin", "d.bin", "Nop"},
     "Failed to name data file Nop, an assembler reserves NOP, code 22\n",
     "romweld: Nop: NOP is a Z80 instruction, not a constant, to an assembler\n", 9, no_outfile, 0,
     {"--sdas", "p.s", "--header", "p.h"}},
    {"data_file_named_like_a_directive",
     {file("p.bin", 10), file("org", 10)}, {"out.rom", "p.bin", "org"},
     "Failed to name data file org, an assembler reserves ORG, code 22\n",
     "romweld: org: ORG is a directive or operator of pasmo, z80asm or sdasz80, not a constant, "
     "to an assembler\n",
     9, no_outfile, 0, {"--plan", "--equ", "p.equ"}},
    {"data_file_named_like_the_ez80_register_sdasz80_knows",
     {file("p.bin", 10), file("mb", 10)}, {"out.rom", "p.bin", "mb"},
     "Failed to name data file mb, an assembler reserves MB, code 22\n",
     "romweld: mb: MB is a Z80 register or condition, not a constant, to an assembler\n", 9,
     no_outfile, 0, {"--plan", "--sdas", "p.s"}},
    {"data_file_whose_name_begins_with_a_condition",
     {file("p.bin", 10), file("p_title.dat", 10)}, {"out.rom", "p.bin", "p_title.dat"},
     "Failed to name data file p_title.dat, z80asm reads P_TITLE_DAT as a condition, code 22\n",
     "romweld: p_title.dat: P_TITLE_DAT begins with a Z80 condition and _, which z80asm reads as "
     "a jump's condition\n",
     9, no_outfile, 0, {"--plan", "--equ", "p.equ"}},
    {"a_condition_first_is_a_constant_to_sdasz80",
     {file("p.bin", 10), file("p_title.dat", 10)}, {"out.rom", "p.bin", "p_title.dat"}, "", "", 0,
     no_outfile, 0, {"-q", "--plan", "--min-banks", "8", "--sdas", "p.s"}},
    {"register_names_are_constants_in_c",
     {file("p.bin", 10), file("hl", 10), file("int", 10)}, {"out.rom", "p.bin", "hl", "int"}, "",
     "", 0, no_outfile, 0, {"-q", "--plan", "--min-banks", "8", "--header", "p.h"}},
    {"data_file_named_like_a_name_c_keeps",
     {file("p.bin", 10), file("__line__", 10)}, {"out.rom", "p.bin", "__line__"},
     "Failed to name __line__, C keeps __LINE__ for itself, code 22\n",
     "romweld: __line__: __LINE__ begins with _ and a capital or a second _, which C keeps for "
     "itself\n",
     9, no_outfile, 0, {"--equ", "p.equ", "--header", "p.h"}},
    {"header_whose_guard_c_keeps",
     {file("p.bin", 10), file("d.bin", 10)}, example_args,
     "Failed to name _p.h, C keeps _P_H for itself, code 22\n",
     "romweld: _p.h: _P_H begins with _ and a capital or a second _, which C keeps for itself\n", 9,
     no_outfile, 0, {"--header", "_p.h"}},
    {"names_c_keeps_are_constants_to_assemblers",
     {file("p.bin", 10), file("_d", 10)}, {"out.rom", "p.bin", "_d"}, "", "", 0, no_outfile, 0,
     {"-q", "--plan", "--min-banks", "8", "--equ", "p.equ", "--sdas", "p.s"}},
    {"name_longer_than_sdasz80_tells_apart",
     {file("p.bin", 10), file(std::string(250, 'l'), 10)}, {"out.rom", "p.bin", std::string(250, 'l')},
     "Failed to name data file " + std::string(250, 'l') + ", " + std::string(250, 'L') +
         "_BANKS is too long, code 22\n",
     "romweld: " + std::string(250, 'l') + ": " + std::string(250, 'L') +
         "_BANKS has 256 characters; sdasz80 tells only 255 apart\n",
     9, no_outfile, 0, {"--sdas", "p.s"}},
    {"long_name_for_pasmo",
     {file("p.bin", 10), file(std::string(250, 'l'), 10)}, {"out.rom", "p.bin", std::string(250, 'l')},
     "", "", 0, no_outfile, 0, {"-q", "--plan", "--min-banks", "8", "--equ", "p.equ"}},
    // Standard error shows names as they are, control characters escaped.
    {"control_characters_escaped_on_standard_error",
     {file("p.bin", 10)}, {"out.rom", "p.bin", "a\x1b[2J\tb.dat"},
     "Failed to size file a\x1b[2J\tb.dat, code 2\n",
     "romweld: a\\x1B[2J\\tb.dat: No such file or directory\n" + read_as, 4, no_outfile},
};

// One file under several names on Windows: the \\?\ form, drive letters, a
// drive mapped to a folder; and the devices. Registered only where the tool
// is a Windows build, so that no other run lists them as not run.
const Case windows_cases[] = {
    {"windows_outfile_with_the_long_path_prefix_is_the_program",
     {file("p.bin", 10), file("d.bin", 10)}, {"@L\\p.bin", "@C\\p.bin", "@C\\d.bin"},
     also_input, "romweld: @L\\p.bin: is also an input file\n" + read_as, 1, not_read},
    {"windows_outfile_on_drive_c_is_the_program_on_drive_z",
     {file("p.bin", 10), file("d.bin", 10)}, {"@C\\p.bin", "@Z\\p.bin", "@C\\d.bin"},
     also_input, "romweld: @C\\p.bin: is also an input file\n" + read_as, 1, not_read},
    {"windows_outfile_on_a_mapped_drive_is_the_program",
     {file("p.bin", 10), file("d.bin", 10)}, {"@X\\p.bin", "@C\\p.bin", "@C\\d.bin"},
     also_input, "romweld: @X\\p.bin: is also an input file\n" + read_as, 1, not_read},
    {"windows_map_on_a_mapped_drive_is_a_data_file",
     {file("p.bin", 10), file("d.bin", 10)}, {"@C\\out.rom", "@C\\p.bin", "@Z\\d.bin"},
     "Failed to open map file @X\\d.bin, code 22\n",
     "romweld: @X\\d.bin: is the outfile or an input file\n" + read_as, 6, not_read, 0,
     {"--map", "@X\\d.bin"}},
    {"windows_map_on_a_mapped_drive_is_the_new_outfile",
     {file("p.bin", 10), file("d.bin", 10)}, {"@C\\out.rom", "@C\\p.bin", "@C\\d.bin"},
     "Failed to open map file @X\\OUT.ROM, code 22\n",
     "romweld: @X\\OUT.ROM: is the outfile or an input file\n" + read_as, 6, not_read, 0,
     {"--map", "@X\\OUT.ROM"}},
    {"windows_null_device_as_map",
     {file("p.bin", 10), file("d.bin", 10)}, example_args,
     "Failed to open map file NUL, code 29\n", "romweld: NUL: not a regular file\n" + read_as, 6,
     no_outfile, 0, {"--map", "NUL"}},
    {"windows_null_device_as_data_file",
     {file("p.bin", 10)}, {"out.rom", "p.bin", "NUL"},
     "Failed to size file NUL, code 29\n", "romweld: NUL: not a regular file\n" + read_as, 4, no_outfile},
    {"windows_device_name_with_an_extension_as_data_file",
     {file("p.bin", 10)}, {"out.rom", "p.bin", "nul.txt"},
     "Failed to size file nul.txt, code 29\n", "romweld: nul.txt: not a regular file\n" + read_as, 4,
     no_outfile},
    {"windows_serial_device_as_program",
     {file("d.bin", 10)}, {"out.rom", "AUX", "d.bin"},
     "Failed to size file AUX, code 29\n", "romweld: AUX: not a regular file\n" + read_as, 4, no_outfile},
};
// clang-format on

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const Case &c, std::ostream *os) {
  *os << c.name;
}

// An image as romweld makes them: padding, then a program bank.
std::string old_image(std::size_t size, std::uint32_t seed) {
  std::string bytes;
  while (bytes.size() < size - 16384)
    bytes += model_credit_text[bytes.size() % 16384 % model_credit_text.size()];
  return bytes + sample_bytes(seed, 16384);
}

// Lays out a case's inputs in dir; returns the bytes of each ordinary file.
// A program of two bytes or more begins with the cartridge header, unless
// it is bare.
std::map<std::string, std::string> make_inputs(const fs::path &dir, const Case &c) {
  std::map<std::string, std::string> made;
  std::uint32_t seed = 1;
  for (const Input &input : c.inputs) {
    const fs::path path = dir / input.name;
    switch (input.kind) {
    case Kind::bytes:
    case Kind::cartridge:
    case Kind::bare:
      made[input.name] = sample_bytes(seed++, static_cast<std::size_t>(input.size));
      if (input.kind == Kind::cartridge || (input.kind == Kind::bytes && c.args.size() > 1 &&
                                            input.name == c.args[1] && input.size >= 2))
        made[input.name].replace(0, 2, "\xAA\x55");
      write_bytes(path, made[input.name]);
      break;
    case Kind::sparse:
      write_bytes(path, "");
      fs::resize_file(path, static_cast<std::uintmax_t>(input.size));
      break;
    case Kind::directory:
      fs::create_directory(path);
      break;
    case Kind::fifo:
      EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
      break;
    case Kind::symlink:
      fs::create_symlink(input.target, path);
      break;
    case Kind::hardlink:
      fs::create_hard_link(dir / input.target, path);
      break;
    case Kind::old_equ:
      break;
    case Kind::image:
      made[input.name] = old_image(static_cast<std::size_t>(input.size), seed++);
      write_bytes(path, made[input.name]);
      break;
    case Kind::map:
      made[input.name] = "kind\tpath\tfirst_bank\tbanks\tfirst_page\tlast_page\tstart\tend\t"
                         "bytes\tfree\nprogram\tp.bin\t0\t1\tFFFF\tFFFF\t0\t4000\t10\t16374\n";
      write_bytes(path, made[input.name]);
      break;
    case Kind::zero_tails:
    case Kind::disk:
      made[input.name] = input.kind == Kind::disk
                             ? std::string(static_cast<std::size_t>(input.size), '\0')
                             : sample_bytes(seed++, static_cast<std::size_t>(input.size));
      for (std::size_t at = 16128; at < made[input.name].size(); at += 16384)
        made[input.name].replace(at, 256, 256, '\0');
      if (input.kind == Kind::disk)
        made[input.name].replace(1024 + 56, 2, "\x53\xEF");
      write_bytes(path, made[input.name]);
      break;
    }
  }
  return made;
}

// Content of an input as the model sees it: only regular files hold bytes.
NamedBytes model_input(const fs::path &dir, const std::string &name) {
  const fs::path path = dir / name;
  return {name, fs::is_regular_file(path) ? read_bytes(path) : std::string()};
}

// Devices, /proc, FIFOs, closed streams, the file-size limit and command lines
// longer than 32,767 characters exist only on Linux.
bool needs_linux(const Case &c) {
  bool needs = c.file_limit > 0 || !c.redirect.empty() || c.args.size() > 1000;
  for (const Input &input : c.inputs)
    needs = needs || input.kind == Kind::fifo || input.name.find('\t') != std::string::npos;
  // Windows takes no control characters in names.
  for (const std::string &arg : c.args)
    needs = needs || std::any_of(arg.begin(), arg.end(),
                                 [](char ch) { return static_cast<unsigned char>(ch) < 0x20; });
  for (const auto *list : {&c.args, &c.options})
    for (const std::string &arg : *list)
      needs = needs || arg.starts_with("/dev/") || arg.starts_with("/proc/");
  return needs;
}

// The value of an option, or empty.
std::string option_value(const Case &c, const std::string &name);

std::string map_option(const Case &c) {
  return option_value(c, "--map");
}

// Only a finished run changes files: the outfile and the map, or the files
// their links lead to.
bool may_change(const Case &c, const std::string &name) {
  if (c.status != 0 && c.status != 7)
    return false;
  const bool plan = std::find(c.options.begin(), c.options.end(), "--plan") != c.options.end();
  for (const std::string &written :
       {c.args.empty() || plan ? "" : c.args[0], map_option(c), option_value(c, "--equ"),
        option_value(c, "--sdas"), option_value(c, "--header")}) {
    if (written.empty())
      continue;
    if (name == written)
      return true;
    for (const Input &input : c.inputs)
      if (input.kind == Kind::symlink && input.name == written && input.target == name)
        return true;
  }
  return false;
}

std::string option_value(const Case &c, const std::string &name) {
  for (std::size_t i = 0; i < c.options.size(); ++i) {
    if (c.options[i] == name && i + 1 < c.options.size())
      return c.options[i + 1];
    if (c.options[i].starts_with(name + "="))
      return c.options[i].substr(name.size() + 1);
  }
  return "";
}

// How the tool reads a command line: which path is the outfile, the program
// and the data files (of many, the first three and the last), and the value
// of each option that takes one.
std::string reading(const Case &c) {
  std::string line = "romweld: read as";
  const auto name = [&line](const char *role, const std::string &path) {
    line.append(role).append(" '");
    for (const char byte : path) {
      char escape[8] = {byte, '\0'};
      if (byte == '\t')
        std::snprintf(escape, sizeof escape, "\\t");
      else if (static_cast<unsigned char>(byte) < 0x20)
        std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(byte));
      line.append(escape);
    }
    line.append("'");
  };
  name(" outfile", c.args[0]);
  name(", program", c.args[1]);
  line.append(c.args.size() == 3 ? ", data file" : ", data files");
  const std::size_t data = c.args.size() - 2;
  for (std::size_t i = 2; i < c.args.size(); ++i) {
    if (data > 5 && i == 5) {
      line.append(" (and ").append(std::to_string(data - 4)).append(" more)");
      i = c.args.size() - 1;
    }
    name("", c.args[i]);
  }
  for (const char *option : {"--map", "--equ", "--sdas", "--header", "--banks", "--min-banks"})
    if (const std::string value = option_value(c, option); !value.empty())
      name((std::string(", ") + option).c_str(), value);
  // A path that is an option was meant to come before the outfile.
  for (std::size_t i = 1; i < c.args.size(); ++i)
    if (c.args[i] == "--map" || c.args[i] == "-q" || c.args[i].starts_with("--equ=")) {
      line.append("; options come before the outfile");
      break;
    }
  return line.append("\n");
}

// A row's standard error, with the line that says how the command line was
// read in its place.
std::string expected_err(const Case &c) {
  std::string err = c.err;
  if (const std::size_t at = err.find(read_as); at != std::string::npos)
    err.replace(at, read_as.size(), reading(c));
  return err;
}

class Run : public testing::TestWithParam<Case> {};

TEST_P(Run, ReportStatusAndImage) {
  Case c = GetParam();
  if (tool_on_windows() && needs_linux(c))
    GTEST_SKIP() << "needs files or limits that only Linux has";
  const fs::path dir = make_scratch_dir();
  const std::map<std::string, std::string> made = make_inputs(dir, c);
  std::set<std::string> dangling;
  for (const Input &input : c.inputs)
    if (input.kind == Kind::symlink && !fs::exists(dir / input.name))
      dangling.insert(input.name);
  if (tool_on_windows()) {
    for (auto *list : {&c.args, &c.options})
      for (std::string &arg : *list)
        arg = windows_names(arg, dir);
    c.out = windows_names(c.out, dir);
    c.err = windows_names(c.err, dir);
  }

  // A kept outfile is given a time long past, which any write would change.
  const fs::path outfile = c.args.empty() ? dir : dir / c.args[0];
  const fs::file_type type_before = fs::status(outfile).type();
  const bool regular_before = type_before == fs::file_type::regular;
  const std::string bytes_before = regular_before ? read_bytes(outfile) : "";
  const fs::file_time_type long_ago =
      fs::file_time_type::clock::now() - std::chrono::hours(24 * 365);
  const Left left = c.outfile.left;
  if (left == Left::as_found && regular_before)
    fs::last_write_time(outfile, long_ago);
  for (const Input &input : c.inputs)
    if (input.kind == Kind::old_equ) {
      std::vector<NamedBytes> data;
      for (std::size_t i = 2; i < c.args.size(); ++i)
        data.push_back(model_input(dir, c.args[i]));
      write_bytes(dir / input.name, model_equ(data));
      fs::last_write_time(dir / input.name, long_ago);
    }

  std::vector<std::string> args = c.options;
  args.insert(args.end(), c.args.begin(), c.args.end());
  const ToolRun run = run_tool(dir, args, c.file_limit, c.redirect);
  EXPECT_EQ(run.err, expected_err(c));
  EXPECT_EQ(run.status, c.status);

  if (left == Left::absent && !c.args.empty()) {
    EXPECT_FALSE(fs::exists(fs::symlink_status(outfile)));
  }
  if (left == Left::as_found) {
    EXPECT_EQ(fs::status(outfile).type(), type_before);
    if (regular_before) {
      EXPECT_TRUE(read_bytes(outfile) == bytes_before) << "the outfile was changed";
      EXPECT_TRUE(fs::last_write_time(outfile) == long_ago) << "the outfile was touched";
    }
  }
  // What a finished run writes, checked against the model. Only then are the
  // inputs read: a failed run may name files of gigabytes, sparse or not.
  const bool finished = c.status == 0 || c.status == 7;
  std::vector<NamedBytes> data;
  for (std::size_t i = 2; finished && i < c.args.size(); ++i)
    data.push_back(model_input(dir, c.args[i]));
  const bool pack = std::find(c.options.begin(), c.options.end(), "--pack") != c.options.end();
  const std::string asked = option_value(c, "--banks");
  const std::string least = option_value(c, "--min-banks");
  std::size_t banks = asked.empty() ? 0 : std::stoul(asked);
  if (!least.empty())
    banks = std::max(model_image_banks(data, pack), std::stoul(least));
  const NamedBytes program =
      finished && c.args.size() > 1 ? model_input(dir, c.args[1]) : NamedBytes{};
  if (c.outfile.left != Left::on_stdout) {
    EXPECT_EQ(run.out,
              c.out == from_model ? model_report(c.args[0], program, data, banks, pack) : c.out);
  }
  if (left == Left::image || left == Left::on_stdout) {
    const std::string want = model_image(program.bytes, data, banks, pack);
    const std::string got = left == Left::image ? read_bytes(outfile) : run.out;
    EXPECT_EQ(first_difference(got, want, static_cast<std::size_t>(c.outfile.banks)), "");
  }
  if (finished) {
    if (const std::string map = map_option(c); !map.empty()) {
      EXPECT_EQ(read_bytes(dir / map), model_map(program, data, banks, pack));
    }
    if (const std::string equ = option_value(c, "--equ"); !equ.empty()) {
      EXPECT_EQ(read_bytes(dir / equ), model_equ(data, false, pack));
    }
    if (const std::string sdas = option_value(c, "--sdas"); !sdas.empty()) {
      EXPECT_EQ(read_bytes(dir / sdas), model_equ(data, true, pack));
    }
    if (const std::string header = option_value(c, "--header"); !header.empty()) {
      EXPECT_EQ(read_bytes(dir / header), model_header(header, data, pack));
    }
  }
  // An include that would not change keeps its time, so make rebuilds nothing.
  for (const Input &input : c.inputs)
    if (input.kind == Kind::old_equ) {
      EXPECT_TRUE(fs::last_write_time(dir / input.name) == long_ago)
          << input.name << " was touched";
    }
  // A map is whole or absent: no failed run leaves one, nor a temporary file.
  for (const fs::directory_entry &entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    EXPECT_FALSE(name.ends_with(".tmp") && !made.contains(name)) << name << " was left behind";
    EXPECT_TRUE(finished || made.contains(name) || name != map_option(c)) << "map written";
  }
  for (const auto &[name, bytes] : made)
    if (!may_change(c, name)) {
      EXPECT_TRUE(read_bytes(dir / name) == bytes) << name << " was changed";
    }
  // Links are followed, never replaced or removed. Wine shows a Windows
  // build no link that leads nowhere, so there such a link is just a name.
  for (const Input &input : c.inputs)
    if (input.kind == Kind::symlink && !(tool_on_windows() && dangling.contains(input.name))) {
      EXPECT_TRUE(fs::is_symlink(dir / input.name)) << input.name << " is no longer a link";
      EXPECT_EQ(fs::read_symlink(dir / input.name), input.target);
    }
  fs::remove_all(dir);
}

// A reader that stops reading ends the report, never the run: every file is
// written, and the status says that the report was lost.
TEST(BrokenPipe, LosesTheReportAndKeepsTheImage) {
  if (tool_on_windows())
    GTEST_SKIP() << "needs a POSIX shell's pipe";
  const fs::path dir = make_scratch_dir();
  write_bytes(dir / "p.bin", "\xAA\x55");
  std::string command = "cd '";
  command.append(dir.string()).append("' && (timeout 60 '" ROMWELD_PATH "' out.rom p.bin");
  // More report than a pipe holds, so that the tool is still writing when the
  // reader has gone.
  for (int i = 0; i < 1000; ++i) {
    const std::string name = std::string("e").append(std::to_string(i));
    write_bytes(dir / name, "");
    command.append(" ").append(name);
  }
  command += " 2>stderr.txt; echo $? >status.txt) | head -c 1 >/dev/null";
  write_bytes(dir.string() + ".sh", command);
  ASSERT_EQ(std::system(("sh '" + dir.string() + ".sh'").c_str()), 0);
  EXPECT_EQ(read_bytes(dir / "status.txt"), "7\n");
  EXPECT_EQ(read_bytes(dir / "stderr.txt"),
            small("out.rom") + "romweld: standard output: Broken pipe\n");
  EXPECT_EQ(read_bytes(dir / "out.rom").size(), 16384U);
  fs::remove(dir.string() + ".sh");
  fs::remove_all(dir);
}

std::string case_name(const testing::TestParamInfo<Case> &each) {
  return each.param.name;
}

INSTANTIATE_TEST_SUITE_P(Cases, Run, testing::ValuesIn(cases), case_name);
INSTANTIATE_TEST_SUITE_P(Windows, Run,
                         testing::ValuesIn(tool_on_windows()
                                               ? std::vector<Case>(std::begin(windows_cases),
                                                                   std::end(windows_cases))
                                               : std::vector<Case>()),
                         case_name);

} // namespace
