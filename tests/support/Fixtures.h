#pragma once
// The generated media fixtures (tests/support/make_fixtures.sh, run once per build folder by
// the CTest fixture "media_fixtures"; test programs declared MEDIA wait for it).
#include <string>

namespace zanto::test {

std::string FixtureDir();
// Full path of a fixture file; fails the calling test (ADD_FAILURE) when it does not exist.
std::string Fixture(const std::string& name);
// The project's data folder (data/ in the source tree).
std::string DataDir();

}  // namespace zanto::test
