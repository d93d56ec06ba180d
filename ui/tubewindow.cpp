#include "ui/tubewindow.h"

#include "core/fit/fitreport.h"
#include "core/measure/measurements.h"
#include "core/tube/library.h"
#include "core/tube/tubefile.h"
#include "core/tubeedit/modeldifference.h"
#include "ui/backgroundfit.h"
#include "ui/errorbox.h"
#include "ui/qtext.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

namespace {

QPushButton* Button(const QString& text, const char* name) {
    auto* button = new QPushButton(text);
    button->setObjectName(QString::fromUtf8(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

TTubeWindow::TTubeWindow(valvescope::PlotDocument& document, QWidget* owner)
    : QWidget(owner, Qt::Window), document_(document) {
    setObjectName(QStringLiteral("TubeWindow"));
    setWindowTitle(QStringLiteral("Tube"));
    fit_ = new TBackgroundFit(
        this,
        [this](TBackgroundFit::Outcome& outcome) {
            if (outcome.Compared) {
                ComparisonEnded(outcome.Error, std::move(outcome.Comparison));
            } else {
                FitEnded(outcome.Error, outcome.Result);
            }
        },
        [this](double share) { progress_->setValue(static_cast<int>(share * 100 + 0.5)); });
    auto* rows = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    columns->addWidget(BuildTubeFields());
    columns->addWidget(BuildMeasurementPanel(), 1);
    rows->addLayout(columns, 1);
    rows->addWidget(BuildComparison(), 1); // the whole width for the constants
    BindEvents();
    FollowDocument();
    ShowTubeFields(nullptr);
    ShowScreen();
    ShowMeasurements();
}

TTubeWindow::~TTubeWindow() {
    delete fit_; // waits for a fit still running; its outcome is dropped
    // A field losing the focus as it goes announces an edit: no handler may run then.
    for (QObject* child : findChildren<QObject*>()) {
        child->disconnect(this);
    }
}

void TTubeWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!placed_ && !event->spontaneous()) {
        placed_ = true;
        PlaceBesideOwner();
    }
}

// Right of the main window where the screen has room, else left of it, else below it, else as
// far right as the screen allows; never over its top edge.
void TTubeWindow::PlaceBesideOwner() {
    const QWidget* owner = parentWidget();
    const QScreen* screen = owner ? owner->screen() : nullptr;
    if (!screen) {
        return;
    }
    const QRect area = screen->availableGeometry();
    const QRect main = owner->frameGeometry();
    const QSize size = frameGeometry().size().expandedTo(sizeHint());
    constexpr int kGap = 8;
    QPoint place(main.right() + 1 + kGap, main.top());
    if (place.x() + size.width() > area.right() + 1) {
        if (main.left() - kGap - size.width() >= area.left()) {
            place.setX(main.left() - kGap - size.width());
        } else if (main.bottom() + 1 + kGap + size.height() <= area.bottom() + 1) {
            place = QPoint(main.left(), main.bottom() + 1 + kGap);
        } else {
            place.setX(area.right() + 1 - size.width());
        }
    }
    place.setX(std::max(place.x(), area.left()));
    place.setY(std::max(std::min(place.y(), area.bottom() + 1 - size.height()), area.top()));
    move(place);
}

template <typename Handler> void TTubeWindow::Guarded(Handler&& handler) {
    RunGuarded(this, std::forward<Handler>(handler));
}

QWidget* TTubeWindow::BuildTubeButtons() {
    auto* panel = new QWidget;
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    auto* buttons = new QHBoxLayout;
    open_ = Button(QStringLiteral("&Open..."), "OpenTube");
    saveAs_ = Button(QStringLiteral("Save &As..."), "SaveTubeAs");
    builtin_ = Button(QStringLiteral("&807 (built in)"), "Builtin807");
    buttons->addWidget(open_);
    buttons->addWidget(saveAs_);
    buttons->addWidget(builtin_);
    column->addLayout(buttons);
    exportSpice_ = Button(QStringLiteral("Export S&PICE Model..."), "ExportSpiceModel");
    auto* exports = new QHBoxLayout;
    exports->addWidget(exportSpice_);
    exports->addStretch(1);
    column->addLayout(exports);
    return panel;
}

QWidget* TTubeWindow::BuildMeasurementPanel() {
    auto* box = new QGroupBox(QStringLiteral("Measured curves"));
    auto* column = new QVBoxLayout(box);
    measurementsLabel_ = new QLabel;
    measurementsLabel_->setObjectName(QStringLiteral("MeasurementsFile"));
    measurementsLabel_->setWordWrap(true);
    differenceLabel_ = new QLabel;
    differenceLabel_->setObjectName(QStringLiteral("ModelDifference"));
    differenceLabel_->setWordWrap(true);
    curvesBox_ = new QCheckBox(QStringLiteral("&Curves at the measured grid voltages"));
    curvesBox_->setObjectName(QStringLiteral("ModelCurves"));
    auto* buttons = new QHBoxLayout;
    openMeasurements_ = Button(QStringLiteral("Open &Measurements..."), "OpenMeasurements");
    closeMeasurements_ = Button(QStringLiteral("C&lose Measurements"), "CloseMeasurements");
    fitButton_ = Button(QStringLiteral("&Fit to Measurements"), "FitToMeasurements");
    compareButton_ = Button(QStringLiteral("Compare Mo&dels"), "CompareModels");
    compareButton_->setToolTip(
        QStringLiteral("Fit every model that suits the points and rank them by BIC"));
    fitAxes_ = Button(QStringLiteral("Fit the a&xes to the data"), "FitAxes");
    buttons->addWidget(openMeasurements_);
    buttons->addWidget(closeMeasurements_);
    buttons->addWidget(fitAxes_);
    buttons->addStretch(1);
    auto* axes = new QHBoxLayout;
    axes->addWidget(fitButton_);
    axes->addWidget(compareButton_);
    axes->addStretch(1);
    report_ = new QPlainTextEdit;
    report_->setObjectName(QStringLiteral("FitReport"));
    report_->setReadOnly(true);
    report_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    report_->setLineWrapMode(QPlainTextEdit::NoWrap);
    report_->setMinimumWidth(report_->fontMetrics().horizontalAdvance(QString(45, u'0')));
    column->addWidget(measurementsLabel_);
    column->addWidget(differenceLabel_);
    column->addWidget(curvesBox_);
    column->addLayout(buttons);
    column->addLayout(axes);
    column->addWidget(BuildFitControls());
    column->addWidget(report_, 1);
    return box;
}

void TTubeWindow::BindEvents() {
    connect(library_, &QComboBox::activated, this, [this](int index) {
        Guarded([this, index] {
            UseLibraryTube(index == 0 ? "807" : valvescope::TubeLibrary()[index - 1].Name);
        });
    });
    connect(screenVolts_, &QLineEdit::editingFinished, this,
            [this] { Guarded([this] { ApplyScreen(); }); });
    connect(triodeConnected_, &QCheckBox::toggled, this,
            [this] { Guarded([this] { ApplyScreen(); }); });
    connect(nameField_, &QLineEdit::textEdited, this,
            [this] { MarkFields(ReadTubeFields(FieldTexts(), document_.CurrentTube())); });
    connect(nameField_, &QLineEdit::editingFinished, this,
            [this] { Guarded([this] { ApplyFields(); }); });
    connect(open_, &QPushButton::clicked, this,
            [this] { Guarded([this] { ChooseAndOpenTube(); }); });
    connect(saveAs_, &QPushButton::clicked, this,
            [this] { Guarded([this] { ChooseAndSaveTubeAs(); }); });
    connect(builtin_, &QPushButton::clicked, this,
            [this] { Guarded([this] { UseBuiltin807(); }); });
    connect(exportSpice_, &QPushButton::clicked, this, [this] { emit ExportSpiceAsked(); });
    connect(openMeasurements_, &QPushButton::clicked, this,
            [this] { Guarded([this] { ChooseAndOpenMeasurements(); }); });
    connect(closeMeasurements_, &QPushButton::clicked, this,
            [this] { Guarded([this] { CloseMeasurements(); }); });
    connect(fitButton_, &QPushButton::clicked, this,
            [this] { Guarded([this] { FitToMeasurements(); }); });
    connect(compareButton_, &QPushButton::clicked, this,
            [this] { Guarded([this] { CompareModels(); }); });
    connect(cancelFit_, &QPushButton::clicked, this, [this] { CancelFit(); });
    connect(fitAxes_, &QPushButton::clicked, this,
            [this] { Guarded([this] { FitAxesToMeasurements(); }); });
    connect(curvesBox_, &QCheckBox::toggled, this,
            [this](bool shown) { Guarded([this, shown] { document_.ShowModelCurves(shown); }); });
}

void TTubeWindow::FollowDocument() {
    connect(&document_, &valvescope::PlotDocument::TubeChanged, this, [this] { TubeChanged(); });
    connect(&document_, &valvescope::PlotDocument::ScreenChanged, this, [this] {
        ShowScreen();
        ShowMeasurements();
    });
    connect(&document_, &valvescope::PlotDocument::MeasurementsReplaced, this,
            [this] { MeasurementsReplaced(); });
    connect(&document_, &valvescope::PlotDocument::MeasurementsChanged, this,
            [this] { ShowMeasurements(); });
}

// ---- The tube --------------------------------------------------------------------------------

// Another tube in place of the one the fit report is of (not an edit of its fields) makes the
// report stale.
void TTubeWindow::TubeChanged() {
    if (!applying_) {
        ShowTubeFields(nullptr);
        ShowScreen();
        MarkReportStale();
    }
    ShowMeasurements();
}

void TTubeWindow::OpenTube(const QString& path) {
    document_.SetTube(valvescope::ReadTubeFile(LocalFileName(path)));
}

void TTubeWindow::SaveTubeAs(const QString& path) const {
    CheckFieldsRead();
    valvescope::SaveTubeFile(LocalFileName(path), document_.CurrentTube());
}

void TTubeWindow::ChooseAndOpenTube() {
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Open Tube"), QString(),
                                     QStringLiteral("Tube files (*.json);;All files (*)"));
    if (!path.isEmpty()) {
        OpenTube(path);
    }
}

void TTubeWindow::ChooseAndSaveTubeAs() {
    CheckFieldsRead(); // before asking for the file
    QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Save Tube As"),
        FromStd(document_.CurrentTube().Name) + QStringLiteral(".json"),
        QStringLiteral("Tube files (*.json);;All files (*)"));
    if (path.isEmpty()) {
        return;
    }
    if (QFileInfo(path).suffix().isEmpty()) {
        path += QStringLiteral(".json");
    }
    SaveTubeAs(path);
}

// ---- The measured curves ---------------------------------------------------------------------

void TTubeWindow::OpenMeasurements(const QString& path) {
    valvescope::MeasuredPoints points = valvescope::ReadMeasurementFile(LocalFileName(path));
    document_.OpenMeasurements(std::move(points), LocalFileName(path));
}

// One file opens as before; several are read first, all of them, then open together.
void TTubeWindow::OpenMeasurementFiles(const QStringList& paths) {
    if (paths.size() == 1) {
        OpenMeasurements(paths.front());
        return;
    }
    std::vector<valvescope::MeasuredFile> files;
    for (const QString& path : paths) {
        files.push_back(
            {LocalFileName(path), valvescope::ReadMeasurementFile(LocalFileName(path))});
    }
    if (!files.empty()) {
        document_.OpenMeasurementFiles(std::move(files));
    }
}

void TTubeWindow::CloseMeasurements() {
    document_.CloseMeasurements();
}

// What was worked out from the points before goes with them.
void TTubeWindow::MeasurementsReplaced() {
    fit_->Drop();
    ShowFitRunning(false);
    report_->clear();
    reportTube_.reset();
    compared_.clear();
    comparedFiles_.clear();
    comparisonPanel_->hide();
}

void TTubeWindow::ChooseAndOpenMeasurements() {
    const QStringList paths = QFileDialog::getOpenFileNames(
        this, QStringLiteral("Open Measurements"), QString(),
        QStringLiteral("Measured curves (*.utd *.txt *.csv);;All files (*)"));
    if (!paths.isEmpty()) {
        OpenMeasurementFiles(paths);
    }
}

void TTubeWindow::ShowMeasurements() {
    const valvescope::MeasuredPoints& points = document_.Measurements();
    const bool open = !points.empty();
    if (open) {
        QStringList names;
        for (const valvescope::MeasuredFile& file : document_.MeasurementFiles()) {
            names << QFileInfo(QFile::decodeName(file.Name.c_str())).fileName();
        }
        measurementsLabel_->setText(QStringLiteral("%1: %2 points at %3 grid voltages")
                                        .arg(names.join(QStringLiteral(", ")))
                                        .arg(points.size())
                                        .arg(document_.GridVoltages().size()));
        differenceLabel_->setText(QStringLiteral("Model against the points: ") +
                                  FromStd(valvescope::DifferenceText(valvescope::DifferenceOfModel(
                                      document_.Session().Wired(), points))));
    } else {
        measurementsLabel_->setText(QStringLiteral("No measured curves open."));
        differenceLabel_->clear();
    }
    closeMeasurements_->setEnabled(open);
    fitButton_->setEnabled(open && !fit_->Running());
    compareButton_->setEnabled(open && !fit_->Running());
    fitAxes_->setEnabled(open);
    curvesBox_->setEnabled(open);
    curvesBox_->blockSignals(true); // the document has them already
    curvesBox_->setChecked(document_.ModelCurvesShown());
    curvesBox_->blockSignals(false);
}

void TTubeWindow::ShowModelCurves(bool shown) {
    curvesBox_->setChecked(shown); // redraws through its toggled signal when it changes
}

bool TTubeWindow::ModelCurvesShown() const {
    return curvesBox_->isChecked();
}

QString TTubeWindow::DifferenceText() const {
    return differenceLabel_->text();
}

QString TTubeWindow::ReportText() const {
    return report_->toPlainText();
}

QString TTubeWindow::MeasurementsText() const {
    return measurementsLabel_->text();
}
