// The real program started twice: the second start hands its album to the first and
// ends; the first, closed afterwards, has kept that album's folder and modes.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/stat.h>

namespace {

// A portable copy of the program, so its settings land in a folder of the test's own.
QString InstallCopy(const QTemporaryDir& dir) {
    const QString target = dir.filePath(QStringLiteral("folivex"));
    QFile::copy(QStringLiteral(FOLIVEX_BIN_DIR "/folivex"), target);
    QFile(target).setPermissions(QFile(target).permissions() | QFile::ExeOwner);
    return target;
}

QProcessEnvironment Environment(const QTemporaryDir& runtime) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    return env;
}

bool WaitFor(const std::function<bool()>& ready, int ms) {
    for (int waited = 0; waited < ms; waited += 50) {
        if (ready())
            return true;
        QThread::msleep(50);
    }
    return ready();
}

} // namespace

TEST(TwoStarts, TheSecondStartOpensItsAlbumInTheFirst) {
    QTemporaryDir program, runtime;
    ASSERT_TRUE(program.isValid() && runtime.isValid());
    ::chmod(runtime.path().toLocal8Bit().constData(), 0700);
    const QString exe = InstallCopy(program);

    QProcess first;
    first.setProcessEnvironment(Environment(runtime));
    first.start(exe, {});
    ASSERT_TRUE(first.waitForStarted(10000));
    ASSERT_TRUE(WaitFor(
        [&] {
            return !QDir(runtime.path())
                        .entryList({QStringLiteral("KestFolimo*")}, QDir::System)
                        .isEmpty();
        },
        20000))
        << "the first instance never listened";

    QProcess second;
    second.setProcessEnvironment(Environment(runtime));
    second.start(exe, {QStringLiteral(FOLIVEX_SAMPLE_DIR "/Sample.ajv")});
    ASSERT_TRUE(second.waitForFinished(60000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(program.filePath(QStringLiteral("Folmo.INI"))))
        << "a second start never touches the settings";

    ::kill(pid_t(first.processId()), SIGTERM); // closes the window the normal way
    ASSERT_TRUE(first.waitForFinished(20000));
    QFile ini(program.filePath(QStringLiteral("Folmo.INI")));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray text = ini.readAll();
    EXPECT_TRUE(text.contains("Current=" FOLIVEX_SAMPLE_DIR "/\r\n")) << text.constData();
    EXPECT_TRUE(text.contains("SpilitMode=1\r\n"));
}
