#include "host_text.h"

namespace agent {

std::string EncodeTextModeWide(const char16_t* text) {
  std::string bytes;
  for (; *text != 0; ++text) {
    if (*text == u'\n') bytes += '\r';
    bytes += *text < 0x80 ? static_cast<char>(*text) : '?';
  }
  return bytes;
}

}  // namespace agent
