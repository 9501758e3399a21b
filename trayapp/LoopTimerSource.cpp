#include "trayapp/LoopTimerSource.h"

#include <memory>

#include "platform/ui/Loop.h"

unsigned CLoopTimerSource::Start(std::chrono::milliseconds delay, std::function<void()> fire) {
    auto id = std::make_shared<unsigned>(0);
    *id = loop_.AddTimer(delay, [this, id, fire = std::move(fire)] {
        // The loop's timers repeat: this one ends with its first tick.
        loop_.RemoveTimer(*id);
        fire();
    });
    return *id;
}

void CLoopTimerSource::Stop(unsigned id) {
    loop_.RemoveTimer(id);
}
