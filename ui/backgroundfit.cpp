#include "ui/backgroundfit.h"

#include <QMetaObject>

#include <atomic>

#include <utility>

struct TBackgroundFit::Job {
    valvescope::MeasuredPoints Points;
    Outcome Done;
    std::atomic<bool> Cancel = false; // set when its outcome is no longer wanted
};

TBackgroundFit::TBackgroundFit(QObject* parent, Delivery deliver)
    : QObject(parent), deliver_(std::move(deliver)) {}

TBackgroundFit::~TBackgroundFit() {
    Drop();
    if (thread_.joinable()) {
        thread_.join(); // its queued delivery goes with this object
    }
}

void TBackgroundFit::Start(valvescope::MeasuredPoints points) {
    Drop();
    if (thread_.joinable()) {
        thread_.join(); // one fit at a time: the one before was dropped or is ending
    }
    auto job = std::make_shared<Job>();
    job->Points = std::move(points);
    current_ = job;
    thread_ = std::jthread([this, job] {
        try {
            job->Done.Result = valvescope::FitTube(job->Points, {nullptr, &job->Cancel});
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
    deliver_(job->Done);
}
