#include "ui/backgroundredraw.h"

#include "ui/errorbox.h"

#include <QMetaObject>
#include <QWidget>

#include <atomic>
#include <future>
#include <utility>

struct TBackgroundRedraw::Job {
    std::stop_source stop;
    std::promise<void> ended;
    std::shared_future<void> end = ended.get_future().share();
    std::atomic<bool> finished = false;
    bool delivered = false;
    Outcome outcome;
};

TBackgroundRedraw::TBackgroundRedraw(QWidget* owner, Delivery deliver)
    : QObject(owner), owner_(owner), deliver_(std::move(deliver)) {}

TBackgroundRedraw::~TBackgroundRedraw() {
    for (Worker& worker : workers_) {
        worker.job->stop.request_stop();
    }
    workers_.clear(); // each thread is joined as it goes
}

void TBackgroundRedraw::Start(valvescope::RedrawInput input, const valvescope::PlotScale& scale,
                              std::chrono::milliseconds patience) {
    Stop();
    JoinEnded();
    auto job = std::make_shared<Job>();
    job->outcome.Scale = scale;
    input.stop = job->stop.get_token();
    current_ = job;
    std::jthread thread([this, job, input = std::move(input)] {
        bool stopped = false;
        try {
            valvescope::RedrawPlot(input, job->outcome.Scale, job->outcome.Ops);
        } catch (const valvescope::RedrawStopped&) {
            stopped = true;
        } catch (...) {
            job->outcome.Error = std::current_exception();
        }
        job->finished = true;
        job->ended.set_value();
        if (!stopped) {
            QMetaObject::invokeMethod(
                this, [this, job] { RunGuarded(owner_, [&] { Deliver(job); }); },
                Qt::QueuedConnection);
        }
    });
    workers_.push_back({job, std::move(thread)});
    if (job->end.wait_for(patience) == std::future_status::ready) {
        Deliver(job);
    }
}

void TBackgroundRedraw::Stop() {
    if (current_) {
        current_->stop.request_stop();
        current_.reset();
    }
}

void TBackgroundRedraw::Finish() {
    if (Running()) {
        const std::shared_ptr<Job> job = current_;
        job->end.wait();
        Deliver(job);
    }
}

bool TBackgroundRedraw::Running() const {
    return current_ && !current_->delivered;
}

void TBackgroundRedraw::Deliver(const std::shared_ptr<Job>& job) {
    if (job != current_ || job->delivered) {
        return; // stopped, or delivered already
    }
    job->delivered = true;
    deliver_(job->outcome);
}

// Threads whose redraw has ended are joined at once; the others stop soon after being asked.
void TBackgroundRedraw::JoinEnded() {
    std::erase_if(workers_, [](const Worker& worker) { return worker.job->finished.load(); });
}
