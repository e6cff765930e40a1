// The text of a fresh string from the routines under test, which it frees: "<null>" for null.
#pragma once

#include <cstdlib>
#include <string>

inline std::string take(char* text) {
  std::string copy = text != nullptr ? text : "<null>";
  std::free(text);
  return copy;
}
