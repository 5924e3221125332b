#include "dispatcher.hpp"

namespace tempinex {

void Dispatcher::Route(int id, Event event, Handler handler) {
  byControl[{id, event}] = std::move(handler);
}

void Dispatcher::RouteAny(Event event, Handler handler) {
  byEvent[event] = std::move(handler);
}

const Dispatcher::Handler* Dispatcher::Find(const Notification& notification) const {
  auto control = byControl.find({notification.id, notification.event});
  if (control != byControl.end()) {
    return &control->second;
  }
  auto any = byEvent.find(notification.event);
  return any != byEvent.end() ? &any->second : nullptr;
}

bool Dispatcher::Dispatch(const Notification& notification) {
  const Handler* handler = Find(notification);
  if (handler == nullptr) {
    return false;
  }
  // A nested dispatch (a text write inside a handler) has its own flag; the outer one's is
  // restored afterwards.
  bool outerDeclined = declined;
  declined = false;
  CommandSource source =
      notification.event == Event::kSysCommand ? CommandSource::kMenu : CommandSource::kControl;
  net.Run([&] { (*handler)(notification); }, source);
  bool handled = !declined;
  declined = outerDeclined;
  return handled;
}

}  // namespace tempinex
