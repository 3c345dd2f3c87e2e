#include "app/inputs.h"

#include "app/outputs.h"
#include "image/names.h"
#include "sys/report.h"

#include <cerrno>

namespace {

// What an input must not be: the outfile, found before the inputs, and
// standard output and standard error, where the report and the notes go.
struct Others {
  const char *outfile;
  const FileInfo *replaced; // the outfile, if it is a file to replace
  FileInfo out;             // standard output
  bool out_is_file;         // whether that is a regular file
  FileInfo err;             // standard error
  bool err_is_file;
};

Failure size_one(Input &input, const Others &others) {
  constexpr const char *reason_is_input = "is also an input file";
  constexpr const char *reason_is_stdout = "is also standard output, where the report goes";
  constexpr const char *reason_is_stderr = "is also standard error, where the notes go";
  if (const Fault fault = size_input(input); failed(fault))
    return failure_of(fault, others.outfile);
  if (others.replaced != nullptr && same_file(input.id, others.replaced->id))
    return with_reading(fail(status_outfile, {EINVAL, others.outfile, reason_is_input},
                             "Failed to open outfile, it is also an input file"));
  // Not a line of the report or a note into the input.
  const bool err = others.err_is_file && same_file(input.id, others.err.id);
  const bool out = others.out_is_file && same_file(input.id, others.out.id);
  keep_off(out, err);
  if (out || err)
    return with_reading(fail(status_sizing,
                             {EINVAL, input.path, out ? reason_is_stdout : reason_is_stderr},
                             "Failed to size file %s", input.path));
  return {};
}

Failure clashed(const Clash &clash) {
  constexpr const char *reason_clash = "same constant name %s%.*s as %s";
  const Name name = constant_name(clash.path);
  const int length = static_cast<int>(clash.suffix.size());
  const Words words = worded(reason_clash, name.text.data(), length, clash.suffix.data(),
                             escaped(clash.other).text.data());
  return fail(status_names, {EINVAL, clash.path, words.text.data()},
              "Failed to name data file %s, %s gives the same name %s%.*s", clash.path, clash.other,
              name.text.data(), length, clash.suffix.data());
}

Failure misread_as(const Misread &misread) {
  constexpr const char *reason_kept_by_c =
      "%s%.*s begins with _ and a capital or a second _, which C keeps for itself";
  constexpr const char *reason_reserved = "%s%.*s is %s, not a constant, to an assembler";
  constexpr const char *reason_condition =
      "%s%.*s begins with a Z80 condition and _, which z80asm reads as a jump's condition";
  constexpr const char *reason_long_name =
      "%s%.*s has %lld characters; sdasz80 tells only %lld apart";
  const Name name = constant_name(misread.path);
  const char *text = name.text.data();
  const int length = static_cast<int>(misread.suffix.size());
  const char *suffix = misread.suffix.data();
  switch (misread.how) {
  case Misreading::none:
    break;
  case Misreading::kept_by_c:
    return fail(status_names,
                {EINVAL, misread.path, worded(reason_kept_by_c, text, length, suffix).text.data()},
                "Failed to name %s, C keeps %s%.*s for itself", misread.path, text, length, suffix);
  case Misreading::reserved:
    return fail(status_names,
                {EINVAL, misread.path,
                 worded(reason_reserved, text, length, suffix, misread.reserved).text.data()},
                "Failed to name data file %s, an assembler reserves %s%.*s", misread.path, text,
                length, suffix);
  case Misreading::condition:
    return fail(status_names,
                {EINVAL, misread.path, worded(reason_condition, text, length, suffix).text.data()},
                "Failed to name data file %s, z80asm reads %s%.*s as a condition", misread.path,
                text, length, suffix);
  case Misreading::too_long: {
    const auto characters = static_cast<long long>(name.view().size() + misread.suffix.size());
    return fail(status_names,
                {EINVAL, misread.path,
                 worded(reason_long_name, text, length, suffix, characters,
                        static_cast<long long>(sdas_name_limit))
                     .text.data()},
                "Failed to name data file %s, %s%.*s is too long", misread.path, text, length,
                suffix);
  }
  }
  return {};
}

} // namespace

Failure size_inputs(const char *outfile, Input *program, std::span<char *const> paths,
                    std::span<Input> data) {
  constexpr const char *reason_too_many_files = "more data files than any system passes a program";
  Others others{outfile, outfile_found(), {}, false, {}, false};
  others.out_is_file = identify(stdout, others.out) == 0 && others.out.type == FileType::regular;
  others.err_is_file = identify(stderr, others.err) == 0 && others.err.type == FileType::regular;
  if (program != nullptr)
    if (const Failure failure = size_one(*program, others); failed(failure))
      return failure;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (i == data.size())
      return with_reading(fail(status_sizing, {E2BIG, paths[i], reason_too_many_files},
                               "Failed to size file %s", paths[i]));
    data[i] = {paths[i], {}, 0, 0, 0};
    if (const Failure failure = size_one(data[i], others); failed(failure))
      return failure;
  }
  return {};
}

Failure check_names(const Options &options, std::span<const Input> data) {
  const char *header = file_of(options, Form::header);
  const bool assembler = file_of(options, Form::equ) != nullptr;
  const bool sdas = file_of(options, Form::sdas) != nullptr;
  if (!assembler && !sdas && header == nullptr)
    return {};
  if (const Clash clash = find_clash(data, header); clash.path != nullptr)
    return clashed(clash);
  const Misread misread = find_misread(data, assembler, sdas, header);
  return misread.how != Misreading::none ? misread_as(misread) : Failure{};
}
