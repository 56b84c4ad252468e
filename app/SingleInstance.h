// One running instance per user: a lock file marks it, and a local socket lets a second
// start hand over its album argument and bring the running window to the front.
#pragma once

#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace folivex {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // Called in the running instance for every second start: the forwarded album path,
    // or nothing when the second start had no single argument. The second start waits
    // until it returns.
    using Handler = std::function<void(const std::optional<QString>& albumPath)>;

    // `runtimeFolder` holds the lock "Folimo" and the socket; it is the user's runtime
    // folder in the program and a temporary folder in tests.
    explicit SingleInstance(QString runtimeFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    static QString DefaultRuntimeFolder();

    // Takes the lock when no instance runs (a crashed instance's stale lock is taken
    // over) and starts listening. False when another instance holds it.
    bool BecomeRunningInstance(Handler handler);

    // The two halves of BecomeRunningInstance: the lock needs no application object,
    // the socket does.
    bool TryLock();
    void Listen(Handler handler);

    // While held, requests that arrive wait, and so do their second starts, until
    // Release() hands them to the handler in their order. The running instance holds
    // them until its window and the commands an album needs exist.
    void Hold() { held_ = true; }
    void Release();

    // Second start: forwards the argument when there is exactly one, otherwise asks
    // only for the window to come forward, and waits for the running instance to
    // finish. Returns false when no running instance answered (nothing is reported).
    bool ForwardToRunningInstance(const QStringList& arguments, int timeoutMs = 600000);

    QString ServerPath() const;

private:
    struct Pending {
        QPointer<QLocalSocket> socket;
        std::optional<QString> path;
    };
    void OnNewConnection();
    void Deliver(QLocalSocket* socket, const std::optional<QString>& path);

    QString folder_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
    Handler handler_;
    bool held_ = false;
    std::vector<Pending> pending_;
};

} // namespace folivex
