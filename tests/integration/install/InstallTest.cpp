// `cmake --install` into an empty prefix gives a desktop the launcher entry, the icon it names at
// every size, and the executables it starts.
#include "ProcessRunner.h"
#include "TestEnvironment.h"

#include <QFileInfo>
#include <QImage>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class InstallTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto install = parlix::test::runProcess(QStringLiteral("cmake"), {QStringLiteral("--install"), QStringLiteral(PARLIX_BUILD_DIR),
                                                                                QStringLiteral("--prefix"), prefix.path()});
        ASSERT_EQ(install.exitCode, 0) << install.out.toStdString() << install.err.toStdString();
    }

    QString installed(const QString &relative) const { return prefix.filePath(relative); }

    QTemporaryDir prefix;
};

TEST_F(InstallTest, DesktopEntryNamesAnInstalledIconAndExecutable)
{
    const QString entryPath = installed(QStringLiteral("share/applications/com.quorvane.parlix.desktop"));
    ASSERT_TRUE(QFileInfo::exists(entryPath));
    QSettings entry(entryPath, QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    EXPECT_EQ(entry.value(QStringLiteral("Type")).toString(), u"Application");

    const QString exec = entry.value(QStringLiteral("Exec")).toString();
    EXPECT_TRUE(QFileInfo(installed(QStringLiteral("bin/") + exec)).isExecutable()) << exec.toStdString();
    EXPECT_TRUE(QFileInfo(installed(QStringLiteral("bin/parlixctl"))).isExecutable());

    const QString icon = entry.value(QStringLiteral("Icon")).toString();
    ASSERT_FALSE(icon.isEmpty());
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        const QImage image(installed(QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(icon)));
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(size, size));
        // Drawn, not blank: the corner is clear and the middle is not.
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255);
    }

    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (!validator.isEmpty()) {
        const auto validate = parlix::test::runProcess(validator, {entryPath});
        EXPECT_EQ(validate.exitCode, 0) << validate.out.toStdString() << validate.err.toStdString();
    }
}

} // namespace
