#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Helpers for running the built tool as a user would, in a scratch folder.

struct ToolRun {
  int status; // as a shell sees it: 0 to 255
  std::string out;
  std::string err;
};

// True when ROMWELD_WINDOWS is set: the tool is a Windows build, run under
// wine, whose messages end in CR LF.
bool tool_on_windows();

// Runs the tool with these arguments inside dir. The tool is the one built
// with the tests, or the command in the environment variable ROMWELD_COMMAND.
// The messages come back with plain LF line ends on every system.
// A file_limit above 0 caps the size of every file the tool writes, in bytes
// (a multiple of 512), so that a write past it fails with EFBIG. redirect is
// shell redirections that take effect after the tool's own ("2>&-" closes
// standard error).
ToolRun run_tool(const std::filesystem::path &dir, const std::vector<std::string> &args,
                 std::int64_t file_limit = 0, const std::string &redirect = "");

// A fresh, empty folder of its own under the system's temporary folder; for
// a Windows build, in the C: drive of the wine prefix that runs it.
std::filesystem::path make_scratch_dir();

// text with the names of dir as a Windows build reaches it put in: @C for
// C:\..., @L for \\?\C:\..., @Z for Z:\..., and @X for drive X:, which
// this maps to dir itself.
std::string windows_names(const std::string &text, const std::filesystem::path &dir);

// All of a file, or what could be read of it before an error.
std::string read_bytes(const std::filesystem::path &path);
void write_bytes(const std::filesystem::path &path, const std::string &bytes);

// Bytes that differ from file to file and hold every value, so that nothing in
// the tool can treat them as text: each starts with 0x1A, CR LF, LF and CR.
std::string sample_bytes(std::uint32_t seed, std::size_t size);
