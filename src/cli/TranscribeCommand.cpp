// parlixctl transcribe FILE.wav [--model PATH] [--language CODE] [--translate] [--prompt TEXT]
//                     [--engine per-clip|server|remote]
#include "cli/Command.h"
#include "cli/Context.h"
#include "core/Constants.h"
#include "core/Paths.h"
#include "engine/RemoteServerEngine.h"
#include "engine/RemoteServerToken.h"
#include "engine/SelectedEngine.h"
#include "engine/WhisperServerEngine.h"
#include "engine/WhisperTranscriber.h"

#include "core/Coro.h"
#include <QFileInfo>

namespace parlix::cli {

namespace {
bool knownLanguage(const QString &code)
{
    for (const auto &language : Constants::supportedLanguages()) {
        if (language.code == code)
            return true;
    }
    return false;
}
} // namespace

namespace {
constexpr auto kUsage = "transcribe FILE.wav [--model PATH] [--language CODE] [--translate] [--prompt TEXT] "
                        "[--engine per-clip|server|remote]";

int runTranscribe(const QStringList &args)
{
    QString audio;
    std::optional<QString> model, language, prompt, engine;
    bool translate = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        auto value = [&](std::optional<QString> &into) {
            if (i + 1 >= args.size())
                return false;
            into = args[++i];
            return true;
        };
        bool ok = true;
        if (a == u"--model")
            ok = value(model);
        else if (a == u"--language")
            ok = value(language);
        else if (a == u"--prompt")
            ok = value(prompt);
        else if (a == u"--engine")
            ok = value(engine);
        else if (a == u"--translate")
            translate = true;
        else if (a.startsWith(u"--") || !audio.isEmpty())
            ok = false;
        else
            audio = a;
        if (!ok) {
            printError(QStringLiteral("parlixctl transcribe: unexpected or incomplete argument '%1'").arg(a));
            return 2;
        }
    }
    if (audio.isEmpty()) {
        printError(QStringLiteral("Usage: parlixctl ") + QLatin1String(kUsage));
        return 2;
    }
    // Per clip unless asked otherwise: a one-off run gains nothing from keeping a model loaded.
    const std::optional<EngineMode> mode = engineModeFromRaw(engine.value_or(rawValue(EngineMode::perClip)));
    if (!mode) {
        printError(QStringLiteral("parlixctl transcribe: unknown engine '%1' (one of: per-clip, server, remote)").arg(*engine));
        return 2;
    }
    if (!QFileInfo(audio).isFile()) {
        printError(QStringLiteral("Audio file not found: %1").arg(audio));
        return 1;
    }
    if (language && !knownLanguage(*language)) {
        printError(QStringLiteral("Unknown language code: %1").arg(*language));
        return 1;
    }

    Context context;
    SettingsModel &settings = context.settings;
    if (model)
        settings.setModelPath(QFileInfo(*model).absoluteFilePath());
    if (language)
        settings.setLanguage(*language);
    if (translate) {
        settings.setExperimentalFeaturesEnabled(true);
        settings.setTranslateToEnglish(true);
    }

    WhisperTranscriber transcriber(settings, Paths::resourceDirectory());
    WhisperServerEngine server(settings, Paths::resourceDirectory());
    RemoteServerEngine remote(settings, RemoteServerToken::defaultPath());
    SelectedEngine selected(settings, transcriber, server, remote);
    selected.overrideMode(*mode);
    try {
        const QString text = coro::waitFor(selected.transcribe(QFileInfo(audio).absoluteFilePath(), prompt));
        printOut(text.toUtf8() + '\n');
        return 0;
    } catch (const WhisperError &error) {
        printError(error.errorDescription());
        return 1;
    }
}


const Registration registration{{"transcribe", kUsage, runTranscribe}};
} // namespace

} // namespace parlix::cli
