#include "core/HotkeyConfig.h"

#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <cmath>

namespace parlix {

std::optional<QString> HotkeyConfig::keyName(quint32 keyCode)
{
    static const QHash<quint32, QString> names = {
        {49, "Space"}, {36, "Return"}, {48, "Tab"}, {51, "Backspace"}, {53, "Escape"},
        {122, "F1"}, {120, "F2"}, {99, "F3"}, {118, "F4"}, {96, "F5"}, {97, "F6"},
        {98, "F7"}, {100, "F8"}, {101, "F9"}, {109, "F10"}, {103, "F11"}, {111, "F12"},
        {0, "A"}, {11, "B"}, {8, "C"}, {2, "D"}, {14, "E"}, {3, "F"}, {5, "G"}, {4, "H"},
        {34, "I"}, {38, "J"}, {40, "K"}, {37, "L"}, {46, "M"}, {45, "N"}, {31, "O"},
        {35, "P"}, {12, "Q"}, {15, "R"}, {1, "S"}, {17, "T"}, {32, "U"}, {9, "V"},
        {13, "W"}, {7, "X"}, {16, "Y"}, {6, "Z"},
        {29, "0"}, {18, "1"}, {19, "2"}, {20, "3"}, {21, "4"}, {23, "5"}, {22, "6"},
        {26, "7"}, {28, "8"}, {25, "9"},
    };
    const auto it = names.constFind(keyCode);
    if (it == names.constEnd())
        return std::nullopt;
    return *it;
}

QString HotkeyConfig::displayString() const
{
    // Command is the Super key here, Option is Alt (see hotkey/KeyTable.h).
    QStringList parts;
    if (modifiers & command)
        parts << QStringLiteral("Super");
    if (modifiers & control)
        parts << QStringLiteral("Ctrl");
    if (modifiers & option)
        parts << QStringLiteral("Alt");
    if (modifiers & shift)
        parts << QStringLiteral("Shift");
    parts << keyName(keyCode).value_or(QStringLiteral("Key") + QString::number(keyCode));
    return parts.join(QLatin1Char('+'));
}

QByteArray HotkeyConfig::encode() const
{
    // Member order keyCode, modifiers, as the stored form has it; QJsonObject would sort them.
    return QByteArrayLiteral("{\"keyCode\":") + QByteArray::number(keyCode)
           + QByteArrayLiteral(",\"modifiers\":") + QByteArray::number(modifiers) + '}';
}

std::optional<HotkeyConfig> HotkeyConfig::decode(const QByteArray &bytes)
{
    const QJsonDocument doc = QJsonDocument::fromJson(bytes);
    if (!doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    auto member = [&o](const char *name) -> std::optional<quint32> {
        const QJsonValue v = o.value(QLatin1String(name));
        if (!v.isDouble())
            return std::nullopt;
        const double d = v.toDouble();
        if (d < 0 || d > 4294967295.0 || std::floor(d) != d)
            return std::nullopt;
        return quint32(d);
    };
    const auto keyCode = member("keyCode");
    const auto modifiers = member("modifiers");
    if (!keyCode || !modifiers)
        return std::nullopt;
    return HotkeyConfig{*keyCode, *modifiers};
}

} // namespace parlix
