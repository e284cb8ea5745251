#pragma once
// The session bus, settled before Qt first looks for it. With no address
// there is no bus: libdbus would otherwise start one ("autolaunch") with a
// daemon that outlives the program. A bus that does not answer its first
// handshake within the timeout is taken as none too: Qt's own start-up calls
// on it (the accessibility bridge, the global menu check) would wait for it
// for many seconds. Either way the address is set to one that fails at once.
namespace plandor {

enum class SessionBus { Usable, Absent, Unanswered };

SessionBus settleSessionBus(int timeoutMs = 500);

}  // namespace plandor
