#pragma once
// The program is told to end (SIGTERM, SIGHUP, SIGINT) or loses its display
// connection: the work on screen is kept first, then the program ends as it
// was told. The signal only wakes the event loop (a self-pipe); the work is
// kept there, outside the handler.
#include <QObject>
#include <functional>

namespace plandor {

class EndSignals final : public QObject {
  Q_OBJECT
 public:
  // `keep` runs once, before the end; no longer once this object is gone.
  EndSignals(std::function<void()> keep, QObject* parent = nullptr);
  ~EndSignals() override;
  Q_DISABLE_COPY(EndSignals)

 private:
  void signalled();
};

}  // namespace plandor
