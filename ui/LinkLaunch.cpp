#include "ui/LinkLaunch.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "ui/framework/MessageBox.h"
#include "ui/framework/SystemLibrary.h"

namespace gridmoor::ui {

namespace {

// Where `needle` first starts in `text` on a character boundary: a double-byte character's
// trail byte may look like '%' or '"' and must not begin a match.
std::string::size_type FindOnCharacterBoundary(const std::string& text,
                                               const std::string& needle) {
  std::string::size_type at = 0;
  while (at < text.size()) {
    if (text.compare(at, needle.size(), needle) == 0) return at;
    const bool lead = IsDBCSLeadByte(static_cast<BYTE>(text[at])) && at + 1 < text.size();
    at += lead ? 2 : 1;
  }
  return std::string::npos;
}

class SystemLauncher final : public LinkLauncher {
 public:
  int Launch(const std::string& address, int showCommand) override {
    return LaunchUrl(address, showCommand);
  }
  void ReportFailure(int code) override {
    MessageBeep(MB_ICONEXCLAMATION);
    ShowLaunchError(code);
  }
};

}  // namespace

bool BuildBrowserCommand(const std::string& registered, const std::string& address,
                         std::string& command) {
  std::string built = registered;
  std::string::size_type placeholder = FindOnCharacterBoundary(built, "\"%1\"");
  if (placeholder == std::string::npos) placeholder = built.find("%1");
  if (placeholder != std::string::npos) built.erase(placeholder);
  built += ' ';
  built += address;
  if (built.size() >= kCommandBufferSize) return false;
  command = std::move(built);
  return true;
}

std::string LaunchErrorReason(int code) {
  switch (code) {
    case 0:
      return "The operating system is out\nof memory or resources.";
    case ERROR_FILE_NOT_FOUND:
      return "The specified file was not found.";
    case ERROR_PATH_NOT_FOUND:
      return "The specified path was not found.";
    case SE_ERR_ACCESSDENIED:
      return "The operating system denied\naccess to the specified file.";
    case SE_ERR_OOM:
      return "There was not enough memory to complete the operation.";
    case ERROR_BAD_FORMAT:
      return "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
    case SE_ERR_SHARE:
      return "A sharing violation occurred. ";
    case SE_ERR_ASSOCINCOMPLETE:
      return "The filename association is\nincomplete or invalid.";
    case SE_ERR_DDETIMEOUT:
      return "The DDE transaction could not\nbe completed because the request timed out.";
    case SE_ERR_DDEFAIL:
      return "The DDE transaction failed.";
    case SE_ERR_DDEBUSY:
      return "The DDE transaction could not\nbe completed because other DDE transactions\n"
             "were being processed.";
    case SE_ERR_NOASSOC:
      return "There is no application associated\nwith the given filename extension.";
    case SE_ERR_DLLNOTFOUND:
      return "The specified dynamic-link library was not found.";
    default: {
      char text[64];
      std::snprintf(text, sizeof text, "Unknown Error (%d) occurred.", code);
      return text;
    }
  }
}

std::string LaunchErrorText(int code) { return "Can't open link:\n\n" + LaunchErrorReason(code); }

long ReadKeyDefault(Registry& registry, RegistryRoot root, const std::string& subkey,
                    std::string& value) {
  std::string text;
  const long status = registry.ReadText(root, subkey, "", kKeyQueryValue, MAX_PATH, text);
  if (status != kRegistryOk) return status;
  // The caller takes success as a command read, so an empty default is "none".
  if (text.empty()) return kRegistryNotFound;
  value = std::move(text);
  return kRegistryOk;
}

const LaunchSteps& SystemLaunchSteps() {
  static const LaunchSteps steps{
      [](const std::string& address, int showCommand) {
        static const auto shellExecute =
            SystemFunctionOf<decltype(ShellExecuteA)>("shell32.dll", "ShellExecuteA");
        // Without the function the launch fails as ShellExecute would: a value of 32 or less.
        if (!shellExecute) return 0;
        const auto instance = reinterpret_cast<INT_PTR>(
            shellExecute(nullptr, "open", address.c_str(), nullptr, nullptr, showCommand));
        return static_cast<int>(instance);
      },
      [](const std::string& subkey, std::string& value) {
        static const std::unique_ptr<Registry> registry = MakeNativeRegistry();
        return ReadKeyDefault(*registry, RegistryRoot::ClassesRoot, subkey, value);
      },
      [](const std::string& command, int showCommand) {
        return static_cast<int>(WinExec(command.c_str(), static_cast<UINT>(showCommand)));
      }};
  return steps;
}

int LaunchUrl(const std::string& address, int showCommand, const LaunchSteps& steps) {
  const int shellResult = steps.shellOpen(address, showCommand);
  if (static_cast<unsigned>(shellResult) > 32) return shellResult;

  std::string documentClass;
  if (steps.readClassesRootDefault(".htm", documentClass) != ERROR_SUCCESS) return shellResult;
  std::string registered;
  if (steps.readClassesRootDefault(documentClass + "\\shell\\open\\command", registered) !=
      ERROR_SUCCESS) {
    return shellResult;
  }
  std::string command;
  if (!BuildBrowserCommand(registered, address, command)) return shellResult;
  return steps.runCommand(command, showCommand);
}

void ShowLaunchError(int code) { AppMessageBox(LaunchErrorText(code), MB_ICONEXCLAMATION | MB_OK); }

LinkLauncher& SystemLinkLauncher() {
  static SystemLauncher launcher;
  return launcher;
}

}  // namespace gridmoor::ui
