#pragma once
// One running copy per data folder. The first copy binds a Unix socket in
// Linux's abstract namespace named after the folder's device and inode: the
// kernel lets exactly one process hold the name and frees it when that
// process ends, however it ends, and nothing is left on any disk. A later
// copy connects to it to ask the first to come forward, then ends.
#include <QObject>
#include <string>

class QSocketNotifier;

namespace plandor {

class SingleInstance final : public QObject {
  Q_OBJECT
 public:
  explicit SingleInstance(const std::string& programFolder, QObject* parent = nullptr);
  ~SingleInstance() override;
  Q_DISABLE_COPY(SingleInstance)

  enum class Claim {
    First,     // this copy now owns the folder
    Raised,    // another copy owns it and has come forward
    NoAnswer,  // another copy owns it but did not answer in time
  };
  // Waits at most `waitMs` for a running copy to answer.
  Claim claim(int waitMs = 5000);

  // The socket's name without the leading NUL; empty when the folder cannot
  // be examined. Two paths to one folder give one name.
  static std::string socketName(const std::string& programFolder);

 signals:
  void raiseRequested();

 private:
  void answerRequests();

  std::string name_;
  int fd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace plandor
