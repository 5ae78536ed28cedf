#pragma once
// A parlixctl subcommand: gets its arguments (after the subcommand name) and returns the exit code.
#include <QStringList>

#include <functional>

namespace parlix::cli {

struct Command {
    const char *name;
    const char *usage; // one line, shown by "parlixctl --help"
    std::function<int(const QStringList &args)> run;
};

// Printing helpers: stdout gets results byte for byte, stderr gets errors.
void printOut(const QByteArray &bytes);
void printError(const QString &message);

int runTranscribe(const QStringList &args);

} // namespace parlix::cli
