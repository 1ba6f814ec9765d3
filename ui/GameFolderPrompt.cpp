#include "ui/GameFolderPrompt.h"

#include <commdlg.h>

#include "engine/GameFolder.h"
#include "ui/framework/FileDialog.h"

namespace gridmoor::ui {

namespace {
constexpr std::size_t kChosenPathBuffer = 260;
}

std::optional<std::string> AskForGameFolder(HWND owner) {
  OpenFileSettings settings;
  settings.title = "Locate GPL.EXE";
  settings.filters = {{"GPL.exe File (gpl.exe)", "gpl.exe"}, {"All Files(*.*)", "*.*"}};
  // No OFN_NOCHANGEDIR: the current directory may move, which is harmless because the package
  // files are found through the package folder fixed at start.
  settings.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER;
  settings.bufferSize = kChosenPathBuffer;
  std::optional<std::string> chosen = AskOpenFileName(owner, settings);
  if (!chosen) return std::nullopt;
  return FolderOfChosenFile(*chosen);
}

}  // namespace gridmoor::ui
