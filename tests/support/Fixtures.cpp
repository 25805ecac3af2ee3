#include "support/Fixtures.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zanto::test {

std::string FixtureDir() { return ZANTO_FIXTURE_DIR; }

std::string Fixture(const std::string& name) {
  std::string path = FixtureDir() + "/" + name;
  if (!std::filesystem::exists(path)) ADD_FAILURE() << "missing fixture " << path;
  return path;
}

std::string DataDir() { return ZANTO_DATA_DIR; }

}  // namespace zanto::test
