// instance_probe FOLDER first OUTFILE  -- runs as the running instance; every forwarded
//                                         request is appended to OUTFILE; "quit" ends it.
// instance_probe FOLDER held OUTFILE   -- the same, but requests are held for a second;
//                                         "<released>" is written when they are let go.
// instance_probe FOLDER second ARGS... -- a second start: forwards and exits 0, or exits
//                                         3 when it found no running instance's lock.
#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QByteArray mode = argv[2];
    folivex::SingleInstance instance(folder);
    if (mode == "first" || mode == "held") {
        if (!instance.TryLock())
            return 4;
        QCoreApplication app(argc, argv);
        const QString out = QString::fromLocal8Bit(argv[3]);
        instance.Listen([&](const std::optional<QString>& path) {
            QFile f(out);
            f.open(QIODevice::Append);
            f.write((path ? path->toUtf8() : QByteArray("<raise>")) + "\n");
            f.close();
            if (path == QStringLiteral("quit"))
                QCoreApplication::quit();
        });
        if (mode == "held") {
            instance.Hold();
            QTimer::singleShot(1000, [&] {
                QFile f(out);
                f.open(QIODevice::Append);
                f.write("<released>\n");
                f.close();
                instance.Release();
            });
        }
        std::printf("ready\n");
        std::fflush(stdout);
        return app.exec();
    }
    if (!instance.TryLock()) {
        QCoreApplication app(argc, argv);
        QStringList args;
        for (int i = 3; i < argc; ++i)
            args << QString::fromLocal8Bit(argv[i]);
        return instance.ForwardToRunningInstance(args) ? 0 : 5;
    }
    return 3;
}
