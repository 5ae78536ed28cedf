#pragma once
// What every fuzz target shares: Qt's messages silenced before the first input (a rejected input
// logs, which would drown the fuzzer's own output), and a check that aborts with a message so
// libFuzzer keeps the input. Each target is one translation unit, so this is defined once.
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    return 0;
}

namespace parlix::fuzz {

inline void require(bool condition, const char *what)
{
    if (condition)
        return;
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
}

} // namespace parlix::fuzz
