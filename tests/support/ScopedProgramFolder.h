#pragma once
// Points the program folder somewhere else for one test and puts it back afterwards, also when
// an assertion ends the test early.
#include <string>

#include "platform/Paths.h"

namespace zanto::test {

class TScopedProgramFolder {
 public:
  explicit TScopedProgramFolder(const std::string& folder) : Saved_(platform::ProgramFolder()) {
    platform::SetProgramFolder(folder);
  }
  ~TScopedProgramFolder() { platform::SetProgramFolder(Saved_); }
  TScopedProgramFolder(const TScopedProgramFolder&) = delete;
  TScopedProgramFolder& operator=(const TScopedProgramFolder&) = delete;

 private:
  std::string Saved_;
};

}  // namespace zanto::test
