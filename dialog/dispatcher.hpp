#pragma once

// The routing table: which handler serves which notification of which control. Dispatch is the
// one entry point of a window's notifications; each handler runs inside the safety net.

#include <functional>
#include <map>
#include <utility>

#include "dialog_controls.hpp"
#include "safety_net.hpp"

namespace tempinex {

class Dispatcher {
 public:
  using Handler = std::function<void(const Notification&)>;

  explicit Dispatcher(SafetyNet& net) : net(net) {}

  // One handler per control and event; a later Route replaces an earlier one.
  void Route(int id, Event event, Handler handler);
  // Routes an event whatever control sends it (init, drops, system commands, which carry
  // their own number in id).
  void RouteAny(Event event, Handler handler);

  // Runs the handler of the notification, guarded. False when no handler serves it or its
  // handler declined (a system command other than ours gets the default processing).
  bool Dispatch(const Notification& notification);

  // For handlers that serve only part of their event: says "not handled" to Dispatch.
  void Decline() { declined = true; }

 private:
  const Handler* Find(const Notification& notification) const;

  SafetyNet& net;
  std::map<std::pair<int, Event>, Handler> byControl;
  std::map<Event, Handler> byEvent;
  bool declined = false;
};

}  // namespace tempinex
