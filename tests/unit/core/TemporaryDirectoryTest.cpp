// The temporary audio directory when XDG_RUNTIME_DIR is unset: <tmp>/parlix-<uid> is shared
// ground, so it is used only when it is this user's own private directory.
#include "core/Categories.h"
#include "core/Paths.h"

#include "CategoryLog.h"
#include "ScopedEnvironment.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace parlix;

namespace {

struct Placed {
    bool exists = false;
    uid_t owner = 0;
    int mode = 0;
};

Placed inspect(const QString &path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {S_ISDIR(st.st_mode), st.st_uid, int(st.st_mode & 07777)};
}

TEST(TemporaryDirectory, SharedFallbackIsUsedOnlyWhenItIsOurOwnPrivateDirectory)
{
    const auto mkdirMode = [](int mode) {
        return [mode](const QByteArray &p) { return ::mkdir(p, 0700) == 0 && ::chmod(p, mode_t(mode)) == 0; };
    };
    struct Case {
        const char *name;
        std::function<bool(const QByteArray &path)> place; // puts something at the fallback path
        bool trusted;
        bool needsRoot;
    };
    const Case cases[] = {
        {"absent", [](const QByteArray &) { return true; }, true, false},
        {"our private directory", mkdirMode(0700), true, false},
        {"open to others", mkdirMode(0755), false, false},
        {"open to the group", mkdirMode(0710), false, false},
        {"a symbolic link to our private directory",
         [](const QByteArray &p) { return ::mkdir(p + "-target", 0700) == 0 && ::symlink(p + "-target", p) == 0; }, false, false},
        {"a plain file", [](const QByteArray &p) { return QFile(QFile::decodeName(p)).open(QIODevice::WriteOnly); }, false, false},
        {"someone else's private directory", [](const QByteArray &p) { return ::mkdir(p, 0700) == 0 && ::chown(p, 65534, 65534) == 0; }, false, true},
    };
    for (const Case &c : cases) {
        if (c.needsRoot && ::geteuid() != 0)
            continue; // only root can give a directory away
        QTemporaryDir tmp;
        const test::ScopedEnvironment tmpdir("TMPDIR", QFile::encodeName(tmp.path()));
        const test::ScopedEnvironment runtime("XDG_RUNTIME_DIR", QByteArray());
        const QString shared = tmp.filePath(QStringLiteral("parlix-%1").arg(::geteuid()));
        ASSERT_TRUE(c.place(QFile::encodeName(shared))) << c.name;
        const Placed before = inspect(shared);
        test::CategoryLog log(lcApp());

        const QString dir = Paths::temporaryDirectory();

        const Placed used = inspect(dir);
        EXPECT_TRUE(used.exists && used.owner == ::geteuid() && used.mode == 0700) << c.name;
        EXPECT_EQ(dir == shared, c.trusted) << c.name << ": " << qPrintable(dir);
        EXPECT_EQ(log.lines.size(), c.trusted ? 0 : 1) << c.name;
        if (!c.trusted) {
            const Placed after = inspect(shared);
            EXPECT_TRUE(after.exists == before.exists && after.owner == before.owner && after.mode == before.mode) << c.name << " was changed";
            EXPECT_EQ(Paths::temporaryDirectory(), dir) << c.name << ": one replacement per process";
        }
    }
}

} // namespace
