#pragma once
// What the tray icon shows, and the drawing of it: the microphone when idle, a red dot while a
// clip records, an orange dot while dictating live, a turning arc while transcribing. Pure
// functions of the activity flags and the time, so they can be checked without a tray.
#include <QColor>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QString>

class QPainter;

namespace parlix::ui {

enum class StatusIconKind { microphone, developmentMicrophone, recordingDot, liveDot, transcribingArc };

struct ActivityFlags {
    bool isRecording = false;
    bool isTranscribing = false;
    bool isLiveTranscribing = false;
};

// First match wins: live, recording, transcribing, then the microphone of the build's flavour.
StatusIconKind statusIconKind(const ActivityFlags &flags, bool developmentBuild);
// Development builds carry an identifier ending in ".dev"; their microphone is orange.
bool isDevelopmentIdentifier(const QString &bundleIdentifier);

// The arc turns clockwise at this speed: one full turn every two seconds.
inline constexpr double arcDegreesPerSecond = 180.0;
// The arc's angle after `elapsedMs` of animation, in [0, 360). Taken from the elapsed time rather
// than added up per frame, so a late or missed frame does not slow the turn down.
double arcAngleAt(qint64 elapsedMs);

inline const QColor systemRed{0xFF, 0x3B, 0x30};
inline const QColor systemOrange{0xFF, 0x95, 0x00};

// Drawing happens in a square of `size` device-independent pixels; the shapes are laid out in a
// 22-unit grid (an 18 by 22 box for the dots and the arc), scaled to the size.
QImage renderStatusIcon(StatusIconKind kind, double arcAngle, int size, qreal devicePixelRatio,
                        const QColor &labelColour);
// The microphone, filling a square of `size` laid out in the 22-unit grid (`unit` = size / 22).
void drawMicrophone(QPainter &p, qreal size, qreal unit, const QColor &colour);
// The sizes tray hosts ask for; each is drawn for the given pixel ratio.
const QList<int> &statusIconSizes();
// An icon drawn when it is shown, at the size it is shown at (it offers statusIconSizes() to hosts
// that ask which sizes exist). The plain microphone is a mask (it follows the panel's colours
// where the host supports that).
QIcon statusIcon(StatusIconKind kind, double arcAngle, qreal devicePixelRatio, const QColor &labelColour);

} // namespace parlix::ui
