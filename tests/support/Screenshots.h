#pragma once
// Screenshots kept as artifacts, in PARLIX_ARTIFACTS_DIR or by default <build>/artifacts/screenshots
// (PARLIX_ARTIFACTS_DEFAULT, set by the test's target).
#include <QDir>
#include <QImage>
#include <gtest/gtest.h>

namespace parlix::test {

inline void keepScreenshot(const QImage &image, const QString &name)
{
    const QString configured = qEnvironmentVariable("PARLIX_ARTIFACTS_DIR");
    const QString dir = configured.isEmpty() ? QStringLiteral(PARLIX_ARTIFACTS_DEFAULT) : configured;
    QDir().mkpath(dir);
    EXPECT_TRUE(image.save(dir + QLatin1Char('/') + name, "PNG")) << "cannot write " << dir.toStdString() << "/" << name.toStdString();
}

} // namespace parlix::test
