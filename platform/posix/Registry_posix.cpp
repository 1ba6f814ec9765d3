// POSIX has no registry: every key is missing, so the game folder starts empty and the link
// falls back to the shell.

#include "platform/Registry.h"

namespace gridmoor {
namespace {

class PosixRegistry : public Registry {
 public:
  long ReadText(RegistryRoot, const std::string&, const std::string&, unsigned, std::size_t,
                std::string&) override {
    return kRegistryNotFound;
  }
};

}  // namespace

std::unique_ptr<Registry> MakeNativeRegistry() { return std::make_unique<PosixRegistry>(); }

}  // namespace gridmoor
