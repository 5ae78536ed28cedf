#pragma once
// A parlixctl subcommand. Each subcommand lives in its own *Command.cpp and registers itself:
//   static const parlix::cli::Registration registration{{"name", "name ARGS…", run}};
#include <QStringList>

#include <functional>
#include <vector>

namespace parlix::cli {

struct Command {
    const char *name;
    const char *usage; // one line, shown by "parlixctl --help"
    std::function<int(const QStringList &args)> run; // gets the arguments after the name
};

struct Registration {
    explicit Registration(Command command);
};

const std::vector<Command> &registeredCommands();

// Printing helpers: stdout gets results byte for byte, stderr gets errors (with a newline).
void printOut(const QByteArray &bytes);
void printError(const QString &message);

} // namespace parlix::cli
