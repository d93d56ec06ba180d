#include "ui/operatingpointwindow.h"

#include "core/design/stagemarks.h"
#include "formats/formats.h"
#include "ui/errorbox.h"
#include "ui/harmonicbars.h"
#include "ui/pushpullinputs.h"
#include "ui/qtext.h"
#include "ui/smallplotview.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

#include <exception>
#include <initializer_list>

namespace {

const QColor kAlarmColour(0xC0, 0x00, 0x00);
// Past any section's last row.
constexpr int kMostRows = 64;

QLabel* BuddyLabel(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

void Colour(QLabel* label, bool alarm) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, alarm ? kAlarmColour : QColor(Qt::black));
    label->setPalette(palette);
}

} // namespace

TOperatingPointWindow::TOperatingPointWindow(valvescope::PlotDocument& document, QWidget* owner)
    : QWidget(owner, Qt::Window), document_(document), intakeProblem_(document.SettingsProblem()) {
    setObjectName(QStringLiteral("OperatingPointWindow"));
    setWindowTitle(QStringLiteral("Operating Point"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildInputs());
    message_ = new QLabel;
    message_->setObjectName(QStringLiteral("OperatingPointMessage"));
    message_->setWordWrap(true);
    Colour(message_, true);
    message_->hide();
    layout->addWidget(message_);

    auto* body = new QGridLayout;
    const char* titles[] = {"Quiescent point", "Small signal", "Swing"};
    for (std::size_t k = 0; k < sections_.size(); ++k) {
        sections_[k].Box = new QGroupBox(QString::fromUtf8(titles[k]));
        sections_[k].Grid = new QGridLayout(sections_[k].Box);
        sections_[k].Grid->setColumnStretch(2, 1);
        // The rows stay together at the top however tall the section is.
        sections_[k].Grid->setRowStretch(kMostRows, 1);
    }
    auto* harmonics = new QGroupBox(QStringLiteral("Harmonics"));
    bars_ = new THarmonicBars;
    (new QVBoxLayout(harmonics))->addWidget(bars_);
    body->addWidget(sections_[0].Box, 0, 0);
    body->addWidget(sections_[1].Box, 0, 1);
    body->addWidget(sections_[2].Box, 1, 0);
    body->addWidget(harmonics, 1, 1);
    body->addWidget(BuildPlots(), 0, 2, 2, 1); // beside the figures, so the window stays low
    layout->addLayout(body, 1);

    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    ShowGivenInputs();
    BindInputs();
    FollowDocument();
}

void TOperatingPointWindow::FollowDocument() {
    connect(&document_, &valvescope::PlotDocument::SettingsTaken, this,
            &TOperatingPointWindow::SettingsTaken);
    connect(&document_, &valvescope::PlotDocument::StageInputsGiven, this,
            &TOperatingPointWindow::ShowGivenInputs);
}

// The document's stage inputs into the fields; the analysis follows with the next intake.
void TOperatingPointWindow::ShowGivenInputs() {
    texts_ = document_.StageInputs();
    for (QWidget* field : std::initializer_list<QWidget*>{stage_, load_, zaa_, drive_}) {
        field->blockSignals(true);
    }
    stage_->setCurrentIndex(texts_.Kind == valvescope::StageKind::PushPull ? 1 : 0);
    load_->setCurrentIndex(texts_.Load == valvescope::LoadKind::Transformer ? 1 : 0);
    zaa_->setText(FromStd(texts_.Zaa));
    drive_->setText(FromStd(texts_.Drive));
    for (QWidget* field : std::initializer_list<QWidget*>{stage_, load_, zaa_, drive_}) {
        field->blockSignals(false);
    }
    pushPull_->SetTexts(texts_.PushPull);
    zaa_->setEnabled(texts_.Load == valvescope::LoadKind::Transformer);
    ShowStageKind();
}

// One stage's inputs and figures at a time.
void TOperatingPointWindow::ShowStageKind() {
    const bool pair = texts_.Kind == valvescope::StageKind::PushPull;
    singleEnded_->setVisible(!pair);
    pushPull_->setVisible(pair);
    plots_->setVisible(pair);
    pushPull_->SetScreenGrid(tubemath::HasScreen(document_.CurrentTube().Model.Kind));
}

QWidget* TOperatingPointWindow::BuildInputs() {
    auto* inputs = new QWidget;
    auto* column = new QVBoxLayout(inputs);
    column->setContentsMargins(0, 0, 0, 0);
    auto* top = new QHBoxLayout;
    stage_ = new QComboBox;
    stage_->setObjectName(QStringLiteral("CmbBxStage"));
    stage_->addItem(QStringLiteral("Single-ended"));
    stage_->addItem(QStringLiteral("Push-pull"));
    stage_->setAccessibleName(QStringLiteral("Stage"));
    top->addWidget(BuddyLabel(QStringLiteral("&Stage"), stage_));
    top->addWidget(stage_);
    top->addSpacing(12);
    singleEnded_ = BuildSingleEndedInputs();
    top->addWidget(singleEnded_, 1);
    top->addStretch(1); // the stage's choice keeps its width while the inputs beside it hide
    column->addLayout(top);
    pushPull_ = new TPushPullInputs;
    column->addWidget(pushPull_);
    setTabOrder(stage_, load_);
    setTabOrder(drive_, pushPull_->FirstField());
    return inputs;
}

QWidget* TOperatingPointWindow::BuildPlots() {
    plots_ = new QGroupBox(QStringLiteral("Power and distortion against drive"));
    plots_->setObjectName(QStringLiteral("PushPullPlots"));
    auto* row = new QVBoxLayout(plots_);
    powerPlot_ = new TSmallPlotView(QStringLiteral("valvescope-power.png"));
    powerPlot_->setObjectName(QStringLiteral("PowerAgainstDrive"));
    powerPlot_->setAccessibleName(QStringLiteral("Output power against peak drive"));
    thdPlot_ = new TSmallPlotView(QStringLiteral("valvescope-thd.png"));
    thdPlot_->setObjectName(QStringLiteral("ThdAgainstPower"));
    thdPlot_->setAccessibleName(QStringLiteral("THD against output power"));
    row->addWidget(powerPlot_);
    row->addWidget(thdPlot_);
    plots_->hide();
    return plots_;
}

QWidget* TOperatingPointWindow::BuildSingleEndedInputs() {
    auto* inputs = new QWidget;
    auto* row = new QHBoxLayout(inputs);
    row->setContentsMargins(0, 0, 0, 0);
    load_ = new QComboBox;
    load_->setObjectName(QStringLiteral("CmbBxLoad"));
    load_->addItem(QStringLiteral("Resistor (Ra)"));
    load_->addItem(QStringLiteral("Transformer (Zaa)"));
    load_->setAccessibleName(QStringLiteral("Load"));
    zaa_ = new QLineEdit;
    zaa_->setObjectName(QStringLiteral("EdtZaa"));
    zaa_->setAccessibleName(QStringLiteral("Zaa in ohms"));
    zaa_->setToolTip(QStringLiteral("The transformer's primary load reflected from its secondary"));
    zaa_->setEnabled(false);
    drive_ = new QLineEdit;
    drive_->setObjectName(QStringLiteral("EdtDrive"));
    drive_->setAccessibleName(QStringLiteral("Vin, peak grid drive in volts"));
    drive_->setToolTip(QStringLiteral("The peak grid drive; blank: the bias, so the grid just "
                                      "reaches 0 V"));
    for (QLineEdit* edit : {zaa_, drive_}) {
        edit->setMaximumWidth(90);
    }
    row->addWidget(BuddyLabel(QStringLiteral("&Load"), load_));
    row->addWidget(load_);
    row->addSpacing(12);
    row->addWidget(BuddyLabel(QStringLiteral("&Zaa"), zaa_));
    row->addWidget(zaa_);
    row->addWidget(new QLabel(QStringLiteral("ohm")));
    row->addSpacing(12);
    row->addWidget(BuddyLabel(QStringLiteral("&Vin"), drive_));
    row->addWidget(drive_);
    row->addWidget(new QLabel(QStringLiteral("V peak")));
    row->addStretch(1);
    setTabOrder(load_, zaa_);
    setTabOrder(zaa_, drive_);
    return inputs;
}

void TOperatingPointWindow::BindInputs() {
    connect(stage_, &QComboBox::currentIndexChanged, this, [this] { InputsChanged(); });
    connect(pushPull_, &TPushPullInputs::Changed, this, [this] { InputsChanged(); });
    connect(&document_, &valvescope::PlotDocument::TubeChanged, this, [this] { ShowStageKind(); });
    connect(load_, &QComboBox::currentIndexChanged, this, [this] { InputsChanged(); });
    connect(zaa_, &QLineEdit::textChanged, this, [this] { InputsChanged(); });
    connect(drive_, &QLineEdit::textChanged, this, [this] { InputsChanged(); });
}

void TOperatingPointWindow::InputsChanged() {
    texts_.Kind = stage_->currentIndex() == 1 ? valvescope::StageKind::PushPull
                                              : valvescope::StageKind::SingleEnded;
    texts_.PushPull = pushPull_->Texts();
    ShowStageKind();
    texts_.Load = load_->currentIndex() == 1 ? valvescope::LoadKind::Transformer
                                             : valvescope::LoadKind::Resistor;
    zaa_->setEnabled(texts_.Load == valvescope::LoadKind::Transformer);
    texts_.Zaa = zaa_->text().toStdString();
    texts_.Drive = drive_->text().toStdString();
    document_.NoteStageInputs(texts_);
    if (open_) {
        Update();
        document_.RedrawMarks();
    }
}

void TOperatingPointWindow::SettingsTaken(const QString& problem) {
    intakeProblem_ = problem;
    if (open_) {
        Update();
    }
}

// The analysis on the main window's tube and settings, shown here and marked on its plot; or
// the message of what stands in its way, and no marks.
void TOperatingPointWindow::Update() {
    const valvescope::PlotSession& session = document_.Session();
    if (!intakeProblem_.isEmpty()) {
        ShowMessage(intakeProblem_);
        document_.SetStageMarks({});
        return;
    }
    try {
        if (texts_.Kind == valvescope::StageKind::PushPull) {
            UpdatePushPull();
            return;
        }
        const valvescope::StageAnalysis analysis = valvescope::DesignStage(
            session.CurrentTube(), session.Screen(), session.Settings(), texts_);
        document_.SetStageMarks(valvescope::StageMarks(analysis, session.Settings()));
        ShowAnalysis(analysis);
    } catch (const std::exception& error) {
        ShowMessage(WithFullStop(QString::fromUtf8(error.what())));
        document_.SetStageMarks({});
    }
}

void TOperatingPointWindow::ShowAnalysis(const valvescope::StageAnalysis& analysis) {
    shown_ = analysis;
    shownPushPull_.reset();
    document_.SetShownStage(shown_);
    document_.SetShownPushPull(std::nullopt);
    ShowSections(valvescope::StageSections(analysis));
    bars_->SetLevels(valvescope::LevelsBelowH1(analysis.Swing));
    // A blank drive is the bias: say how much that is.
    QString bias = FromStd(formats::FormatVoltsReadout(analysis.Quiescent.Vk)).trimmed();
    drive_->setPlaceholderText(QStringLiteral("bias %1").arg(bias));
}

// The sections' titles and rows, the message gone.
void TOperatingPointWindow::ShowSections(const std::array<valvescope::StageSection, 3>& rows) {
    message_->clear();
    message_->hide();
    for (std::size_t k = 0; k < sections_.size(); ++k) {
        FillSection(sections_[k], rows[k]);
        sections_[k].Box->setTitle(FromStd(rows[k].Title));
    }
}

void TOperatingPointWindow::ShowMessage(const QString& message) {
    shown_.reset();
    shownPushPull_.reset();
    document_.SetShownStage(std::nullopt);
    document_.SetShownPushPull(std::nullopt);
    message_->setText(message);
    message_->show();
    for (Section& section : sections_) {
        FillSection(section, {});
    }
    sections_[2].Box->setTitle(QStringLiteral("Swing"));
    bars_->Clear();
    powerPlot_->SetDrawing({});
    thdPlot_->SetDrawing({});
}

QString TOperatingPointWindow::Message() const {
    return message_->text();
}

// The section's rows as labels: name, value and note; the value and note red over a rating.
void TOperatingPointWindow::FillSection(Section& section, const valvescope::StageSection& rows) {
    while (section.Rows.size() < rows.Values.size()) {
        const int r = static_cast<int>(section.Rows.size());
        ValueRow row{new QLabel, new QLabel, new QLabel};
        row.Value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        section.Grid->addWidget(row.Name, r, 0);
        section.Grid->addWidget(row.Value, r, 1, Qt::AlignRight);
        section.Grid->addWidget(row.Note, r, 2);
        section.Rows.push_back(row);
    }
    for (std::size_t r = 0; r < section.Rows.size(); ++r) {
        const ValueRow& row = section.Rows[r];
        const bool used = r < rows.Values.size();
        const valvescope::StageValue value = used ? rows.Values[r] : valvescope::StageValue{};
        row.Name->setText(FromStd(value.Name));
        row.Value->setText(FromStd(value.Value));
        row.Note->setText(FromStd(value.Note));
        Colour(row.Value, value.Alarm);
        Colour(row.Note, value.Alarm);
        for (QLabel* label : {row.Name, row.Value, row.Note}) {
            label->setVisible(used);
        }
    }
}

void TOperatingPointWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!open_) {
        open_ = true;
        Update();
        document_.RedrawMarks();
    }
}

void TOperatingPointWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    open_ = false;
    document_.SetStageMarks({});
    document_.RedrawMarks();
}
