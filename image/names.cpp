#include "image/names.h"

#include "image/layout.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace {

// One constant name, by the parts it is made of, so that names are hashed
// and compared without being built: a leading '_' or none, the file's last
// path component as the name maps it, then the suffix.
struct Key {
  const char *component;
  std::size_t length; // of the name before the suffix, the '_' included
  std::size_t lead;   // 1 for the '_' before a leading digit
  std::string_view suffix;
};

Key key_of(const char *path, std::string_view suffix) {
  const char *component = path + folder_length(path);
  const std::size_t lead = *component >= '0' && *component <= '9' ? 1 : 0;
  // As long as a Name holds.
  const std::size_t length = std::min(std::strlen(component) + lead, path_capacity + 1);
  return {component, length, lead, suffix};
}

std::size_t length_of(const Key &key) {
  return key.length + key.suffix.size();
}

char name_char(const Key &key, std::size_t i) {
  if (i >= key.length)
    return key.suffix[i - key.length];
  if (i < key.lead)
    return '_';
  const char c = key.component[i - key.lead];
  const char up = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  return (up >= 'A' && up <= 'Z') || (up >= '0' && up <= '9') ? up : '_';
}

std::uint32_t hash_of(const Key &key) {
  // FNV-1a.
  std::uint32_t hash = 2166136261U;
  for (std::size_t i = 0; i < length_of(key); ++i)
    hash = (hash ^ static_cast<unsigned char>(name_char(key, i))) * 16777619U;
  return hash;
}

bool same_key(const Key &a, const Key &b) {
  if (length_of(a) != length_of(b))
    return false;
  for (std::size_t i = 0; i < length_of(a); ++i)
    if (name_char(a, i) != name_char(b, i))
      return false;
  return true;
}

// A hash map from the name of a file's constants, without a suffix, to the
// first data file that gives it: open addressing in fixed storage, at most
// half full for the most data files a run can have.
struct Slot {
  std::uint32_t hash;
  std::uint32_t file; // 1 + its index, 0 for an empty slot
};
std::array<Slot, std::bit_ceil(2 * max_data_files)> slots;
std::size_t mask = 0;

// The first of the files given so far whose name is key's, or -1.
std::int64_t giver_of(std::span<const Input> data, const Key &key) {
  const std::uint32_t hash = hash_of(key);
  for (std::size_t at = hash & mask; slots[at].file != 0; at = (at + 1) & mask)
    if (slots[at].hash == hash && same_key(key_of(data[slots[at].file - 1].path, ""), key))
      return slots[at].file - 1;
  return -1;
}

void give(std::span<const Input> data, std::size_t file) {
  const Key key = key_of(data[file].path, "");
  if (giver_of(data, key) >= 0)
    return;
  const std::uint32_t hash = hash_of(key);
  std::size_t at = hash & mask;
  while (slots[at].file != 0)
    at = (at + 1) & mask;
  slots[at] = {hash, static_cast<std::uint32_t>(file + 1)};
}

// Whether key's name ends in suffix; if so, short is the name without it.
bool ends_in(const Key &key, std::string_view suffix, Key &short_key) {
  if (suffix.empty() || !key.suffix.empty() || key.length < suffix.size())
    return false;
  for (std::size_t i = 0; i < suffix.size(); ++i)
    if (name_char(key, key.length - suffix.size() + i) != suffix[i])
      return false;
  short_key = {key.component, key.length - suffix.size(),
               std::min(key.lead, key.length - suffix.size()), ""};
  return true;
}

// The earliest data file before it whose constants give file's name with
// suffix: one of the same name with that suffix, one whose name is file's
// less a suffix, or one whose name is file's with the suffix.
std::int64_t first_giver(std::span<const Input> data, std::size_t file, std::string_view suffix) {
  const Key key = key_of(data[file].path, "");
  std::int64_t first = giver_of(data, key);
  const auto earlier = [&first](std::int64_t giver) {
    if (giver >= 0 && (first < 0 || giver < first))
      first = giver;
  };
  if (suffix.empty()) {
    Key short_key{};
    for (const std::string_view other : suffixes)
      if (ends_in(key, other, short_key))
        earlier(giver_of(data, short_key));
  } else {
    earlier(giver_of(data, key_of(data[file].path, suffix)));
  }
  return first;
}

// Names that an assembler reads as its own, whatever the case: each one
// misread by pasmo, Debian's z80asm or sdasz80, as a constant in "ld a,(NAME)",
// "ld hl,NAME", "jp NAME" and "dw NAME". Sorted, for a binary search.
constexpr std::string_view registers[] = {
    "A",  "AF",  "B",   "BC", "C", "D",  "DE", "E",  "H", "HL", "I",  "IX", "IXH", "IXL",
    "IY", "IYH", "IYL", "L",  "M", "MB", "NC", "NZ", "P", "PE", "PO", "R",  "SP",  "Z"};
constexpr std::string_view instructions[] = {
    "ADC",  "ADD",  "AND",  "BIT",  "CALL", "CCF",  "CP",  "CPD",  "CPDR", "CPI",  "CPIR", "CPL",
    "DAA",  "DEC",  "DI",   "DJNZ", "EI",   "EX",   "EXX", "HALT", "IM",   "IN",   "INC",  "IND",
    "INDR", "INI",  "INIR", "JP",   "JR",   "LD",   "LDD", "LDDR", "LDI",  "LDIR", "NEG",  "NOP",
    "OR",   "OTDR", "OTIR", "OUT",  "OUTD", "OUTI", "POP", "PUSH", "RES",  "RET",  "RETI", "RETN",
    "RL",   "RLA",  "RLC",  "RLCA", "RLD",  "RR",   "RRA", "RRC",  "RRCA", "RRD",  "RST",  "SBC",
    "SCF",  "SET",  "SLA",  "SLL",  "SRA",  "SRL",  "SUB", "XOR"};
constexpr std::string_view directives[] = {
    "DB",  "DEFB",   "DEFINED", "DEFL", "DEFM", "DEFS",   "DEFW",  "DS",  "DW",    "ELSE",
    "END", "ENDIF",  "ENDM",    "ENDP", "EQ",   "EQU",    "EXITM", "GE",  "GT",    "HIGH",
    "IF",  "INCBIN", "INCLUDE", "IRP",  "LE",   "LOCAL",  "LOW",   "LT",  "MACRO", "MOD",
    "NE",  "NOT",    "NUL",     "ORG",  "PROC", "PUBLIC", "REPT",  "SHL", "SHR"};
constexpr std::pair<std::span<const std::string_view>, const char *> reserved[] = {
    {registers, reason_register},
    {instructions, reason_instruction},
    {directives, reason_directive}};
constexpr std::size_t longest_reserved = 7;

// What the assemblers take a constant for, or nullptr.
const char *reserved_as(const Key &key) {
  if (length_of(key) > longest_reserved)
    return nullptr;
  std::array<char, longest_reserved> text{};
  for (std::size_t i = 0; i < length_of(key); ++i)
    text[i] = name_char(key, i);
  const std::string_view name(text.data(), length_of(key));
  for (const auto &[names, what] : reserved)
    if (std::binary_search(names.begin(), names.end(), name))
      return what;
  return nullptr;
}

// Whether a name begins with a condition and _, which Debian's z80asm takes
// in jp, jr and call for the condition, and then fails on the rest.
bool condition_first(const Key &key) {
  constexpr std::string_view conditions[] = {"C", "M", "NC", "NZ", "P", "PE", "PO", "Z"};
  for (const std::string_view condition : conditions) {
    bool same = length_of(key) > condition.size() && name_char(key, condition.size()) == '_';
    for (std::size_t i = 0; same && i < condition.size(); ++i)
      same = name_char(key, i) == condition[i];
    if (same)
      return true;
  }
  return false;
}

bool kept_by_c(const Key &key) {
  if (length_of(key) < 2 || name_char(key, 0) != '_')
    return false;
  const char second = name_char(key, 1);
  return second == '_' || (second >= 'A' && second <= 'Z');
}

} // namespace

Misread find_misread(std::span<const Input> data, bool assembler, bool sdas, const char *header) {
  if (header != nullptr && kept_by_c(key_of(header, "")))
    return {header, "", Misreading::kept_by_c, nullptr};
  for (const Input &input : data)
    for (const std::string_view suffix : suffixes) {
      const Key key = key_of(input.path, suffix);
      if (header != nullptr && kept_by_c(key))
        return {input.path, suffix, Misreading::kept_by_c, nullptr};
      if (const char *what = assembler || sdas ? reserved_as(key) : nullptr)
        return {input.path, suffix, Misreading::reserved, what};
      if (assembler && condition_first(key))
        return {input.path, suffix, Misreading::condition, nullptr};
      if (sdas && length_of(key) > sdas_name_limit)
        return {input.path, suffix, Misreading::too_long, nullptr};
    }
  return {};
}

Name constant_name(const char *path) {
  Name name{};
  const Key key = key_of(path, "");
  for (std::size_t i = 0; i < key.length; ++i)
    name.text[i] = name_char(key, i);
  return name;
}

Clash find_clash(std::span<const Input> data, const char *header) {
  mask = std::bit_ceil(std::max<std::size_t>(2 * data.size(), 1)) - 1;
  std::fill_n(slots.begin(), mask + 1, Slot{});
  const Key guard = header != nullptr ? key_of(header, "") : Key{};
  for (std::size_t file = 0; file < data.size(); ++file) {
    for (const std::string_view suffix : suffixes) {
      if (header != nullptr && same_key(key_of(data[file].path, suffix), guard))
        return {data[file].path, header, suffix};
      if (const std::int64_t giver = first_giver(data, file, suffix); giver >= 0)
        return {data[file].path, data[static_cast<std::size_t>(giver)].path, suffix};
    }
    give(data, file);
  }
  return {};
}
