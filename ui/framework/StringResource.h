#pragma once
// The program's texts from its string table.

#include <windows.h>

#include <initializer_list>
#include <string>

namespace gridmoor::ui {

// String `id` of the program's resources; empty when there is none.
std::string LoadResourceString(UINT id);

// String `id` with each "%1", "%2", ... replaced by the argument of that number; a "%" not
// followed by a digit that names an argument stays as it is.
std::string FormatResourceString(UINT id, std::initializer_list<std::string> arguments);

// The same replacement on a given text.
std::string FormatText(const std::string& pattern, std::initializer_list<std::string> arguments);

}  // namespace gridmoor::ui
