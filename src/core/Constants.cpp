#include "core/Constants.h"

#include "core/BuildConfig.h"


namespace parlix::Constants {

const QList<WhisperLanguage> &supportedLanguages()
{
    static const QList<WhisperLanguage> languages = [] {
        static const char *const pairs[][2] = {
            {"auto", "Auto-detect"}, {"en", "English"}, {"zh", "Chinese"}, {"de", "German"},
            {"es", "Spanish"}, {"ru", "Russian"}, {"ko", "Korean"}, {"fr", "French"},
            {"ja", "Japanese"}, {"pt", "Portuguese"}, {"tr", "Turkish"}, {"pl", "Polish"},
            {"ca", "Catalan"}, {"nl", "Dutch"}, {"ar", "Arabic"}, {"sv", "Swedish"},
            {"it", "Italian"}, {"id", "Indonesian"}, {"hi", "Hindi"}, {"fi", "Finnish"},
            {"vi", "Vietnamese"}, {"he", "Hebrew"}, {"uk", "Ukrainian"}, {"el", "Greek"},
            {"ms", "Malay"}, {"cs", "Czech"}, {"ro", "Romanian"}, {"da", "Danish"},
            {"hu", "Hungarian"}, {"ta", "Tamil"}, {"no", "Norwegian"}, {"th", "Thai"},
            {"ur", "Urdu"}, {"hr", "Croatian"}, {"bg", "Bulgarian"}, {"lt", "Lithuanian"},
            {"la", "Latin"}, {"mi", "Maori"}, {"ml", "Malayalam"}, {"cy", "Welsh"},
            {"sk", "Slovak"}, {"te", "Telugu"}, {"fa", "Persian"}, {"lv", "Latvian"},
            {"bn", "Bengali"}, {"sr", "Serbian"}, {"az", "Azerbaijani"}, {"sl", "Slovenian"},
            {"kn", "Kannada"}, {"et", "Estonian"}, {"mk", "Macedonian"}, {"br", "Breton"},
            {"eu", "Basque"}, {"is", "Icelandic"}, {"hy", "Armenian"}, {"ne", "Nepali"},
            {"mn", "Mongolian"}, {"bs", "Bosnian"}, {"kk", "Kazakh"}, {"sq", "Albanian"},
            {"sw", "Swahili"}, {"gl", "Galician"}, {"mr", "Marathi"}, {"pa", "Punjabi"},
            {"si", "Sinhala"}, {"km", "Khmer"}, {"sn", "Shona"}, {"yo", "Yoruba"},
            {"so", "Somali"}, {"af", "Afrikaans"}, {"oc", "Occitan"}, {"ka", "Georgian"},
            {"be", "Belarusian"}, {"tg", "Tajik"}, {"sd", "Sindhi"}, {"gu", "Gujarati"},
            {"am", "Amharic"}, {"yi", "Yiddish"}, {"lo", "Lao"}, {"uz", "Uzbek"},
            {"fo", "Faroese"}, {"ht", "Haitian Creole"}, {"ps", "Pashto"}, {"tk", "Turkmen"},
            {"nn", "Nynorsk"}, {"mt", "Maltese"}, {"sa", "Sanskrit"}, {"lb", "Luxembourgish"},
            {"my", "Myanmar"}, {"bo", "Tibetan"}, {"tl", "Tagalog"}, {"mg", "Malagasy"},
            {"as", "Assamese"}, {"tt", "Tatar"}, {"haw", "Hawaiian"}, {"ln", "Lingala"},
            {"ha", "Hausa"}, {"ba", "Bashkir"}, {"jw", "Javanese"}, {"su", "Sundanese"},
        };
        QList<WhisperLanguage> list;
        for (const auto &p : pairs)
            list.append({QString::fromUtf8(p[0]), QString::fromUtf8(p[1])});
        return list;
    }();
    return languages;
}

const QStringList &Whisper::hallucinationList()
{
    static const QStringList list = [] {
        const QString site = QString::fromUtf8(subtitleSiteDomain);
        QString siteWithSpace = site;
        siteWithSpace.replace(u'.', u' ');
        return QStringList{
            "thank you", "thanks", "thank you for watching", "thanks for watching",
            "thank you for watching till the end", "thank you so much for watching",
            "subscribe", "subscribe to my channel", "subscribe to the channel", "like and subscribe",
            "please subscribe", "please like and subscribe", "hit the subscribe button",
            "don't forget to subscribe", "goodbye", "bye", "bye bye", "see you", "see you next time",
            "see you in the next video", "see you in the next one", "see you soon", "see you later",
            "subtitles by the " + site + " community",
            "subtitles by the " + siteWithSpace + " community",
            QString::fromUtf8("sottotitoli creati dalla comunità ") + site,
            "legendas pela comunidade " + site,
            "untertitel im auftrag des zdf",
            site,
            "you", "and", "the", "so", "um", "uh", "ah", "oh",
            QString::fromUtf8("♪"), QString::fromUtf8("♪♪"), QString::fromUtf8("♪♪♪"),
            "i'm going to go ahead and", "go ahead", "alright", "okay", "yeah", "yes", "no", "right",
            "well",
        };
    }();
    return list;
}

const QSet<QString> &Whisper::hallucinations()
{
    static const QSet<QString> set(hallucinationList().begin(), hallucinationList().end());
    return set;
}

const QSet<QString> &Whisper::endingPunctuation()
{
    static const QSet<QString> set = {".", "!", "?", ":", ";", ","};
    return set;
}

BuildInfo buildInfo()
{
    return {QStringLiteral(PARLIX_VERSION_STRING), QStringLiteral(PARLIX_APP_ID)};
}

QString appVersion(const BuildInfo &info)
{
    return info.shortVersion.value_or(QStringLiteral("Unknown"));
}

QString versionDisplayString(const BuildInfo &info)
{
    QString s = QLatin1Char('v') + appVersion(info);
    if (info.identifier.endsWith(QLatin1String(".dev")))
        s += QStringLiteral(" (Dev Build)");
    return s;
}

} // namespace parlix::Constants
