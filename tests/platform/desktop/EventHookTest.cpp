#include "platform/desktop/EventHook.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/desktop/DBusMenu.h"

namespace {

using jv::desktop::Event;
using jv::desktop::EventHook;
using jv::desktop::EventTarget;

// A target that records what reaches its own handler.
class Target : public EventTarget {
public:
    explicit Target(std::vector<std::string>& trace) : trace_(trace) {}

protected:
    intptr_t HandleEvent(const Event& event) override {
        trace_.push_back("target " + std::to_string(event.message));
        return 100;
    }

private:
    std::vector<std::string>& trace_;
};

// A hook that records what it sees and passes everything on, except the message it swallows.
class RecordingHook : public EventHook {
public:
    RecordingHook(std::string name, std::vector<std::string>& trace, unsigned swallow = 0)
        : name_(std::move(name)), trace_(trace), swallow_(swallow) {}

protected:
    intptr_t OnEvent(const Event& event) override {
        trace_.push_back(name_ + " " + std::to_string(event.message));
        if (event.message == swallow_) return 7;
        return PassOn(event);
    }

private:
    std::string name_;
    std::vector<std::string>& trace_;
    unsigned swallow_;
};

}  // namespace

TEST(EventHook, NewestHookSeesMessagesFirstAndTheTargetLast) {
    std::vector<std::string> trace;
    Target target(trace);
    RecordingHook older("older", trace);
    RecordingHook newer("newer", trace, 2);
    older.Hook(&target);
    newer.Hook(&target);

    EXPECT_EQ(target.SendEvent({1, 0, 0}), 100);
    EXPECT_EQ(target.SendEvent({2, 0, 0}), 7);
    EXPECT_EQ(trace, (std::vector<std::string>{"newer 1", "older 1", "target 1", "newer 2"}));
}

TEST(EventHook, TakingHooksOutKeepsTheRestOfTheChain) {
    struct Case {
        const char* name;
        int removed;  // which of the three hooks (0 oldest) is taken out
        std::vector<std::string> seen;
    } cases[] = {
        {"the oldest", 0, {"c 1", "b 1", "target 1"}},
        {"the middle one", 1, {"c 1", "a 1", "target 1"}},
        {"the newest", 2, {"b 1", "a 1", "target 1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> trace;
        Target target(trace);
        RecordingHook a("a", trace), b("b", trace), hookC("c", trace);
        RecordingHook* hooks[] = {&a, &b, &hookC};
        for (RecordingHook* hook : hooks) hook->Hook(&target);
        hooks[c.removed]->Hook(nullptr);
        EXPECT_EQ(hooks[c.removed]->target(), nullptr);
        target.SendEvent({1, 0, 0});
        EXPECT_EQ(trace, c.seen);
    }
}

TEST(EventHook, AGoneHookOrTargetLeavesNothingBehind) {
    std::vector<std::string> trace;
    auto target = std::make_unique<Target>(trace);
    RecordingHook lasting("lasting", trace);
    {
        RecordingHook brief("brief", trace);
        brief.Hook(target.get());
        lasting.Hook(target.get());
    }
    target->SendEvent({1, 0, 0});
    EXPECT_EQ(trace, (std::vector<std::string>{"lasting 1", "target 1"}));

    // The target goes first: its hooks are taken out and may go later without touching it.
    target.reset();
    EXPECT_EQ(lasting.target(), nullptr);
}

TEST(DBusMenu, LabelsTurnAccessKeyMarksIntoTheBusForm) {
    struct Case {
        const char* label;
        const char* shown;
    } cases[] = {
        {"&View Reminders", "_View Reminders"},
        {"Open &Jorvane", "Open _Jorvane"},
        {"Fish && chips", "Fish & chips"},
        {"snake_case", "snake__case"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(jv::desktop::DBusMenu::MenuLabel(c.label), c.shown) << c.label;
}
