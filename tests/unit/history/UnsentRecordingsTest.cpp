// The kept recordings on disk: moved in private, newest first, the oldest dropped beyond the
// limit, and the clips an ended run left behind adopted at the next start.
#include "history/UnsentRecordings.h"

#include "Files.h"
#include "Printers.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace parlix;
using namespace parlix::test;

TEST(UnsentRecordings, KeepsPrivatelyNewestFirstAndDropsTheOldest)
{
    QTemporaryDir root;
    UnsentRecordings unsent(root.filePath(QStringLiteral("data/unsent")));
    EXPECT_EQ(unsent.newest(), std::nullopt);

    QStringList kept;
    for (int i = 0; i < UnsentRecordings::limit + 2; ++i) {
        const QString clip = root.filePath(QStringLiteral("tmp/parlix_%1.wav").arg(i));
        writeFile(clip, QByteArray::number(i));
        const auto path = unsent.keep(clip);
        ASSERT_TRUE(path);
        EXPECT_FALSE(QFileInfo::exists(clip));
        EXPECT_EQ(fileBytes(*path), QByteArray::number(i));
        EXPECT_EQ(unsent.keep(*path), path); // already kept: stays
        kept.prepend(*path);
    }
    EXPECT_EQ(fileMode(unsent.directory()), 0700);
    EXPECT_EQ(fileMode(kept.first()), 0600);
    EXPECT_EQ(unsent.recordings(), kept.mid(0, UnsentRecordings::limit));
    EXPECT_EQ(unsent.newest(), kept.first());
    EXPECT_FALSE(QFileInfo::exists(kept.last()));

    unsent.remove(kept.first());
    EXPECT_EQ(unsent.newest(), kept[1]);
    // Only its own files are removed.
    const QString outside = root.filePath(QStringLiteral("tmp/other.wav"));
    writeFile(outside, "x");
    unsent.remove(outside);
    EXPECT_TRUE(QFileInfo::exists(outside));

    EXPECT_EQ(unsent.keep(root.filePath(QStringLiteral("tmp/missing.wav"))), std::nullopt);
}

TEST(UnsentRecordings, AdoptsOnlyNonEmptyClipsLeftInTheTemporaryDirectory)
{
    QTemporaryDir root;
    const QString tmp = root.filePath(QStringLiteral("tmp"));
    writeFile(tmp + QStringLiteral("/parlix_A.wav"), "audio");
    writeFile(tmp + QStringLiteral("/parlix_empty.wav"), "");
    writeFile(tmp + QStringLiteral("/live_chunk_B.wav"), "chunk");
    writeFile(tmp + QStringLiteral("/audio_preview_temp.wav"), "preview");
    UnsentRecordings unsent(root.filePath(QStringLiteral("unsent")));

    EXPECT_EQ(unsent.adoptLeftovers(tmp), 1);
    ASSERT_EQ(unsent.recordings().size(), 1);
    EXPECT_TRUE(unsent.newest()->endsWith(QStringLiteral("_parlix_A.wav")));
    EXPECT_EQ(QDir(tmp).entryList(QDir::Files), (QStringList{"audio_preview_temp.wav", "live_chunk_B.wav"}));
}
