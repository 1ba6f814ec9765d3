#pragma once
// Opening a web address in the user's browser, and the words for when that fails.

#include <windows.h>

#include <functional>
#include <string>

#include "platform/Registry.h"

namespace gridmoor::ui {

// Size of the buffer the browser command is built in; a command longer than 519 characters
// is refused, never cut.
constexpr std::size_t kCommandBufferSize = 2 * MAX_PATH;

// The command that starts the browser registered for ".htm" on `address`: `registered` cut
// before its placeholder ("%1" in quotes first, else a bare %1), then a space and the address.
// Answers false, leaving `command` alone, when it would not fit kCommandBufferSize with its NUL.
bool BuildBrowserCommand(const std::string& registered, const std::string& address,
                         std::string& command);

// The reason for a ShellExecute or WinExec failure code, as the error box words it.
std::string LaunchErrorReason(int code);
// The error box's whole text: "Can't open link:\n\n" and the reason.
std::string LaunchErrorText(int code);

// The steps LaunchUrl takes, replaceable for tests.
struct LaunchSteps {
  // ShellExecute "open" on the address; answers its code.
  std::function<int(const std::string& address, int showCommand)> shellOpen;
  // Reads the default value of a key under HKEY_CLASSES_ROOT; answers a Win32 status.
  std::function<long(const std::string& subkey, std::string& value)> readClassesRootDefault;
  // WinExec; answers its code.
  std::function<int(const std::string& command, int showCommand)> runCommand;
};
// The real steps: ShellExecuteA, ReadKeyDefault on HKEY_CLASSES_ROOT, WinExec.
const LaunchSteps& SystemLaunchSteps();

// Opens `address`: through the shell, else through the command registered for ".htm".
// Answers the shell's or WinExec's code: above 32 on success. When the registry lookup fails
// or the command doesn't fit, the shell's code is answered.
int LaunchUrl(const std::string& address, int showCommand,
              const LaunchSteps& steps = SystemLaunchSteps());

// Reads the default value of `subkey` under `root` (at most 259 characters). Answers 0 with
// the text in `value`, or the non-zero status of the open or the read (a key whose default is
// empty answers kRegistryNotFound).
long ReadKeyDefault(Registry& registry, RegistryRoot root, const std::string& subkey,
                    std::string& value);

// Shows LaunchErrorText(code) in the program's message box with the exclamation icon.
void ShowLaunchError(int code);

// How a label opens its target and tells the user when it can't; tests put in their own.
class LinkLauncher {
 public:
  virtual ~LinkLauncher() = default;
  // Opens `address`; answers the ShellExecute or WinExec code, above 32 on success.
  virtual int Launch(const std::string& address, int showCommand) = 0;
  // Tells the user that opening failed with `code`.
  virtual void ReportFailure(int code) = 0;
};

// LaunchUrl with the system's steps; failures get an exclamation beep and ShowLaunchError.
LinkLauncher& SystemLinkLauncher();

}  // namespace gridmoor::ui
