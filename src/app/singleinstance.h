#pragma once
// Bringing the running copy forward. Which copy runs is the folder lock's
// rule (folderlock.h); the copy that holds it binds a Unix socket in
// Linux's abstract namespace named after the folder's device and inode, and
// a later copy connects to it to ask the first to come forward, then ends.
// Nothing is left on any disk. A copy in another network namespace cannot
// reach the name, and says so instead.
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
    First,     // this copy owns the folder, and answers later copies
    Raised,    // another copy owns it and has come forward
    NoAnswer,  // another copy owns it but did not answer in time
  };
  // `ownsFolder`: this copy holds the folder lock, and takes the name (a
  // copy still ending may hold it for a moment; without it this copy runs
  // all the same). Otherwise asks the holder, waiting at most `waitMs`.
  Claim claim(bool ownsFolder, int waitMs = 5000);
  // Where the folder cannot be locked, the name is the only rule: a copy
  // that holds it is asked to come forward; otherwise this copy takes it.
  Claim claimWithoutLock(int waitMs = 5000);

  // What a later copy asks besides coming forward: the reminder argument it
  // was started with ("--reminder=…"), handed to the running copy.
  void setRequest(const std::string& reminder) { request_ = reminder; }

  // The socket's name without the leading NUL; empty when the folder cannot
  // be examined. Two paths to one folder give one name.
  static std::string socketName(const std::string& programFolder);

 signals:
  // `reminder`: the argument of the copy that asked, or empty.
  void raiseRequested(const QString& reminder);

 private:
  void answerRequests();
  // Listens on the bound socket `fd` for later copies.
  void answerOn(int fd);

  std::string name_;
  std::string request_;
  int fd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace plandor
