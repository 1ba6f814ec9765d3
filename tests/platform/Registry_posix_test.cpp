#include "platform/Registry.h"

#include <gtest/gtest.h>

namespace gridmoor {
namespace {

TEST(RegistryPosix, EveryKeyIsMissing) {
  auto registry = MakeNativeRegistry();
  std::string text = "untouched";
  EXPECT_EQ(registry->ReadText(RegistryRoot::LocalMachine, "Software\\Sierra OnLine\\Setup\\GPL",
                               "Directory", kKeyQueryValue, 500, text),
            kRegistryNotFound);
  EXPECT_EQ(registry->ReadText(RegistryRoot::ClassesRoot, ".htm", "", kKeyQueryValue, 500, text),
            kRegistryNotFound);
}

}  // namespace
}  // namespace gridmoor
