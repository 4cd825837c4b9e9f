#pragma once
// The root of every class that can be the sender of an event.

#include <functional>

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
};

// An event with only its sender. Unassigned events are skipped by the code that fires them.
using TNotifyEvent = std::function<void(TObject* Sender)>;

// Fires an event if a handler is assigned. The handler runs from a copy, so it
// may reassign or clear the event it was called from.
template <typename Event, typename... Args>
inline void Fire(const Event& event, Args&&... args)
{
    if (event) {
        const Event handler = event;
        handler(std::forward<Args>(args)...);
    }
}
