#include "singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QThread>

namespace plandor {

SingleInstance::SingleInstance(const QString& programFolder, QObject* parent)
    : QObject(parent), name_(serverName(programFolder)) {}

QString SingleInstance::serverName(const QString& programFolder) {
  QByteArray key = QDir(programFolder).canonicalPath().toUtf8();
  if (key.isEmpty()) key = programFolder.toUtf8();
  return QStringLiteral("plandor-") +
         QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16));
}

bool SingleInstance::claim() {
  // The lock decides between two copies started at the same instant; the
  // server only carries the "come forward" request.
  lock_ = std::make_unique<QLockFile>(QDir::temp().filePath(name_ + QStringLiteral(".lock")));
  lock_->setStaleLockTime(0);
  if (lock_->tryLock(0)) {
    QLocalServer::removeServer(name_);  // left behind by a killed copy
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.listen(name_);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
      while (QLocalSocket* s = server_.nextPendingConnection()) {
        connect(s, &QLocalSocket::readyRead, this, [this, s] {
          if (s->readAll().contains("raise")) emit raiseRequested();
          s->disconnectFromServer();
        });
        connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
      }
    });
    return true;
  }
  // The first copy may still be starting: give it a moment to listen.
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 3000) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (socket.waitForConnected(200)) {
      socket.write("raise");
      socket.waitForBytesWritten(500);
      socket.waitForDisconnected(200);
      break;
    }
    QThread::msleep(50);
  }
  return false;
}

}  // namespace plandor
