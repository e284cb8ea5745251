#pragma once
// One running copy per program folder. The first copy holds a lock and a
// local server named after the folder; a later copy asks it to come
// forward and ends.
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

namespace plandor {

class SingleInstance final : public QObject {
  Q_OBJECT
 public:
  explicit SingleInstance(const QString& programFolder, QObject* parent = nullptr);
  Q_DISABLE_COPY(SingleInstance)

  // True for the first copy: it now owns the folder. False when another copy
  // runs; that copy has been asked to come forward.
  bool claim();

  static QString serverName(const QString& programFolder);

 signals:
  void raiseRequested();

 private:
  QString name_;
  std::unique_ptr<QLockFile> lock_;
  QLocalServer server_;
};

}  // namespace plandor
