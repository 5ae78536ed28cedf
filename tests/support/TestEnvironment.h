#pragma once
// Paths handed to the tests by CTest.
#include <QString>

namespace parlix::test {

// tests/fixtures in the source tree.
QString fixturesDirectory();
// The build's resource directory (holds the real whisper-cli when the build has one).
QString resourceDirectory();
// Directory of the test executables and test tools.
QString testBinDirectory();
// Directory of the product executables (parlixctl, parlix).
QString binDirectory();

} // namespace parlix::test
