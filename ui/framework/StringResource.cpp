#include "ui/framework/StringResource.h"

#include <vector>

namespace gridmoor::ui {

std::string LoadResourceString(UINT id) {
  // A table entry holds at most 4097 characters; the buffer only needs to hold ours.
  std::vector<char> buffer(4100, '\0');
  const int length =
      LoadStringA(GetModuleHandleA(nullptr), id, buffer.data(), static_cast<int>(buffer.size()));
  return length > 0 ? std::string(buffer.data(), static_cast<std::size_t>(length)) : std::string();
}

std::string FormatText(const std::string& pattern, std::initializer_list<std::string> arguments) {
  std::string text;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
    const std::size_t number = static_cast<std::size_t>(next - '0');
    if (pattern[i] == '%' && next >= '1' && next <= '9' && number <= arguments.size()) {
      text += *(arguments.begin() + (number - 1));
      ++i;
    } else {
      text += pattern[i];
    }
  }
  return text;
}

std::string FormatResourceString(UINT id, std::initializer_list<std::string> arguments) {
  return FormatText(LoadResourceString(id), arguments);
}

}  // namespace gridmoor::ui
