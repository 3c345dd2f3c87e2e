#include "image/input.h"

#include <cerrno>

Opened open_regular(const char *path, const FileId *expected) {
  Opened opened{};
  opened.code = open_input(path, opened.file);
  if (opened.code == 0)
    opened.code = identify(opened.file, opened.info);
  if (opened.code == 0 && opened.info.type == FileType::directory) {
    opened.code = EISDIR;
    opened.reason = reason_directory;
  } else if (opened.code == 0 && opened.info.type != FileType::regular) {
    // The number is ESPIPE's, for want of one that says "not a regular file".
    opened.code = ESPIPE;
    opened.reason = reason_not_regular;
  } else if (opened.code == 0 && expected != nullptr && !same_file(opened.info.id, *expected)) {
    opened.code = EAGAIN;
    opened.reason = reason_replaced;
  }
  if (opened.code != 0 && opened.file != nullptr) {
    (void)std::fclose(opened.file);
    opened.file = nullptr;
  }
  return opened;
}

Fault not_opened(const Opened &opened, What what, const char *path) {
  return {.what = what, .path = path, .code = opened.code, .reason = opened.reason};
}

Fault size_input(Input &input) {
  const Opened opened = open_regular(input.path);
  if (opened.file == nullptr)
    return not_opened(opened, What::size_input, input.path);
  (void)std::fclose(opened.file);
  input.id = opened.info.id;
  input.size = opened.info.size;
  return {};
}
