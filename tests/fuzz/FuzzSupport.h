#pragma once
// What every fuzz target shares: Qt's messages silenced (a rejected input logs, which would drown
// the fuzzer's own output), and a check that aborts with a message so libFuzzer keeps the input.
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

namespace parlix::fuzz {

inline void silenceQtMessages()
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
}

inline void require(bool condition, const char *what)
{
    if (condition)
        return;
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
}

} // namespace parlix::fuzz
