#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

struct _GMainContext;

namespace jv::ui {

// The UI thread's message loop, on the GLib main context of the thread that builds it.
//
// All page and dialog code runs as work taken from one queue: transport callbacks (the browser
// host's HTTP and WebSocket handlers, timers) only Post work, and the loop runs it. A modal dialog
// runs a nested loop (RunUntil) that iterates GLib and takes work from the queue itself, so that
// work posted while the dialog is up (its own button clicks among it) runs even though the code
// that opened the dialog is still on the stack. GLib does not re-enter a source while it is
// dispatching; the queue is not a GLib source, so nothing here depends on that.
//
// One loop per thread; Current() finds it. Post may be called from any thread, everything else
// only on the loop's own thread.
class Loop {
public:
    using Work = std::function<void()>;

    Loop();
    ~Loop();
    Loop(const Loop&) = delete;
    Loop& operator=(const Loop&) = delete;

    // The loop of the calling thread, or null.
    static Loop* Current();

    // Queues work to run on the loop's thread, after the work already queued.
    void Post(Work work);
    // Runs the oldest queued work, if any. True when something ran.
    bool RunOne();
    // Work to run once the piece of work running now has ended, before the loop takes up anything
    // else (outside any piece of work: once the next one has ended). Work that a nested loop runs
    // meanwhile (a modal dialog's) does not end it. What is handed over in one piece of work runs
    // in the order it was handed over.
    void AfterThisWork(Work work);
    // Runs the queue and GLib until Quit.
    void Run();
    // Ends Run, and every nested loop running under it on the way out. Made while no Run is
    // running, it ends the next Run at once.
    void Quit();
    // A nested loop: runs the queue and GLib until done() holds (checked after each piece of work)
    // or the timeout, when one is given, has passed. True when done() held.
    bool RunUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds timeout = std::chrono::milliseconds::zero());
    // Runs what is queued or ready now without waiting for anything else.
    void RunPending();
    // How many loops are running on the stack (1 in the main loop, 2 in a modal dialog over it).
    int depth() const { return depth_; }

    // A timer that posts its work every interval until it is removed. A timer whose work has not
    // run yet does not post it again, so a busy loop never piles up ticks. Returns its id (not 0).
    unsigned AddTimer(std::chrono::milliseconds interval, Work work);
    void RemoveTimer(unsigned id);

    // Called after each piece of work that runs (the browser host sends the pages' changes here).
    void SetAfterWork(Work afterWork) { afterWork_ = std::move(afterWork); }
    // Hears of an exception that a piece of work let out; the loop goes on with the next piece.
    // Without one, the exception is written to standard error.
    using ErrorHandler = std::function<void(const std::string& what)>;
    void SetErrorHandlerForTesting(ErrorHandler handler) { onError_ = std::move(handler); }

    _GMainContext* context() const { return context_; }

private:
    struct Timer;

    bool Iterate(bool mayBlock);
    void Failed(const std::string& what);
    // Runs work; an exception it lets out is reported (false).
    bool Guarded(const Work& work);
    // Runs the work handed to AfterThisWork by pieces of work nested `level` deep or deeper.
    void RunAfterWork(int level);

    _GMainContext* context_;
    std::mutex mutex_;
    std::deque<Work> queue_;
    bool quit_ = false;
    int depth_ = 0;
    int working_ = 0;                                  // how many pieces of work are running, one within the other
    std::vector<std::pair<int, Work>> afterThisWork_;  // by how deep the work that handed it over ran
    Work afterWork_;
    ErrorHandler onError_;
    unsigned nextTimerId_ = 1;
    std::map<unsigned, std::shared_ptr<Timer>> timers_;
};

}  // namespace jv::ui
