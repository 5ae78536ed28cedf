#pragma once
// Fixed tables the whole application agrees on. Built into the program, never edited.
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

namespace parlix::Constants {

struct WhisperLanguage {
    QString code;
    QString name;
    bool operator==(const WhisperLanguage &) const = default;
};
const QList<WhisperLanguage> &supportedLanguages();

namespace Whisper {
// The site domain of the volunteer subtitling community whose credit lines the engine invents.
inline constexpr auto subtitleSiteDomain = "amara.org";
const QSet<QString> &hallucinations();
// In the order they are listed; hallucinations() is built from it.
const QStringList &hallucinationList();
const QSet<QString> &endingPunctuation();
} // namespace Whisper

// Version and identity of the running build.
struct BuildInfo {
    std::optional<QString> shortVersion;
    QString identifier;
};
BuildInfo buildInfo();

QString appVersion(const BuildInfo &info = buildInfo());
QString versionDisplayString(const BuildInfo &info = buildInfo());

// Qt hashing for the language records (both fields, as equality). In the record's namespace so
// that QHash/QSet find it by argument-dependent lookup.
inline size_t qHash(const WhisperLanguage &l, size_t seed = 0)
{
    return qHashMulti(seed, l.code, l.name);
}

} // namespace parlix::Constants
