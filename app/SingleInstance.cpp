#include "app/SingleInstance.h"

#include "app/PathText.h"

#include <QDataStream>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace folivex {

namespace {

// Message: one byte (1 when an album path follows, 0 for "come forward" only), then the
// path as a length-prefixed byte array, whole, whatever its length: the path's own bytes,
// which need not be UTF-8 (see PathText).
constexpr char kReply = '1';

QByteArray EncodeRequest(const std::optional<QString>& path) {
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s << quint8(path ? 1 : 0)
      << (path ? QByteArray::fromStdString(TextToPath(*path)) : QByteArray());
    return out;
}

// Reads the whole request once all of it has arrived; nothing while it is incomplete.
bool TryDecodeRequest(QLocalSocket* socket, std::optional<QString>* path) {
    QDataStream s(socket);
    s.startTransaction();
    quint8 kind = 0;
    QByteArray bytes;
    s >> kind >> bytes;
    if (!s.commitTransaction())
        return false;
    if (kind == 1 && !bytes.isEmpty())
        *path = PathToText(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    else
        path->reset();
    return true;
}

} // namespace

SingleInstance::SingleInstance(QString runtimeFolder, QObject* parent)
    : QObject(parent), folder_(std::move(runtimeFolder)) {}

SingleInstance::~SingleInstance() {
    if (server_)
        server_->close();
    if (lock_)
        lock_->unlock();
}

QString SingleInstance::DefaultRuntimeFolder() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir;
}

QString SingleInstance::ServerPath() const {
    return QDir(folder_).filePath(QStringLiteral("KestFolimo%1").arg(::getuid()));
}

bool SingleInstance::BecomeRunningInstance(Handler handler) {
    if (!TryLock())
        return false;
    Listen(std::move(handler));
    return true;
}

bool SingleInstance::TryLock() {
    QDir().mkpath(folder_);
    lock_ = std::make_unique<QLockFile>(QDir(folder_).filePath(QStringLiteral("Folimo")));
    // A live instance holds the lock for hours; only a dead owner makes it stale.
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
        lock_.reset();
        return false;
    }
    return true;
}

void SingleInstance::Listen(Handler handler) {
    handler_ = std::move(handler);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(ServerPath()); // left behind by a crashed instance
    server_->listen(ServerPath());
    connect(server_.get(), &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
}

void SingleInstance::OnNewConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            std::optional<QString> path;
            if (!TryDecodeRequest(socket, &path))
                return;
            if (held_)
                pending_.push_back({socket, path});
            else
                Deliver(socket, path);
        });
    }
}

void SingleInstance::Deliver(QLocalSocket* socket, const std::optional<QString>& path) {
    // Answer even when the handler reports an error: the second start must end. The
    // handler may run an event loop (a message box) in which a second start that gave
    // up goes away, so the socket is looked at again afterwards.
    struct Answer {
        QPointer<QLocalSocket> s;
        ~Answer() {
            if (!s)
                return;
            s->write(&kReply, 1);
            s->flush();
            s->disconnectFromServer();
        }
    } answer{socket};
    if (handler_)
        handler_(path);
}

void SingleInstance::Release() {
    held_ = false;
    std::vector<Pending> waiting;
    waiting.swap(pending_);
    for (const Pending& p : waiting) {
        if (p.socket) // a second start that gave up is skipped
            Deliver(p.socket, p.path);
    }
}

bool SingleInstance::ForwardToRunningInstance(const QStringList& arguments, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(ServerPath());
    if (!socket.waitForConnected(2000))
        return false;
    std::optional<QString> path;
    if (arguments.size() == 1)
        path = arguments.front();
    socket.write(EncodeRequest(path));
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    return true;
}

} // namespace folivex
