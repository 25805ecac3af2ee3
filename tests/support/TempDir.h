#pragma once
#include <string>
#include <vector>

namespace zanto::test {

// A fresh folder under the system's temporary folder, removed with its contents at scope end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return Path_; }
  // Path() + "/" + name.
  std::string File(const std::string& name) const;

 private:
  std::string Path_;
};

// The names of the files in a folder, sorted; empty when the folder does not exist.
std::vector<std::string> FileNamesIn(const std::string& folder);

// Whole file as bytes; empty when missing.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace zanto::test
