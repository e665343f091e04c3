#include "records/record_events.h"

#include <algorithm>

namespace pim {

void RecordEvents::Tell(const RecordChange& change) {
  // A copy: a listener may subscribe or unsubscribe others while it hears the change.
  const std::vector<RecordListener*> listeners = listeners_;
  for (RecordListener* listener : listeners)
    if (std::ranges::find(listeners_, listener) != listeners_.end())
      listener->OnRecordChange(change);
}

void RecordEvents::Subscribe(RecordListener& listener) {
  if (std::ranges::find(listeners_, &listener) == listeners_.end()) listeners_.push_back(&listener);
}

void RecordEvents::Unsubscribe(const RecordListener& listener) {
  std::erase(listeners_, &listener);
}

}  // namespace pim
