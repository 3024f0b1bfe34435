#include "wide_text.h"

namespace agent {

bool WideEquals(const char16_t* left, const char16_t* right) {
  for (;; ++left, ++right) {
    if (*left != *right) return false;
    if (*left == 0) return true;
  }
}

void WideCopy(char16_t* destination, std::size_t capacity, const char16_t* source) {
  if (capacity == 0) return;
  std::size_t i = 0;
  for (; i + 1 < capacity && source[i] != 0; ++i) destination[i] = source[i];
  destination[i] = 0;
}

}  // namespace agent
