// parlixctl replace [--rules FILE]: rewrites UTF-8 text from stdin with the replacement rules.
#include "cli/Command.h"
#include "cli/Context.h"
#include "core/TextReplacementRule.h"
#include "text/TextReplacementService.h"

#include <QFile>
#include <QStringDecoder>

#include <cstdio>

namespace parlix::cli {

namespace {

QByteArray readStandardInput()
{
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly))
        return {};
    return in.readAll();
}

// Strict UTF-8: invalid, overlong or surrogate sequences are an error, and a leading byte order
// mark is kept so unchanged text comes back byte for byte.
std::optional<QString> decodeUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

int runReplace(const QStringList &args)
{
    std::optional<QString> rulesPath;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == u"--rules" && i + 1 < args.size() && !rulesPath) {
            rulesPath = args[++i];
        } else {
            printError(QStringLiteral("parlixctl replace: unexpected or incomplete argument '%1'").arg(args[i]));
            printError(QStringLiteral("Usage: parlixctl replace [--rules FILE] < text"));
            return 2;
        }
    }

    std::optional<QList<TextReplacementRule>> rules;
    if (rulesPath) {
        QFile file(*rulesPath);
        if (!file.open(QIODevice::ReadOnly)) {
            printError(QStringLiteral("Cannot read rules file %1: %2").arg(*rulesPath, file.errorString()));
            return 1;
        }
        rules = TextReplacementRule::decode(file.readAll());
        if (!rules) {
            printError(QStringLiteral("Rules file %1 is not a JSON array of rules with \"id\", \"trigger\", "
                                      "\"replacement\" and \"isEnabled\"")
                           .arg(*rulesPath));
            return 1;
        }
    }

    const auto text = decodeUtf8(readStandardInput());
    if (!text) {
        printError(QStringLiteral("parlixctl replace: standard input is not valid UTF-8"));
        return 1;
    }

    // Flags change the settings of this run only (the context keeps its writes in memory).
    Context context;
    if (rules) {
        context.settings.setExperimentalFeaturesEnabled(true);
        context.settings.setTextReplacementEnabled(true);
        context.settings.setTextReplacementRules(*rules);
    }
    const TextReplacementService service(context.settings);
    printOut(service.applyReplacements(*text).toUtf8());
    return 0;
}

const Registration registration{{"replace", "replace [--rules FILE]  (text on stdin, result on stdout)", runReplace}};

} // namespace

} // namespace parlix::cli
