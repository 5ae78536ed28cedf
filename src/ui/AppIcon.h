#pragma once
// The application's own icon (settings window, desktop entry): the tray's microphone in white on
// a rounded blue square. Drawn in code, so every size is sharp and no image plugin is needed.
#include <QIcon>
#include <QImage>
#include <QList>

namespace parlix::ui {

// The sizes installed into the hicolor icon theme, in pixels.
const QList<int> &appIconSizes();
QImage renderAppIcon(int pixels);
// The installed theme icon when the desktop has one, else the drawing at every size.
QIcon appIcon(const QString &themeName);

} // namespace parlix::ui
