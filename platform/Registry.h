#pragma once
// Read access to the system registry: the game's setup entry and the browser's file association.

#include <cstddef>
#include <memory>
#include <string>

namespace gridmoor {

enum class RegistryRoot { LocalMachine, ClassesRoot, CurrentUser };

// Access rights, with the values of the Windows KEY_* constants.
constexpr unsigned kKeyQueryValue = 0x0001;
constexpr unsigned kKeySetValue = 0x0002;

// Win32 status codes the implementations answer with.
constexpr long kRegistryOk = 0;
constexpr long kRegistryNotFound = 2;       // ERROR_FILE_NOT_FOUND
constexpr long kRegistryAccessDenied = 5;   // ERROR_ACCESS_DENIED
constexpr long kRegistryMoreData = 234;     // ERROR_MORE_DATA
constexpr long kRegistryWrongType = 13;     // ERROR_INVALID_DATA

class Registry {
 public:
  virtual ~Registry() = default;

  // Opens `subkey` under `root` asking for `access`, and reads the text value `valueName`
  // ("" for the key's default value) into a buffer of `bufferSize` bytes. Answers kRegistryOk
  // with the text in `text`, or a non-zero status: the key can't be opened with those rights,
  // the value is missing, is not text, or does not fit with its terminating NUL.
  virtual long ReadText(RegistryRoot root, const std::string& subkey,
                        const std::string& valueName, unsigned access, std::size_t bufferSize,
                        std::string& text) = 0;
};

// The implementation for the build's platform. The POSIX one has no registry: it answers
// kRegistryNotFound for every key.
std::unique_ptr<Registry> MakeNativeRegistry();

}  // namespace gridmoor
