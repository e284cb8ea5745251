#pragma once
// Whether the planner runs on a data folder, learned without touching its
// lock: the kernel lists the folder's flock in /proc/locks with its holder.
// The end of that process is watched through a pidfd, so nothing wakes
// while the planner runs.
#include <QObject>
#include <string>

class QSocketNotifier;
class QTimer;

namespace plandor {

class PlannerWatch final : public QObject {
  Q_OBJECT
 public:
  explicit PlannerWatch(std::string folder, QObject* parent = nullptr);
  ~PlannerWatch() override;
  Q_DISABLE_COPY(PlannerWatch)

  // True while a planner holds the folder; watches for its end.
  bool running();

  // The holder of an exclusive flock on the file (device, inode) in the
  // text of /proc/locks: its pid (0 when it is not visible from here), or
  // -1 when none holds one.
  static long holder(const std::string& locks, unsigned major, unsigned minor, unsigned long long inode);

  static constexpr int kPollMs = 3000;  // only for a holder that cannot be watched

 signals:
  void ended();

 private:
  void stopWatching();

  std::string folder_;
  long watched_ = -1;
  int pidfd_ = -1;
  QSocketNotifier* exit_ = nullptr;
  QTimer* poll_ = nullptr;
};

}  // namespace plandor
