// Test entry point: a Qt application object exists for every test (event loop, QProcess,
// coroutines resuming on the main thread).
#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
