// A fit on a thread of its own: a file of many thousand points takes a while to fit, and a
// comparison of models longer, and the windows keep taking input meanwhile. Its progress and
// outcome come back on the window's thread.
#pragma once

#include "core/fit/fit.h"
#include "core/fit/modelfit.h"
#include "core/tube/measuredpoint.h"

#include <QObject>

#include <exception>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

class TBackgroundFit : public QObject {
public:
    // What a fit left: its result (or a comparison's), or the error that ended it.
    struct Outcome {
        valvescope::FitResult Result;
        std::vector<valvescope::ModelFitResult> Comparison;
        bool Compared = false; // the outcome of StartComparison
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
    // Starts comparing the models that suit the files (CompareModels), as Start does.
    void StartComparison(std::vector<valvescope::MeasuredFile> files);
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
    using Work = std::function<void(Outcome&, const valvescope::FitControl&)>;
    void Launch(Work work);
    void Deliver(std::shared_ptr<Job> job); // by value: it may be current_ itself

    Delivery deliver_;
    ProgressShown progress_;
    std::shared_ptr<Job> current_;
    std::jthread thread_;
};
