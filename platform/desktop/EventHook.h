#pragma once

#include <cstdint>

namespace jv::desktop {

class EventTarget;

// One message in an event target's stream: what happened (a message number the target and its
// hooks agree on) and two values that go with it.
struct Event {
    unsigned message = 0;
    uint64_t wParam = 0;
    int64_t lParam = 0;
};

// A hook in an event target's message stream. Hooks sit in a chain in front of the target's own
// handler, the newest first; each sees a message before the ones installed before it and passes it
// on (OnEvent's default), so a helper such as the tray icon learns about the messages it needs
// without the target doing anything for it.
class EventHook {
public:
    EventHook() = default;
    // Unhooks when still hooked.
    virtual ~EventHook();
    EventHook(const EventHook&) = delete;
    EventHook& operator=(const EventHook&) = delete;

    // Adds this hook to the front of the target's chain, or, with null, takes it out of the chain
    // it is in.
    void Hook(EventTarget* target);
    EventTarget* target() const { return target_; }

protected:
    // Sees a message; passes it on to the rest of the chain unless overridden to do otherwise.
    virtual intptr_t OnEvent(const Event& event);
    // The rest of the chain: the next hook, or the target's own handler.
    intptr_t PassOn(const Event& event);

private:
    friend class EventTarget;
    EventTarget* target_ = nullptr;
    EventHook* next_ = nullptr;
};

// Something with a message stream that hooks can be put into (the companion's frame).
class EventTarget {
public:
    EventTarget() = default;
    // Takes out every hook still installed, before the target goes.
    virtual ~EventTarget();
    EventTarget(const EventTarget&) = delete;
    EventTarget& operator=(const EventTarget&) = delete;

    // Sends a message through the chain: the newest hook first, the target's handler last.
    intptr_t SendEvent(const Event& event);

protected:
    // The target's own handling, after every hook has passed the message on.
    virtual intptr_t HandleEvent(const Event& event) = 0;

private:
    friend class EventHook;
    void Add(EventHook& hook);
    void Remove(EventHook& hook);

    EventHook* head_ = nullptr;
};

}  // namespace jv::desktop
