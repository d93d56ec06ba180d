#include "ui/backgroundfit.h"

#include <QMetaObject>

#include <atomic>

#include <utility>

struct TBackgroundFit::Job {
    Outcome Done;
    std::atomic<bool> Cancel = false; // set when its outcome is no longer wanted
    bool Cancelled = false;           // the user stopped it (on this object's thread)
};

TBackgroundFit::TBackgroundFit(QObject* parent, Delivery deliver, ProgressShown progress)
    : QObject(parent), deliver_(std::move(deliver)), progress_(std::move(progress)) {}

TBackgroundFit::~TBackgroundFit() {
    Drop();
    if (thread_.joinable()) {
        thread_.join(); // its queued delivery goes with this object
    }
}

void TBackgroundFit::Start(valvescope::MeasuredPoints points) {
    Launch([points = std::move(points)](Outcome& done, const valvescope::FitControl& control) {
        done.Result = valvescope::FitTube(points, control);
    });
}

void TBackgroundFit::StartComparison(std::vector<valvescope::MeasuredFile> files) {
    Launch([files = std::move(files)](Outcome& done, const valvescope::FitControl& control) {
        done.Compared = true;
        done.Comparison = valvescope::CompareModels(files, [&control](double share) {
            control.Progress(share);
            return !*control.Cancel;
        });
    });
}

void TBackgroundFit::Launch(Work work) {
    Drop();
    if (thread_.joinable()) {
        thread_.join(); // one fit at a time: the one before was dropped or is ending
    }
    auto job = std::make_shared<Job>();
    current_ = job;
    // The share done goes through the event loop, and only while its fit is still the one wanted.
    auto progress = [this, job](double share) {
        QMetaObject::invokeMethod(
            this,
            [this, job, share] {
                if (job == current_ && progress_) {
                    progress_(share);
                }
            },
            Qt::QueuedConnection);
    };
    thread_ = std::jthread([this, job, progress, work = std::move(work)] {
        try {
            work(job->Done, {progress, &job->Cancel});
        } catch (...) {
            job->Done.Error = std::current_exception();
        }
        QMetaObject::invokeMethod(
            this, [this, job] { Deliver(job); }, Qt::QueuedConnection);
    });
}

void TBackgroundFit::Drop() {
    if (current_) {
        current_->Cancel = true; // a dropped fit stops soon rather than running on
    }
    current_.reset();
}

void TBackgroundFit::Cancel() {
    if (current_) {
        current_->Cancelled = true;
        current_->Cancel = true;
    }
}

void TBackgroundFit::Finish() {
    if (!current_) {
        return;
    }
    thread_.join();
    Deliver(current_);
}

void TBackgroundFit::Deliver(std::shared_ptr<Job> job) {
    if (job != current_) {
        return; // dropped, or delivered already by Finish
    }
    current_.reset();
    if (thread_.joinable()) {
        thread_.join();
    }
    if (job->Cancelled) {
        job->Done.Error = std::make_exception_ptr(valvescope::FitCancelled());
    }
    deliver_(job->Done);
}
