// A small bar chart of the harmonics H2 ... H9 in dB below H1, for the Operating Point window:
// each bar rises from the chart's floor to its level, the scale on the left in steps of 20 dB.
#pragma once

#include "core/design/stagerows.h"

#include <QWidget>

class THarmonicBars : public QWidget {
    Q_OBJECT

public:
    explicit THarmonicBars(QWidget* parent = nullptr);

    // New levels; none at all (no swing to show) leaves an empty chart with its scale.
    void SetLevels(const valvescope::HarmonicLevels& levels);
    void Clear();
    const valvescope::HarmonicLevels& Levels() const { return levels_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Describe();

    valvescope::HarmonicLevels levels_{};
};
