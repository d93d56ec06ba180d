// A fit on a thread of its own: a file of many thousand points takes a while to fit, and the
// windows keep taking input meanwhile. Its progress and outcome come back on the window's thread.
#pragma once

#include "core/fit/fit.h"
#include "core/tube/measuredpoint.h"

#include <QObject>

#include <exception>
#include <functional>
#include <memory>
#include <thread>

class TBackgroundFit : public QObject {
public:
    // What a fit left: its result, or the error that ended it.
    struct Outcome {
        valvescope::FitResult Result;
        std::exception_ptr Error;
    };
    using Delivery = std::function<void(Outcome&)>;
    using ProgressShown = std::function<void(double)>;

    // `deliver` takes each outcome, and `progress` the running fit's share done (0 to 1), on the
    // thread this object lives on.
    TBackgroundFit(QObject* parent, Delivery deliver, ProgressShown progress = {});
    // Waits for a fit still running; its outcome is dropped.
    ~TBackgroundFit() override;

    // Starts fitting `points`; a fit still running is stopped and its outcome dropped.
    void Start(valvescope::MeasuredPoints points);
    // Stops the running fit, if one runs, and drops its outcome.
    void Drop();
    // Stops the running fit, if one runs; its outcome, delivered as usual, is FitCancelled even
    // when the fit was about to end.
    void Cancel();
    // Waits for the running fit, if any, and delivers it now.
    void Finish();
    bool Running() const { return current_ != nullptr; }

private:
    struct Job;
    void Deliver(std::shared_ptr<Job> job); // by value: it may be current_ itself

    Delivery deliver_;
    ProgressShown progress_;
    std::shared_ptr<Job> current_;
    std::jthread thread_;
};
