// The Tube window's comparison of models: every model that suits the measured points fitted on
// the fit's thread, with its progress and Cancel, then shown as a table best first; choosing a
// row makes its model the tube.
#include "core/tubeedit/comparedmodels.h"
#include "ui/backgroundfit.h"
#include "ui/errorbox.h"
#include "ui/qtext.h"
#include "ui/tubewindow.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

enum Column { kModel, kConstants, kPlateRms, kScreenRms, kBic, kTime, kColumns };

QTableWidgetItem* Cell(const std::string& text, Qt::Alignment alignment = Qt::AlignLeft) {
    auto* item = new QTableWidgetItem(FromStd(text));
    item->setTextAlignment(alignment | Qt::AlignVCenter);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

// The constants' lines break after a comma only, never inside "kvb 7.15 k".
QString Unbroken(const std::string& constants) {
    QString text = FromStd(constants);
    text.replace(u' ', QChar(0x00a0));
    text.replace(QStringLiteral(",\u00a0"), QStringLiteral(", "));
    return text;
}

} // namespace

QWidget* TTubeWindow::BuildComparison() {
    comparisonPanel_ = new QGroupBox(QStringLiteral("Models compared"));
    auto* column = new QVBoxLayout(comparisonPanel_);
    comparison_ = new QTableWidget(0, kColumns);
    comparison_->setObjectName(QStringLiteral("ModelComparison"));
    comparison_->setHorizontalHeaderLabels(
        {QStringLiteral("Model"), QStringLiteral("Constants"), QStringLiteral("Plate RMS"),
         QStringLiteral("Screen RMS"), QStringLiteral("BIC"), QStringLiteral("Time")});
    comparison_->setSelectionBehavior(QAbstractItemView::SelectRows);
    comparison_->setSelectionMode(QAbstractItemView::SingleSelection);
    comparison_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    comparison_->verticalHeader()->hide();
    comparison_->setWordWrap(true); // the constants in lines of their column's width
    auto* legend = new QLabel(QString::fromUtf8(valvescope::kComparisonLegend));
    legend->setObjectName(QStringLiteral("ComparisonLegend"));
    useCompared_ = new QPushButton(QStringLiteral("&Use This Model"));
    useCompared_->setObjectName(QStringLiteral("UseComparedModel"));
    useCompared_->setAutoDefault(false);
    auto* row = new QHBoxLayout;
    row->addWidget(legend, 1);
    row->addWidget(useCompared_);
    column->addWidget(comparison_, 1);
    column->addLayout(row);
    comparisonPanel_->hide();
    // Enter or a double click on a row, or the button for the row selected.
    connect(comparison_, &QTableWidget::activated, this, [this](const QModelIndex& index) {
        RunGuarded(this, [this, index] { UseComparedModel(index.row()); });
    });
    connect(useCompared_, &QPushButton::clicked, this,
            [this] { RunGuarded(this, [this] { UseComparedModel(comparison_->currentRow()); }); });
    return comparisonPanel_;
}

void TTubeWindow::CompareModels() {
    if (document_.Measurements().empty() || fit_->Running()) {
        return;
    }
    reportTube_.reset();
    comparedFiles_ = document_.MeasurementFiles();
    report_->setPlainText(QStringLiteral("Comparing the models that suit %1 points...")
                              .arg(document_.Measurements().size()));
    fit_->StartComparison(comparedFiles_);
    ShowFitRunning(true);
}

// A cancelled comparison is no error, as a cancelled fit is not; the table before goes.
void TTubeWindow::ComparisonEnded(const std::exception_ptr& error,
                                  std::vector<valvescope::ModelFitResult> results) {
    ShowFitRunning(false);
    compared_.clear();
    comparisonPanel_->hide();
    RunGuarded(this, [this, &error, &results] {
        if (!error) {
            ComparisonDone(std::move(results));
            return;
        }
        try {
            std::rethrow_exception(error);
        } catch (const valvescope::FitCancelled&) {
            report_->setPlainText(QStringLiteral("The comparison was cancelled."));
        } catch (...) {
            report_->clear();
            throw;
        }
    });
}

void TTubeWindow::ComparisonDone(std::vector<valvescope::ModelFitResult> results) {
    compared_ = std::move(results);
    comparison_->setRowCount(static_cast<int>(compared_.size()));
    for (int k = 0; k < comparison_->rowCount(); ++k) {
        const valvescope::ComparisonRow row =
            valvescope::ComparisonRowOf(compared_[static_cast<std::size_t>(k)]);
        comparison_->setItem(k, kModel, Cell(row.Model));
        comparison_->setItem(k, kConstants, Cell(row.Constants));
        comparison_->item(k, kConstants)->setText(Unbroken(row.Constants));
        comparison_->item(k, kConstants)->setToolTip(FromStd(row.Constants));
        comparison_->setItem(k, kPlateRms, Cell(row.PlateRms, Qt::AlignRight));
        comparison_->setItem(k, kScreenRms, Cell(row.ScreenRms, Qt::AlignRight));
        comparison_->setItem(k, kBic, Cell(row.Bic, Qt::AlignRight));
        comparison_->setItem(k, kTime, Cell(row.Time, Qt::AlignRight));
    }
    comparison_->resizeColumnsToContents();
    const int constantsWidth = comparison_->fontMetrics().horizontalAdvance(QString(44, u'0'));
    comparison_->setColumnWidth(kConstants,
                                std::min(comparison_->columnWidth(kConstants), constantsWidth));
    comparison_->resizeRowsToContents();
    comparison_->setCurrentCell(0, kModel);
    comparisonPanel_->show();
    report_->setPlainText(QStringLiteral("Compared %1 models on %2 points; the lowest BIC first.\n"
                                         "Choose a row to make its model the tube.")
                              .arg(compared_.size())
                              .arg(compared_.empty() ? 0 : compared_.front().Points));
}

// The row's model on the tube's ratings, wired as it was fitted; the curves at the measured
// grid voltages show how it lies over the points.
void TTubeWindow::UseComparedModel(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= compared_.size()) {
        return;
    }
    const valvescope::ModelFitResult& result = compared_[static_cast<std::size_t>(row)];
    valvescope::Tube tube =
        valvescope::ComparedTube(document_.CurrentTube(), result, comparedFiles_);
    const tubemath::ScreenWiring wiring = valvescope::ComparedWiring(result, tube);
    document_.UseFittedTube(std::move(tube), wiring);
    reportTube_ = document_.CurrentTube().Name;
}
