// Redraws on a thread of their own, so that a redraw that takes long leaves the window free to
// take the next setting: a new redraw stops the one before, whose picture is never shown.
#pragma once

#include "core/plot/drawops.h"
#include "core/plot/plotscale.h"
#include "core/plot/redraw.h"

#include <QObject>

#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

class QWidget;

class TBackgroundRedraw : public QObject {
public:
    // What a redraw that ran to its end left: the scale it stored, what it drew, and the error
    // that ended it early, if one did.
    struct Outcome {
        valvescope::PlotScale Scale;
        valvescope::DrawOps Ops;
        std::exception_ptr Error;
    };
    using Delivery = std::function<void(Outcome&)>;

    // `deliver` takes each outcome on the window's thread; an error it raises there is shown in
    // the standard error box over `owner`.
    TBackgroundRedraw(QWidget* owner, Delivery deliver);
    ~TBackgroundRedraw() override;

    // Starts redrawing `input` from `scale`, stopping the redraw before if it is still running.
    // A redraw that ends within `patience` is delivered before this returns, and an error that
    // `deliver` raises then reaches the caller; a longer one is delivered from the event loop.
    void Start(valvescope::RedrawInput input, const valvescope::PlotScale& scale,
               std::chrono::milliseconds patience);
    // Stops the running redraw, if any: nothing more is delivered until the next start.
    void Stop();
    // Waits for the running redraw, if any, and delivers it now.
    void Finish();
    // Whether a redraw has started and not yet been delivered or stopped.
    bool Running() const;

private:
    struct Job;

    void Deliver(const std::shared_ptr<Job>& job);
    void JoinEnded();

    QWidget* owner_;
    Delivery deliver_;
    std::shared_ptr<Job> current_;
    struct Worker {
        std::shared_ptr<Job> job;
        std::jthread thread;
    };
    std::vector<Worker> workers_;
};
