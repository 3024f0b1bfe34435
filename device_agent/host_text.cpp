#include "host_text.h"

namespace agent {

namespace {

bool IsBlank(char16_t unit) { return unit == u' ' || unit == u'\t'; }

}  // namespace

const char16_t* ArgumentsFromHostCommandLine(const char16_t* commandLine) {
  static const char16_t kEmpty[] = u"";
  if (commandLine == nullptr) return kEmpty;
  const char16_t* cursor = commandLine;
  if (*cursor == u'"') {
    ++cursor;
    while (*cursor != 0 && *cursor != u'"') ++cursor;
    if (*cursor == u'"') ++cursor;
  } else {
    while (*cursor != 0 && !IsBlank(*cursor)) ++cursor;
  }
  if (IsBlank(*cursor)) ++cursor;
  return cursor;
}

std::string EncodeTextModeWide(const char16_t* text) {
  std::string bytes;
  for (; *text != 0; ++text) {
    if (*text == u'\n') bytes += '\r';
    bytes += *text < 0x80 ? static_cast<char>(*text) : '?';
  }
  return bytes;
}

}  // namespace agent
