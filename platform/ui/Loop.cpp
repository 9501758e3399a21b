#include "platform/ui/Loop.h"

#include <glib.h>

#include <cstdio>
#include <exception>

namespace jv::ui {

namespace {
thread_local Loop* t_current = nullptr;
}

struct Loop::Timer {
    Loop* loop = nullptr;
    Work work;
    GSource* source = nullptr;
    bool pending = false;
    bool removed = false;
};

Loop::Loop() : context_(g_main_context_ref_thread_default()) {
    t_current = this;
}

Loop::~Loop() {
    for (auto& [id, timer] : timers_) {
        timer->removed = true;
        g_source_destroy(timer->source);
        g_source_unref(timer->source);
    }
    if (t_current == this) t_current = nullptr;
    g_main_context_unref(context_);
}

Loop* Loop::Current() {
    return t_current;
}

void Loop::Post(Work work) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(std::move(work));
    }
    g_main_context_wakeup(context_);
}

bool Loop::RunOne() {
    Work work;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (queue_.empty()) return false;
        work = std::move(queue_.front());
        queue_.pop_front();
    }
    // No exception leaves a piece of work: one that did would end the program from a message
    // or a timer that had nothing to do with what failed.
    const int level = ++working_;
    const bool done = Guarded(work);
    working_ = level - 1;
    Guarded([this, level, done] {
        RunAfterWork(level);
        if (done && afterWork_) afterWork_();
    });
    return true;
}

bool Loop::Guarded(const Work& work) {
    try {
        work();
        return true;
    } catch (const std::exception& e) {
        Failed(e.what());
    } catch (...) {
        Failed("unknown exception");
    }
    return false;
}

void Loop::AfterThisWork(Work work) {
    afterThisWork_.emplace_back(working_ > 0 ? working_ : 1, std::move(work));
}

void Loop::RunAfterWork(int level) {
    std::vector<Work> due;
    for (auto it = afterThisWork_.begin(); it != afterThisWork_.end();) {
        if (it->first >= level) {
            due.push_back(std::move(it->second));
            it = afterThisWork_.erase(it);
        } else {
            ++it;
        }
    }
    for (const Work& work : due) Guarded(work);
}

void Loop::Failed(const std::string& what) {
    if (onError_) {
        try {
            onError_(what);
            return;
        } catch (...) {
        }
    }
    std::fprintf(stderr, "Loop: a piece of work failed: %s\n", what.c_str());
}

bool Loop::Iterate(bool mayBlock) {
    return g_main_context_iteration(context_, mayBlock ? TRUE : FALSE) != FALSE;
}

void Loop::Run() {
    // A Quit made before Run (the window closed, a signal arrived while the program was still
    // starting) ends this Run at once rather than being forgotten.
    ++depth_;
    while (!quit_) {
        if (!RunOne()) Iterate(true);
    }
    // Nested loops under this one have ended by now; the loop may be run again.
    quit_ = false;
    --depth_;
}

void Loop::Quit() {
    quit_ = true;
    g_main_context_wakeup(context_);
}

bool Loop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    const bool timed = timeout > std::chrono::milliseconds::zero();
    ++depth_;
    bool result = true;
    while (!done()) {
        if (quit_) {
            result = false;
            break;
        }
        if (RunOne()) continue;
        if (!timed) {
            Iterate(true);
            continue;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left <= std::chrono::milliseconds::zero()) {
            result = false;
            break;
        }
        // Wake up at the deadline at the latest.
        GSource* wake = g_timeout_source_new(static_cast<guint>(left.count()) + 1);
        g_source_set_callback(
            wake, [](gpointer) -> gboolean { return G_SOURCE_REMOVE; }, nullptr, nullptr);
        g_source_attach(wake, context_);
        Iterate(true);
        g_source_destroy(wake);
        g_source_unref(wake);
    }
    --depth_;
    return result;
}

void Loop::RunPending() {
    // Bounded, so that a source that is always ready cannot keep the caller here.
    for (int round = 0; round < 10000; ++round) {
        const bool ran = RunOne();
        const bool iterated = Iterate(false);
        if (!ran && !iterated) return;
    }
}

unsigned Loop::AddTimer(std::chrono::milliseconds interval, Work work) {
    const unsigned id = nextTimerId_++;
    auto timer = std::make_shared<Timer>();
    timer->loop = this;
    timer->work = std::move(work);
    timer->source = g_timeout_source_new(static_cast<guint>(interval.count()));
    struct Tick {
        std::weak_ptr<Timer> timer;
    };
    g_source_set_callback(
        timer->source,
        [](gpointer data) -> gboolean {
            std::shared_ptr<Timer> ticking = static_cast<Tick*>(data)->timer.lock();
            if (!ticking || ticking->removed) return G_SOURCE_REMOVE;
            if (ticking->pending) return G_SOURCE_CONTINUE;
            ticking->pending = true;
            std::weak_ptr<Timer> weakTimer = ticking;
            ticking->loop->Post([weakTimer] {
                std::shared_ptr<Timer> running = weakTimer.lock();
                if (!running || running->removed) return;
                running->pending = false;
                running->work();
            });
            return G_SOURCE_CONTINUE;
        },
        new Tick{timer}, [](gpointer data) { delete static_cast<Tick*>(data); });
    g_source_attach(timer->source, context_);
    timers_[id] = std::move(timer);
    return id;
}

void Loop::RemoveTimer(unsigned id) {
    const auto it = timers_.find(id);
    if (it == timers_.end()) return;
    std::shared_ptr<Timer> timer = it->second;
    timers_.erase(it);
    timer->removed = true;
    g_source_destroy(timer->source);
    g_source_unref(timer->source);
}

}  // namespace jv::ui
