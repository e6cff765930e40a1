// The bytes that a text of hexadecimal digit pairs stands for: how the tests hand the Windows-side
// programs bytes that no command line of Wine's would carry intact.
#pragma once

#include <string>

inline std::string from_hex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}
