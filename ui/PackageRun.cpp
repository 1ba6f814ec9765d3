#include "ui/PackageRun.h"

#include <exception>
#include <vector>

#include "archive/ArchiveUnpack.h"
#include "archive/Staging.h"
#include "platform/ZipArchive.h"
#include "ui/InstallDlg.h"
#include "ui/framework/MessageBox.h"

namespace gridmoor::ui {

namespace {

void Refuse(HWND owner, const std::string& text) {
  MessageBoxA(owner, text.c_str(), ApplicationTitle().c_str(), MB_OK | MB_ICONSTOP);
}

// The current folder set to a package folder while the dialog runs (the package is read from
// it), and put back before the staging folder is removed: a folder in use cannot be.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::string& folder) {
    char before[MAX_PATH + 1] = {};
    const DWORD length = GetCurrentDirectoryA(sizeof before, before);
    if (length > 0 && length < sizeof before) m_before.assign(before, length);
    m_entered = SetCurrentDirectoryA(folder.c_str()) != 0;
  }
  ~CurrentFolder() {
    if (!m_before.empty()) SetCurrentDirectoryA(m_before.c_str());
  }
  CurrentFolder(const CurrentFolder&) = delete;
  CurrentFolder& operator=(const CurrentFolder&) = delete;
  bool Entered() const { return m_entered; }

 private:
  std::string m_before;
  bool m_entered = false;
};

void RunDialogIn(const std::string& folder, HWND owner) {
  const CurrentFolder current(folder);
  if (!current.Entered()) {
    Refuse(owner, folder + ": cannot be opened as the package folder");
    return;
  }
  CInstallDlg dialog;
  dialog.DoModal(owner);  // the outcome was shown in message boxes
}

// The dialog over the one package of an unpacked archive; the staging folder goes with
// `staging` when the caller's scope ends.
void RunDialogOver(const UnpackedArchive& unpacked, const std::string& shown, HWND owner) {
  if (!unpacked.ok) {
    Refuse(owner, unpacked.error);
    return;
  }
  if (unpacked.folders.size() != 1) {
    Refuse(owner, shown + ": holds " + std::to_string(unpacked.folders.size()) +
                      " packages; unpack it and start the program in the folder of one");
    return;
  }
  RunDialogIn(unpacked.folders.front(), owner);
}

std::string OwnFile() {
  std::vector<char> name(MAX_PATH + 1);
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) return {};
    if (length < name.size()) return std::string(name.data(), length);
    name.resize(name.size() * 2);
  }
}

}  // namespace

void RunInstallFrom(const std::string& path, HWND owner) {
  try {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      Refuse(owner, path + ": no such file or folder");
      return;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      RunDialogIn(path, owner);
      return;
    }
    if (SniffArchive(path) == ArchiveKind::kNone) {
      Refuse(owner, path + ": a file, not a package folder nor an archive");
      return;
    }
    ArchiveStaging staging;
    RunDialogOver(staging.Unpack(path), path, owner);
  } catch (const std::exception& error) {
    // The staging folder is gone already: unwinding took it.
    Refuse(owner, path + ": " + error.what());
  }
}

bool RunInstallFromOwnPayload(HWND owner) {
  const std::string self = OwnFile();
  if (self.empty()) return false;
  {
    // Only the headers are read when the program carries nothing behind its own bytes (a
    // signature's certificate table and its padding aside). What it carries is its package,
    // whole or not: a damaged one is said to be, not taken for the plain program.
    const std::unique_ptr<FileByteSource> source = FileByteSource::Open(self);
    if (!source) return false;
    const std::uint64_t imageEnd = ProgramImageEnd(*source);
    const std::uint64_t certificates = CertificateTableStart(*source);
    const std::uint64_t end = certificates != 0 ? certificates : source->Size();
    if (imageEnd == 0 || end <= imageEnd + 8) return false;
  }
  try {
    ArchiveStaging staging;
    RunDialogOver(staging.UnpackZip(self), self, owner);
  } catch (const std::exception& error) {
    Refuse(owner, self + ": " + error.what());
  }
  return true;
}

void RemoveLeftoverStagingFolders() { RemoveLeftoverStaging(TemporaryFolder()); }

}  // namespace gridmoor::ui
