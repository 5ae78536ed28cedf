#include "TestEnvironment.h"

namespace parlix::test {

namespace {
// An environment variable overrides the path the build recorded.
QString path(const char *variable, const char *builtIn)
{
    const QString fromEnvironment = qEnvironmentVariable(variable);
    return fromEnvironment.isEmpty() ? QString::fromUtf8(builtIn) : fromEnvironment;
}
} // namespace

QString fixturesDirectory() { return path("PARLIX_TEST_FIXTURES", PARLIX_TEST_FIXTURES); }
QString resourceDirectory() { return path("PARLIX_RESOURCE_DIR", PARLIX_TEST_RESOURCE_DIR); }
QString testBinDirectory() { return path("PARLIX_TEST_BIN", PARLIX_TEST_BIN); }
QString binDirectory() { return path("PARLIX_BIN", PARLIX_BIN); }

} // namespace parlix::test
