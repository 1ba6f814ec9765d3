#pragma once
// A package folder named on the command line, made into the form the engine reads packages in.

#include <optional>
#include <string>

#include "platform/FileSystem.h"
#include "platform/ForwardingFileSystem.h"

namespace gridmoor::cli {

// `argument` as an absolute folder path, or nullopt with `error` set when it is no folder.
std::optional<std::string> PackageFolderPath(FileSystem& files, const std::string& argument,
                                             std::string& error);

// Every call goes to another file system, except that the current directory is the package
// folder: the engine reads a package from the current directory.
class PackageFolderFileSystem : public ForwardingFileSystem {
 public:
  PackageFolderFileSystem(FileSystem& inner, std::string folder)  // `inner` not owned
      : ForwardingFileSystem(inner), m_folder(std::move(folder)) {}

  std::optional<std::string> CurrentDirectory(std::size_t bufferSize) override {
    if (m_folder.size() >= bufferSize) return std::nullopt;
    return m_folder;
  }

 private:
  std::string m_folder;
};

}  // namespace gridmoor::cli
