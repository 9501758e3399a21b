#include "platform/desktop/EventHook.h"

namespace jv::desktop {

EventHook::~EventHook() {
    Hook(nullptr);
}

void EventHook::Hook(EventTarget* target) {
    if (target_ != nullptr) target_->Remove(*this);
    if (target != nullptr) target->Add(*this);
}

intptr_t EventHook::OnEvent(const Event& event) {
    return PassOn(event);
}

intptr_t EventHook::PassOn(const Event& event) {
    if (next_ != nullptr) return next_->OnEvent(event);
    return target_ != nullptr ? target_->HandleEvent(event) : 0;
}

EventTarget::~EventTarget() {
    while (head_ != nullptr) head_->Hook(nullptr);
}

intptr_t EventTarget::SendEvent(const Event& event) {
    if (head_ != nullptr) return head_->OnEvent(event);
    return HandleEvent(event);
}

void EventTarget::Add(EventHook& hook) {
    hook.target_ = this;
    hook.next_ = head_;
    head_ = &hook;
}

void EventTarget::Remove(EventHook& hook) {
    if (head_ == &hook) {
        head_ = hook.next_;
    } else {
        for (EventHook* at = head_; at != nullptr; at = at->next_) {
            if (at->next_ == &hook) {
                at->next_ = hook.next_;
                break;
            }
        }
    }
    hook.target_ = nullptr;
    hook.next_ = nullptr;
}

}  // namespace jv::desktop
