#include "image/hex.h"

#include "image/layout.h"
#include "image/place.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <string_view>

namespace {

// A linker changes segment once per bank, and once more for each area of a
// bank it writes apart from the others: far fewer than this.
constexpr std::size_t max_runs = 262144;
std::array<Run, max_runs> runs;

// Which byte of each segment's window has been given, to find one given twice.
std::array<std::uint8_t, max_segments * bank_size / 8> given;

// The records are read through a buffer of the tool's own.
std::array<char, 65536> buffer;

// The reason of a fault, its numbers filled in.
std::array<char, 512> said;

// NOLINTNEXTLINE(cert-dcl50-cpp): printf-style, checked by the attribute
[[gnu::format(printf, 1, 2)]] const char *say(const char *format, ...) {
  va_list args;
  va_start(args, format);
  (void)std::vsnprintf(said.data(), said.size(), format, args);
  va_end(args);
  return said.data();
}

// One line of the file: a record holds at most 255 bytes, 521 characters.
constexpr std::size_t longest_line = 1 + 2 * (1 + 2 + 1 + 255 + 1) + 2;

struct Record {
  int type;
  int length;
  std::uint32_t offset;
  std::array<unsigned char, 255> bytes;
};

// The value of each hexadecimal digit, in either case; -1 for any other byte.
constexpr std::array<signed char, 256> digits = [] {
  std::array<signed char, 256> values{};
  values.fill(-1);
  for (std::size_t i = 0; i < 10; ++i)
    values['0' + i] = static_cast<signed char>(i);
  for (std::size_t i = 0; i < 6; ++i) {
    values['A' + i] = static_cast<signed char>(10 + i);
    values['a' + i] = static_cast<signed char>(10 + i);
  }
  return values;
}();

int digit(char c) {
  return digits[static_cast<unsigned char>(c)];
}

// A line as a record, or the reason it is none.
const char *parse(std::string_view line, Record &record) {
  constexpr const char *reason_no_record = "line %lld is no Intel HEX record";
  constexpr const char *reason_checksum = "line %lld: its checksum is wrong";
  constexpr const char *reason_length = "line %lld: its length is not its bytes'";
  constexpr const char *reason_type = "line %lld: record type is none of 00 to 05";
  if (line.ends_with('\r'))
    line.remove_suffix(1);
  if (line.size() < 11 || line[0] != ':' || line.size() % 2 == 0)
    return reason_no_record;
  std::array<unsigned char, (longest_line - 1) / 2> raw{};
  const std::size_t count = (line.size() - 1) / 2;
  unsigned sum = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const int high = digit(line[1 + 2 * i]);
    const int low = digit(line[2 + 2 * i]);
    if (high < 0 || low < 0)
      return reason_no_record;
    raw[i] = static_cast<unsigned char>(high * 16 + low);
    sum += raw[i];
  }
  record = {raw[3], raw[0], static_cast<std::uint32_t>(raw[1] * 256 + raw[2]), {}};
  if (static_cast<std::size_t>(record.length) + 5 != count)
    return reason_length;
  if ((sum & 0xFF) != 0)
    return reason_checksum;
  if (record.type > 5)
    return reason_type;
  // The end has no bytes, the bases two and the start addresses four.
  constexpr int lengths[] = {-1, 0, 2, 4, 2, 4};
  if (lengths[record.type] >= 0 && record.length != lengths[record.type])
    return reason_length;
  std::copy_n(raw.begin() + 4, record.length, record.bytes.begin());
  return nullptr;
}

// The address of byte i of a data record.
std::int64_t address_of(const Run &base, const Record &record, int i) {
  const std::uint32_t offset = record.offset + static_cast<std::uint32_t>(i);
  return static_cast<std::int64_t>(base.base) + (base.wraps ? offset & 0xFFFF : offset);
}

// Where a byte goes in its segment's window, or the reason it goes nowhere.
const char *place_of(std::int64_t address, std::int64_t &index) {
  constexpr const char *reason_past_segments = "%06llX is past the 16 MB that 256 segments address";
  const std::int64_t low = address & 0xFFFF;
  if (address >= max_segments << 16)
    return reason_past_segments;
  if (address >> 16 == 0) {
    constexpr const char *reason_below_program =
        "%06llX is below 0x8000, where the program bank begins: the standard crt0, or --code-loc "
        "under 0x8000, puts code there";
    constexpr const char *reason_past_program =
        "%06llX is past 0xBFFF, where the program bank ends: the program runs past it, or a bank "
        "was linked without its segment";
    index = low - program_address;
    return low < program_address ? reason_below_program
           : low >= program_end  ? reason_past_program
                                 : nullptr;
  }
  constexpr const char *reason_below_window =
      "%06llX is below 0xC000 in its segment: the window is at 0xC000, so link bank n at n x "
      "0x10000 + 0xC000";
  constexpr const char *reason_strobes =
      "%06llX is in 0xFF00 to 0xFFFF of its segment, where the strobes that select banks are";
  index = low - window_address;
  return low < window_address ? reason_below_window : low >= window_end ? reason_strobes : nullptr;
}

// A hash of bytes and their places, for the second reading to find records
// that changed in place since the first.
std::uint32_t mixed(std::uint32_t check, std::int64_t index, unsigned char byte) {
  return (check ^ static_cast<std::uint32_t>(index << 8 | byte)) * 16777619U;
}

// The state of the first reading: the base of the records to come, the run
// they add to, and the lines and runs so far.
struct Reading {
  Linked *linked;
  Run base;
  std::size_t runs;
  bool in_run;
  std::int64_t line;
  std::int64_t offset;
};

Fault refused_line(const char *path, const char *reason, std::int64_t line) {
  return {.what = What::linked_record,
          .path = path,
          .code = EINVAL,
          .reason = say(reason, static_cast<long long>(line)),
          .line = line};
}

// Where the bytes of a record go in their segment's window, all of them:
// false for one that wraps, or crosses out of its segment or the window.
bool placed_whole(const Run &base, const Record &record, std::int64_t &index) {
  const std::int64_t first = address_of(base, record, 0);
  const std::int64_t last = address_of(base, record, record.length - 1);
  std::int64_t end = 0;
  return last - first == record.length - 1 && place_of(first, index) == nullptr &&
         place_of(last, end) == nullptr && first >> 16 == last >> 16;
}

// Adds a record of bytes to the run of its segment, or begins one.
Fault add_to_run(Reading &reading, std::uint32_t segment, const char *path) {
  constexpr const char *reason_too_many_runs =
      "line %lld: the records change segment more than 262144 times";
  if (reading.in_run && runs[reading.runs - 1].segment == segment) {
    ++runs[reading.runs - 1].lines;
    return {};
  }
  if (reading.runs == max_runs)
    return refused_line(path, reason_too_many_runs, reading.line);
  runs[reading.runs++] = {reading.offset, 1, segment, reading.base.base, reading.base.wraps};
  reading.in_run = true;
  return {};
}

// Places a data record's bytes, each given once, and adds it to a run. A
// record is taken whole where it can be; else byte by byte, to name the
// first that goes nowhere.
Fault take_bytes(Reading &reading, const Record &record, const char *path) {
  constexpr const char *reason_two_segments =
      "line %lld: its bytes fall in two segments, as its offsets wrap at 64K";
  std::int64_t whole = 0;
  const bool at_once = placed_whole(reading.base, record, whole);
  if (!at_once && address_of(reading.base, record, 0) >> 16 !=
                      address_of(reading.base, record, record.length - 1) >> 16)
    return refused_line(path, reason_two_segments, reading.line);
  for (int i = 0; i < record.length; ++i) {
    const std::int64_t address = address_of(reading.base, record, i);
    std::int64_t index = whole + i;
    const char *reason = at_once ? nullptr : place_of(address, index);
    const auto bit = static_cast<std::size_t>((address >> 16) * bank_size + index);
    constexpr const char *reason_twice =
        "%06llX is given twice: two areas are linked over each other";
    if (reason == nullptr && (given[bit / 8] & (1U << (bit % 8))) != 0)
      reason = reason_twice;
    if (reason != nullptr)
      return {.what = What::linked_byte,
              .path = path,
              .code = EINVAL,
              .reason = say(reason, static_cast<long long>(address)),
              .address = address};
    given[bit / 8] = static_cast<std::uint8_t>(given[bit / 8] | (1U << (bit % 8)));
    Segment &segment = reading.linked->segments[static_cast<std::size_t>(address >> 16)];
    segment.first = segment.used == 0 ? static_cast<std::int32_t>(index)
                                      : std::min(segment.first, static_cast<std::int32_t>(index));
    ++segment.used;
    segment.check = mixed(segment.check, index, record.bytes[static_cast<std::size_t>(i)]);
  }
  return add_to_run(reading, static_cast<std::uint32_t>(address_of(reading.base, record, 0) >> 16),
                    path);
}

// Takes one record of the first reading; ended tells the end record.
Fault take_record(Reading &reading, const Record &record, const char *path, bool &ended) {
  const auto value = static_cast<std::uint32_t>(record.bytes[0] * 256 + record.bytes[1]);
  switch (record.type) {
  case 0:
    if (record.length > 0)
      return take_bytes(reading, record, path);
    // No bytes: a line of its run all the same, which the second reading reads.
    if (reading.in_run)
      ++runs[reading.runs - 1].lines;
    return {};
  case 1:
    ended = true;
    break;
  case 2:
  case 4: {
    // The same base again changes nothing: the run goes on, this line in it.
    const Run base{0, 0, 0, record.type == 2 ? value << 4 : value << 16, record.type == 2};
    if (base.base == reading.base.base && base.wraps == reading.base.wraps) {
      if (reading.in_run)
        ++runs[reading.runs - 1].lines;
      return {};
    }
    reading.base = base;
    break;
  }
  default:
    // The start address: the console starts at the word at 0x800A.
    break;
  }
  reading.in_run = false;
  return {};
}

// Reads the next line into text: false at the end of the file, or on an
// error. A line too long to be a record is cut to what text holds. A line may
// hold NUL bytes, so its end is found by its line end, or by the last byte
// that fgets wrote over the filler.
bool next_line(std::FILE *file, std::array<char, longest_line + 2> &text, std::size_t &length,
               std::size_t &consumed) {
  constexpr char filler = '\x01';
  text.fill(filler);
  if (std::fgets(text.data(), static_cast<int>(text.size()), file) == nullptr)
    return false;
  if (const void *end = std::memchr(text.data(), '\n', text.size())) {
    length = static_cast<std::size_t>(static_cast<const char *>(end) - text.data());
    consumed = length + 1;
    return true;
  }
  // fgets ends what it read with a NUL, which no filler follows.
  std::size_t end = text.size();
  while (end > 0 && text[end - 1] == filler)
    --end;
  length = end > 0 ? end - 1 : 0;
  consumed = length;
  for (int c = std::fgetc(file); c != EOF && c != '\n'; c = std::fgetc(file))
    ++consumed;
  consumed += std::feof(file) != 0 ? 0 : 1;
  return true;
}

Fault read_records(std::FILE *file, const char *path, Linked &linked) {
  constexpr const char *reason_after_end = "line %lld comes after the end record";
  constexpr const char *reason_no_end = "no end record after line %lld: the file is cut short";
  Reading reading{&linked, {0, 0, 0, 0, false}, 0, false, 0, 0};
  std::array<char, longest_line + 2> text{};
  std::size_t length = 0;
  std::size_t consumed = 0;
  bool ended = false;
  while (next_line(file, text, length, consumed)) {
    ++reading.line;
    if (ended)
      return refused_line(path, reason_after_end, reading.line);
    Record record{};
    if (const char *reason = parse({text.data(), length}, record))
      return refused_line(path, reason, reading.line);
    if (const Fault fault = take_record(reading, record, path, ended); failed(fault))
      return fault;
    reading.offset += static_cast<std::int64_t>(consumed);
  }
  if (std::ferror(file) != 0)
    return {.what = What::size_input, .path = path, .code = errno};
  if (!ended)
    return refused_line(path, reason_no_end, reading.line);
  std::sort(runs.begin(), runs.begin() + static_cast<std::ptrdiff_t>(reading.runs),
            [](const Run &a, const Run &b) {
              return a.segment != b.segment ? a.segment < b.segment : a.offset < b.offset;
            });
  linked.runs = std::span(runs).first(reading.runs);
  return {};
}

} // namespace

bool linked_program(const char *path) {
  const std::string_view name = path;
  if (name.size() < 4)
    return false;
  std::array<char, 4> end{};
  for (std::size_t i = 0; i < 4; ++i) {
    const char c = name[name.size() - 4 + i];
    end[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  const std::string_view suffix(end.data(), end.size());
  return suffix == ".ihx" || suffix == ".hex";
}

Fault read_linked(const Input &program, Linked &linked) {
  const Opened opened = open_regular(program.path, &program.id);
  if (opened.file == nullptr)
    return not_opened(opened, What::size_input, program.path);
  (void)std::setvbuf(opened.file, buffer.data(), _IOFBF, buffer.size());
  linked = {};
  linked.path = program.path;
  std::fill(given.begin(), given.end(), 0);
  const Fault fault = read_records(opened.file, program.path, linked);
  (void)std::fclose(opened.file);
  return fault;
}

Fault fit_segments(const Linked &linked, std::span<const Input> data, std::int64_t banks,
                   std::int64_t data_banks) {
  const std::int64_t data_start = banks - 1 - data_banks;
  const auto used = [&linked](std::int64_t s) {
    return linked.segments[static_cast<std::size_t>(s)].used > 0;
  };
  for (std::int64_t s = 1; s < max_segments; ++s) {
    if (!used(s))
      continue;
    const std::int64_t bank = s % banks;
    Fault fault{.what = What::linked_bank, .path = linked.path, .code = EINVAL, .segment = s};
    constexpr const char *reason_program_segment =
        "segment %lld would be bank %lld of an image of %lld banks, the program's";
    if (bank == banks - 1)
      fault.reason = say(reason_program_segment, static_cast<long long>(s),
                         static_cast<long long>(bank), static_cast<long long>(banks));
    constexpr const char *reason_data_segment =
        "segment %lld would be bank %lld of an image of %lld banks, where data file %s is";
    for (const Input &file : data)
      if (fault.reason == nullptr && bank >= data_start + file.bank &&
          bank < data_start + file.bank + banks_spanned(file))
        fault.reason = say(reason_data_segment, static_cast<long long>(s),
                           static_cast<long long>(bank), static_cast<long long>(banks), file.path);
    constexpr const char *reason_shared_segments =
        "segments %lld and %lld would share bank %lld of an image of %lld banks";
    for (std::int64_t other = 1; other < s && fault.reason == nullptr; ++other)
      if (used(other) && other % banks == bank)
        fault.reason =
            say(reason_shared_segments, static_cast<long long>(other), static_cast<long long>(s),
                static_cast<long long>(bank), static_cast<long long>(banks));
    if (fault.reason != nullptr)
      return fault;
  }
  return {};
}

// Places one record's bytes of the second reading, byte by byte where it
// wraps; false if one falls elsewhere than the first reading found.
bool place_record(const Run &run, const Record &record, std::int64_t segment, unsigned char *to,
                  Segment &found) {
  for (int i = 0; i < record.length; ++i) {
    const std::int64_t address = address_of(run, record, i);
    std::int64_t index = 0;
    if (address >> 16 != segment || place_of(address, index) != nullptr)
      return false;
    to[index] = record.bytes[static_cast<std::size_t>(i)];
    found.check = mixed(found.check, index, to[index]);
    ++found.used;
  }
  return true;
}

int place_segment(std::FILE *file, const Linked &linked, std::int64_t segment, unsigned char *to) {
  (void)std::setvbuf(file, buffer.data(), _IOFBF, buffer.size());
  const auto first = std::lower_bound(
      linked.runs.begin(), linked.runs.end(), segment,
      [](const Run &run, std::int64_t s) { return static_cast<std::int64_t>(run.segment) < s; });
  std::array<char, longest_line + 2> text{};
  Segment found{};
  for (auto run = first; run != linked.runs.end() && run->segment == segment; ++run) {
    if (std::fseek(file, static_cast<long>(run->offset), SEEK_SET) != 0)
      return errno;
    for (std::uint32_t line = 0; line < run->lines; ++line) {
      std::size_t length = 0;
      std::size_t consumed = 0;
      Record record{};
      if (!next_line(file, text, length, consumed))
        return std::ferror(file) != 0 ? errno : -1;
      // The bases of the run may stand in it again.
      if (parse({text.data(), length}, record) != nullptr ||
          (record.type != 0 && record.type != 2 && record.type != 4) ||
          (record.type == 0 && !place_record(*run, record, segment, to, found)))
        return -1;
    }
  }
  const Segment &read = linked.segments[static_cast<std::size_t>(segment)];
  return found.used == read.used && found.check == read.check ? 0 : -1;
}
