#include "ui/InstallApp.h"

#include <string>

#include "engine/GameFolder.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "ui/CommandLine.h"
#include "ui/GameFolderPrompt.h"
#include "ui/InstallDlg.h"
#include "ui/PackageRun.h"
#include "ui/SeasonWindow.h"

namespace gridmoor::ui {

// The one application object, started by WinMain.
CInstallApp theApp;

namespace {

// DLLs from the system folder only, never from the folder the program was started from (a
// setup file runs from the downloads). Windows before 8 without its update lacks the call.
void LoadLibrariesFromSystemOnly() {
  using SetDirectories = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  const auto set = kernel ? reinterpret_cast<SetDirectories>(reinterpret_cast<void*>(
                                GetProcAddress(kernel, "SetDefaultDllDirectories")))
                          : nullptr;
  if (set) set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace

BOOL CInstallApp::InitInstance() {
  LoadLibrariesFromSystemOnly();
  RemoveLeftoverStagingFolders();
  const std::string commandLine = GetCommandLineA();
  if (AsksForSeasonWindow(commandLine)) {
    RunSeasonWindow();
    return FALSE;
  }
  // A package named on the command line, then one the program carries (a setup file); else
  // the current folder is the package.
  const std::string package = PackageArgument(commandLine);
  if (!package.empty()) {
    RunInstallFrom(package, nullptr);
    return FALSE;
  }
  if (RunInstallFromOwnPayload(nullptr)) return FALSE;
  // The 3D-controls library that once gave dialogs their raised look has no counterpart on
  // today's Windows; the manifest's version 6 common controls give the look instead.
  CInstallDlg dialog;
  // The dialog makes itself the main window while it runs: every message box is owned by it.
  // There is no help: F1 shows nothing.
  dialog.DoModal();  // the end code carries no meaning: the outcome was shown in message boxes
  return FALSE;
}

void CInstallApp::RunSeasonWindow() {
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  std::unique_ptr<Registry> registry = MakeNativeRegistry();
  // The game is found as the install dialog finds it; without a setup entry the player points
  // at gpl.exe, and cancelling ends the program.
  std::string folder = GetGamePathFromRegistry(*registry);
  if (folder.empty()) {
    std::optional<std::string> chosen = AskForGameFolder(nullptr);
    if (!chosen) return;
    folder = *chosen;
  }
  CSeasonDlg window(*files, folder);
  window.Run(nullptr);
}

}  // namespace gridmoor::ui
