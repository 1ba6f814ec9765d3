#include "cli/PackageFolder.h"

#include <filesystem>

#include "platform/FileException.h"

namespace gridmoor::cli {

std::optional<std::string> PackageFolderPath(FileSystem& files, const std::string& argument,
                                             std::string& error) {
  std::error_code failed;
  std::string folder = std::filesystem::absolute(argument, failed).lexically_normal().string();
  if (failed) folder = argument;
  while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\') &&
         !(folder.size() == 3 && folder[1] == ':'))
    folder.pop_back();
  try {
    if (files.GetStatus(folder).attributes & kAttributeDirectory) return folder;
    error = argument + ": a file, not a package folder";
  } catch (const CFileException&) {
    error = argument + ": no such package folder";
  }
  return std::nullopt;
}

}  // namespace gridmoor::cli
