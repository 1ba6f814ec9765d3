// The floor an install from a zip is measured against under Wine: what a player does by hand
// with the plainest tools. Unpacks every file of the zip into a folder (zlib's inflate, through
// the zip reader; no checks of names or limits), then copies the files into the target folder,
// each flushed to disk as the install's copy is, and deletes the unpacked folder.
//
//   unzip_floor ZIP UNPACKED TARGET

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/ZipArchive.h"

namespace {

std::string Backslashed(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

void MakeFoldersFor(const std::string& file) {
  for (std::size_t at = file.find('\\', 3); at != std::string::npos; at = file.find('\\', at + 1))
    CreateDirectoryA(file.substr(0, at).c_str(), nullptr);
}

bool Unpack(gridmoor::ByteSource& zip, const gridmoor::ZipEntry& entry, const std::string& path) {
  MakeFoldersFor(path);
  HANDLE out = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return false;
  const gridmoor::ZipRead read =
      gridmoor::ReadZipEntry(zip, entry, UINT64_MAX, [out](const char* bytes, std::size_t size) {
        DWORD written = 0;
        return WriteFile(out, bytes, static_cast<DWORD>(size), &written, nullptr) != 0 &&
               written == size;
      });
  CloseHandle(out);
  return read.status == gridmoor::ZipStatus::kOk;
}

bool CopyDurably(const std::string& from, const std::string& to) {
  MakeFoldersFor(to);
  if (!CopyFileA(from.c_str(), to.c_str(), FALSE)) return false;
  HANDLE copy = CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (copy == INVALID_HANDLE_VALUE) return false;
  const bool flushed = FlushFileBuffers(copy) != 0;
  CloseHandle(copy);
  return flushed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: unzip_floor ZIP UNPACKED TARGET\n");
    return 2;
  }
  const std::unique_ptr<gridmoor::FileByteSource> zip = gridmoor::FileByteSource::Open(argv[1]);
  if (!zip) return 1;
  const gridmoor::ZipDirectory directory = gridmoor::ReadZipDirectory(*zip);
  if (directory.status != gridmoor::ZipStatus::kOk) return 1;
  const std::string unpacked = argv[2], target = argv[3];
  std::vector<std::string> names;
  for (const gridmoor::ZipEntry& entry : directory.entries) {
    if (entry.directory) continue;
    names.push_back(Backslashed(entry.name));
    if (!Unpack(*zip, entry, unpacked + "\\" + names.back())) return 1;
  }
  for (const std::string& name : names) {
    if (!CopyDurably(unpacked + "\\" + name, target + "\\" + name)) return 1;
    DeleteFileA((unpacked + "\\" + name).c_str());
  }
  return 0;
}
