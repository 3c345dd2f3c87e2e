#include "tool.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string quoted(const std::string &word) {
  std::string out = "'";
  for (char c : word) {
    if (c == '\'')
      out.append("'\\''");
    else
      out.push_back(c);
  }
  out.push_back('\'');
  return out;
}

// Windows ends lines with CR LF; any other CR is the tool's own and stays.
std::string with_plain_line_ends(std::string text) {
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
    text.erase(at, 1);
  return text;
}

} // namespace

bool tool_on_windows() {
  const char *windows = std::getenv("ROMWELD_WINDOWS");
  return windows != nullptr && *windows != '\0';
}

ToolRun run_tool(const fs::path &dir, const std::vector<std::string> &args, std::int64_t file_limit,
                 const std::string &redirect) {
  const char *command = std::getenv("ROMWELD_COMMAND");
  // The time limit turns a hang (a FIFO opened by mistake) into a failure.
  std::string line = "cd ";
  line += quoted(dir.string());
  // With SIGXFSZ ignored, a write past the limit fails instead of killing.
  if (file_limit > 0)
    line += " && trap '' XFSZ && ulimit -f " + std::to_string(file_limit / 512);
  line += " && timeout 60 ";
  line += command != nullptr ? std::string(command) : quoted(ROMWELD_PATH);
  for (const std::string &arg : args) {
    line += ' ';
    line += quoted(arg);
  }
  line += " >stdout.txt 2>stderr.txt </dev/null " + redirect + "\n";
  // From a script beside dir: a command line of many paths is more than a
  // single argument to the shell may hold.
  const fs::path script = dir.string() + ".sh";
  write_bytes(script, line);
  const int wait_status = std::system(("sh " + quoted(script.string())).c_str());
  fs::remove(script);
  ToolRun run{WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1,
              read_bytes(dir / "stdout.txt"), read_bytes(dir / "stderr.txt")};
  if (tool_on_windows()) {
    run.out = with_plain_line_ends(run.out);
    run.err = with_plain_line_ends(run.err);
  }
  fs::remove(dir / "stdout.txt");
  fs::remove(dir / "stderr.txt");
  return run;
}

namespace {

// Where the scratch folders are: under drive_c for a Windows build, so
// that one folder can be reached by several drive names.
fs::path scratch_root() {
  const char *prefix = std::getenv("WINEPREFIX");
  if (tool_on_windows() && prefix != nullptr)
    return fs::path(prefix) / "drive_c" / "romweld-tests";
  return fs::temp_directory_path();
}

std::string backslashed(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

} // namespace

fs::path make_scratch_dir() {
  static int made = 0;
  const fs::path dir =
      scratch_root() / ("romweld-test-" + std::to_string(getpid()) + "-" + std::to_string(made++));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::string read_bytes(const fs::path &path) {
  std::string bytes;
  std::FILE *in = std::fopen(path.c_str(), "rb");
  if (in == nullptr)
    return bytes;
  char block[65536];
  std::size_t got = 0;
  while ((got = std::fread(block, 1, sizeof block, in)) > 0)
    bytes.append(block, got);
  std::fclose(in);
  return bytes;
}

void write_bytes(const fs::path &path, const std::string &bytes) {
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string sample_bytes(std::uint32_t seed, std::size_t size) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char &byte : bytes)
    byte = static_cast<char>(random() & 0xFF);
  // Every file starts with the bytes a text-mode stream would change or stop at.
  const std::string text_bytes = "\x1A\r\n\n\r";
  bytes.replace(0, std::min(size, text_bytes.size()), text_bytes, 0, size);
  return bytes;
}

std::string windows_names(const std::string &text, const fs::path &dir) {
  const char *prefix = std::getenv("WINEPREFIX");
  if (text.find('@') == std::string::npos || prefix == nullptr)
    return text;
  const std::string in_c = "C:\\romweld-tests\\" + dir.filename().string();
  const fs::path drive_x = fs::path(prefix) / "dosdevices" / "x:";
  fs::remove(drive_x);
  fs::create_directory_symlink(dir, drive_x);
  const std::pair<std::string, std::string> names[] = {{"@C", in_c},
                                                       {"@L", "\\\\?\\" + in_c},
                                                       {"@Z", "Z:" + backslashed(dir.string())},
                                                       {"@X", "X:"}};
  std::string out = text;
  for (const auto &[mark, name] : names)
    for (std::size_t at = out.find(mark); at != std::string::npos; at = out.find(mark, at))
      out.replace(at, mark.size(), name);
  return out;
}
