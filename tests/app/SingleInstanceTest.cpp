#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>

namespace {

const QString kProbe = QStringLiteral(FOLIVEX_BIN_DIR "/../tests/instance_probe");

class SingleInstanceProcesses : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        out_ = dir_.filePath(QStringLiteral("received.txt"));
    }
    void TearDown() override {
        if (first_.state() != QProcess::NotRunning) {
            first_.kill();
            first_.waitForFinished();
        }
    }

    void StartFirst(const QString& mode = QStringLiteral("first")) {
        first_.start(kProbe, {dir_.path(), mode, out_});
        ASSERT_TRUE(first_.waitForReadyRead(10000)) << "first instance did not start";
        ASSERT_EQ(first_.readLine().trimmed(), QByteArray("ready"));
    }

    int RunSecond(const QStringList& args) {
        QProcess second;
        second.start(kProbe, QStringList{dir_.path(), QStringLiteral("second")} + args);
        if (!second.waitForFinished(20000))
            return -1;
        return second.exitCode();
    }

    QStringList Received() const {
        QFile f(out_);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QTemporaryDir dir_;
    QString out_;
    QProcess first_;
};

} // namespace

TEST_F(SingleInstanceProcesses, SecondStartForwardsItsOneArgumentAndEnds) {
    StartFirst();
    const QString album = QStringLiteral("/home/ユーザー/AJVs/夏休み.ajv");
    EXPECT_EQ(RunSecond({album}), 0);
    // The second start ends only after the running instance has handled the album.
    EXPECT_EQ(Received(), QStringList{album});
}

// The running instance holds what arrives until its window can take an album; the
// second start waits for it meanwhile instead of being answered early or dropped.
TEST_F(SingleInstanceProcesses, HeldRequestsArriveAfterTheReleaseAndTheSecondStartWaits) {
    StartFirst(QStringLiteral("held"));
    EXPECT_EQ(RunSecond({QStringLiteral("early.ajv")}), 0);
    EXPECT_EQ(Received(), (QStringList{QStringLiteral("<released>"), QStringLiteral("early.ajv")}));
    EXPECT_EQ(RunSecond({QStringLiteral("later.ajv")}), 0);
    EXPECT_EQ(Received().back(), QStringLiteral("later.ajv"));
}

TEST_F(SingleInstanceProcesses, NoneOrTwoArgumentsOnlyRaiseTheRunningWindow) {
    StartFirst();
    EXPECT_EQ(RunSecond({}), 0);
    EXPECT_EQ(RunSecond({QStringLiteral("a.ajv"), QStringLiteral("b.ajv")}), 0);
    EXPECT_EQ(Received(), (QStringList{QStringLiteral("<raise>"), QStringLiteral("<raise>")}));
}

TEST_F(SingleInstanceProcesses, PathsOfAnyLengthArriveWhole) {
    StartFirst();
    const QString longPath =
        QStringLiteral("/") + QString(600, QLatin1Char('x')) + QStringLiteral("/写真.ajv");
    EXPECT_EQ(RunSecond({longPath}), 0);
    EXPECT_EQ(Received(), QStringList{longPath});
}

TEST_F(SingleInstanceProcesses, ACrashedInstanceDoesNotBlockTheNextStart) {
    StartFirst();
    first_.kill(); // SIGKILL: no chance to release the lock or the socket
    first_.waitForFinished();
    ASSERT_TRUE(QFile::exists(dir_.filePath(QStringLiteral("Folimo"))));
    StartFirst();
    EXPECT_EQ(RunSecond({QStringLiteral("after-crash.ajv")}), 0);
    EXPECT_EQ(Received(), QStringList{QStringLiteral("after-crash.ajv")});
}

TEST_F(SingleInstanceProcesses, WithoutARunningInstanceTheSecondStartTakesTheLock) {
    EXPECT_EQ(RunSecond({QStringLiteral("x.ajv")}), 3);
}

TEST_F(SingleInstanceProcesses, TheSocketIsReachableOnlyByItsUser) {
    StartFirst();
    QDir dir(dir_.path());
    const QStringList sockets = dir.entryList({QStringLiteral("KestFolimo*")}, QDir::System);
    ASSERT_EQ(sockets.size(), 1);
    QFile::Permissions p = QFile(dir.filePath(sockets.front())).permissions();
    EXPECT_FALSE(p & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther));
}
