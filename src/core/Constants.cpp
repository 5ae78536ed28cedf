#include "core/Constants.h"

#include <QCoreApplication>

#include "core/BuildConfig.h"


namespace parlix::Constants {

const QList<WhisperLanguage> &supportedLanguages()
{
    static const QList<WhisperLanguage> languages = [] {
        static const char *const pairs[][2] = {
            {"auto", QT_TRANSLATE_NOOP("parlix::Constants", "Auto-detect")}, {"en", QT_TRANSLATE_NOOP("parlix::Constants", "English")}, {"zh", QT_TRANSLATE_NOOP("parlix::Constants", "Chinese")}, {"de", QT_TRANSLATE_NOOP("parlix::Constants", "German")},
            {"es", QT_TRANSLATE_NOOP("parlix::Constants", "Spanish")}, {"ru", QT_TRANSLATE_NOOP("parlix::Constants", "Russian")}, {"ko", QT_TRANSLATE_NOOP("parlix::Constants", "Korean")}, {"fr", QT_TRANSLATE_NOOP("parlix::Constants", "French")},
            {"ja", QT_TRANSLATE_NOOP("parlix::Constants", "Japanese")}, {"pt", QT_TRANSLATE_NOOP("parlix::Constants", "Portuguese")}, {"tr", QT_TRANSLATE_NOOP("parlix::Constants", "Turkish")}, {"pl", QT_TRANSLATE_NOOP("parlix::Constants", "Polish")},
            {"ca", QT_TRANSLATE_NOOP("parlix::Constants", "Catalan")}, {"nl", QT_TRANSLATE_NOOP("parlix::Constants", "Dutch")}, {"ar", QT_TRANSLATE_NOOP("parlix::Constants", "Arabic")}, {"sv", QT_TRANSLATE_NOOP("parlix::Constants", "Swedish")},
            {"it", QT_TRANSLATE_NOOP("parlix::Constants", "Italian")}, {"id", QT_TRANSLATE_NOOP("parlix::Constants", "Indonesian")}, {"hi", QT_TRANSLATE_NOOP("parlix::Constants", "Hindi")}, {"fi", QT_TRANSLATE_NOOP("parlix::Constants", "Finnish")},
            {"vi", QT_TRANSLATE_NOOP("parlix::Constants", "Vietnamese")}, {"he", QT_TRANSLATE_NOOP("parlix::Constants", "Hebrew")}, {"uk", QT_TRANSLATE_NOOP("parlix::Constants", "Ukrainian")}, {"el", QT_TRANSLATE_NOOP("parlix::Constants", "Greek")},
            {"ms", QT_TRANSLATE_NOOP("parlix::Constants", "Malay")}, {"cs", QT_TRANSLATE_NOOP("parlix::Constants", "Czech")}, {"ro", QT_TRANSLATE_NOOP("parlix::Constants", "Romanian")}, {"da", QT_TRANSLATE_NOOP("parlix::Constants", "Danish")},
            {"hu", QT_TRANSLATE_NOOP("parlix::Constants", "Hungarian")}, {"ta", QT_TRANSLATE_NOOP("parlix::Constants", "Tamil")}, {"no", QT_TRANSLATE_NOOP("parlix::Constants", "Norwegian")}, {"th", QT_TRANSLATE_NOOP("parlix::Constants", "Thai")},
            {"ur", QT_TRANSLATE_NOOP("parlix::Constants", "Urdu")}, {"hr", QT_TRANSLATE_NOOP("parlix::Constants", "Croatian")}, {"bg", QT_TRANSLATE_NOOP("parlix::Constants", "Bulgarian")}, {"lt", QT_TRANSLATE_NOOP("parlix::Constants", "Lithuanian")},
            {"la", QT_TRANSLATE_NOOP("parlix::Constants", "Latin")}, {"mi", QT_TRANSLATE_NOOP("parlix::Constants", "Maori")}, {"ml", QT_TRANSLATE_NOOP("parlix::Constants", "Malayalam")}, {"cy", QT_TRANSLATE_NOOP("parlix::Constants", "Welsh")},
            {"sk", QT_TRANSLATE_NOOP("parlix::Constants", "Slovak")}, {"te", QT_TRANSLATE_NOOP("parlix::Constants", "Telugu")}, {"fa", QT_TRANSLATE_NOOP("parlix::Constants", "Persian")}, {"lv", QT_TRANSLATE_NOOP("parlix::Constants", "Latvian")},
            {"bn", QT_TRANSLATE_NOOP("parlix::Constants", "Bengali")}, {"sr", QT_TRANSLATE_NOOP("parlix::Constants", "Serbian")}, {"az", QT_TRANSLATE_NOOP("parlix::Constants", "Azerbaijani")}, {"sl", QT_TRANSLATE_NOOP("parlix::Constants", "Slovenian")},
            {"kn", QT_TRANSLATE_NOOP("parlix::Constants", "Kannada")}, {"et", QT_TRANSLATE_NOOP("parlix::Constants", "Estonian")}, {"mk", QT_TRANSLATE_NOOP("parlix::Constants", "Macedonian")}, {"br", QT_TRANSLATE_NOOP("parlix::Constants", "Breton")},
            {"eu", QT_TRANSLATE_NOOP("parlix::Constants", "Basque")}, {"is", QT_TRANSLATE_NOOP("parlix::Constants", "Icelandic")}, {"hy", QT_TRANSLATE_NOOP("parlix::Constants", "Armenian")}, {"ne", QT_TRANSLATE_NOOP("parlix::Constants", "Nepali")},
            {"mn", QT_TRANSLATE_NOOP("parlix::Constants", "Mongolian")}, {"bs", QT_TRANSLATE_NOOP("parlix::Constants", "Bosnian")}, {"kk", QT_TRANSLATE_NOOP("parlix::Constants", "Kazakh")}, {"sq", QT_TRANSLATE_NOOP("parlix::Constants", "Albanian")},
            {"sw", QT_TRANSLATE_NOOP("parlix::Constants", "Swahili")}, {"gl", QT_TRANSLATE_NOOP("parlix::Constants", "Galician")}, {"mr", QT_TRANSLATE_NOOP("parlix::Constants", "Marathi")}, {"pa", QT_TRANSLATE_NOOP("parlix::Constants", "Punjabi")},
            {"si", QT_TRANSLATE_NOOP("parlix::Constants", "Sinhala")}, {"km", QT_TRANSLATE_NOOP("parlix::Constants", "Khmer")}, {"sn", QT_TRANSLATE_NOOP("parlix::Constants", "Shona")}, {"yo", QT_TRANSLATE_NOOP("parlix::Constants", "Yoruba")},
            {"so", QT_TRANSLATE_NOOP("parlix::Constants", "Somali")}, {"af", QT_TRANSLATE_NOOP("parlix::Constants", "Afrikaans")}, {"oc", QT_TRANSLATE_NOOP("parlix::Constants", "Occitan")}, {"ka", QT_TRANSLATE_NOOP("parlix::Constants", "Georgian")},
            {"be", QT_TRANSLATE_NOOP("parlix::Constants", "Belarusian")}, {"tg", QT_TRANSLATE_NOOP("parlix::Constants", "Tajik")}, {"sd", QT_TRANSLATE_NOOP("parlix::Constants", "Sindhi")}, {"gu", QT_TRANSLATE_NOOP("parlix::Constants", "Gujarati")},
            {"am", QT_TRANSLATE_NOOP("parlix::Constants", "Amharic")}, {"yi", QT_TRANSLATE_NOOP("parlix::Constants", "Yiddish")}, {"lo", QT_TRANSLATE_NOOP("parlix::Constants", "Lao")}, {"uz", QT_TRANSLATE_NOOP("parlix::Constants", "Uzbek")},
            {"fo", QT_TRANSLATE_NOOP("parlix::Constants", "Faroese")}, {"ht", QT_TRANSLATE_NOOP("parlix::Constants", "Haitian Creole")}, {"ps", QT_TRANSLATE_NOOP("parlix::Constants", "Pashto")}, {"tk", QT_TRANSLATE_NOOP("parlix::Constants", "Turkmen")},
            {"nn", QT_TRANSLATE_NOOP("parlix::Constants", "Nynorsk")}, {"mt", QT_TRANSLATE_NOOP("parlix::Constants", "Maltese")}, {"sa", QT_TRANSLATE_NOOP("parlix::Constants", "Sanskrit")}, {"lb", QT_TRANSLATE_NOOP("parlix::Constants", "Luxembourgish")},
            {"my", QT_TRANSLATE_NOOP("parlix::Constants", "Myanmar")}, {"bo", QT_TRANSLATE_NOOP("parlix::Constants", "Tibetan")}, {"tl", QT_TRANSLATE_NOOP("parlix::Constants", "Tagalog")}, {"mg", QT_TRANSLATE_NOOP("parlix::Constants", "Malagasy")},
            {"as", QT_TRANSLATE_NOOP("parlix::Constants", "Assamese")}, {"tt", QT_TRANSLATE_NOOP("parlix::Constants", "Tatar")}, {"haw", QT_TRANSLATE_NOOP("parlix::Constants", "Hawaiian")}, {"ln", QT_TRANSLATE_NOOP("parlix::Constants", "Lingala")},
            {"ha", QT_TRANSLATE_NOOP("parlix::Constants", "Hausa")}, {"ba", QT_TRANSLATE_NOOP("parlix::Constants", "Bashkir")}, {"jw", QT_TRANSLATE_NOOP("parlix::Constants", "Javanese")}, {"su", QT_TRANSLATE_NOOP("parlix::Constants", "Sundanese")},
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
    return info.shortVersion.value_or(QCoreApplication::translate("parlix::Constants", "Unknown"));
}

QString versionDisplayString(const BuildInfo &info)
{
    QString s = QLatin1Char('v') + appVersion(info);
    if (info.identifier.endsWith(QLatin1String(".dev")))
        s += QCoreApplication::translate("parlix::Constants", " (Dev Build)");
    return s;
}

} // namespace parlix::Constants
