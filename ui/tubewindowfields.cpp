// The Tube window's tube: the library to choose from, the fields of the tube's model read into
// the tube as they are edited, and the screen's wiring for a screen-grid model.
#include "core/tube/library.h"
#include "core/tubeedit/tubefields.h"
#include "ui/errorbox.h"
#include "ui/qtext.h"
#include "ui/tubewindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <stdexcept>
#include <string>

namespace {

using valvescope::TubeNumberField;

// The rows of the form above the number fields: the library, the name and the model.
constexpr int kFirstNumberRow = 3;

bool SameTube(const valvescope::Tube& a, const valvescope::Tube& b) {
    if (a.Name != b.Name || a.Notes != b.Notes || a.Model.Kind != b.Model.Kind ||
        a.Screen != b.Screen) {
        return false;
    }
    for (const TubeNumberField& field : valvescope::TubeNumberFields(a.Model.Kind)) {
        if (valvescope::FieldValue(a, field) != valvescope::FieldValue(b, field)) {
            return false;
        }
    }
    return true;
}

void MarkField(QLineEdit* edit, const std::string& problem, const QString& hint) {
    edit->setStyleSheet(problem.empty() ? QString()
                                        : QStringLiteral("QLineEdit { background: #ffc8c8; }"));
    edit->setToolTip(problem.empty() ? hint : FromStd(problem) + QStringLiteral(": not applied"));
}

// The 807 first, then the library in its order.
valvescope::Tube LibraryChoice(int index) {
    if (index == 0) {
        return valvescope::Builtin807();
    }
    return valvescope::TubeOf(valvescope::TubeLibrary()[static_cast<std::size_t>(index - 1)]);
}

} // namespace

QWidget* TTubeWindow::BuildTubeFields() {
    auto* box = new QGroupBox(QStringLiteral("Tube"));
    auto* column = new QVBoxLayout(box);
    fieldsForm_ = new QFormLayout;
    BuildLibraryChoice();
    nameField_ = new QLineEdit;
    nameField_->setObjectName(QStringLiteral("TubeName"));
    fieldsForm_->addRow(QStringLiteral("&Name"), nameField_);
    modelLabel_ = new QLabel;
    modelLabel_->setObjectName(QStringLiteral("TubeModel"));
    fieldsForm_->addRow(QStringLiteral("Model"), modelLabel_);
    BuildScreenFields();
    column->addLayout(fieldsForm_);
    notes_ = new QLabel;
    notes_->setObjectName(QStringLiteral("TubeNotes"));
    notes_->setWordWrap(true);
    column->addWidget(notes_);
    column->addWidget(BuildTubeButtons());
    column->addStretch(1);
    return box;
}

void TTubeWindow::BuildLibraryChoice() {
    library_ = new QComboBox;
    library_->setObjectName(QStringLiteral("TubeLibrary"));
    library_->setPlaceholderText(QStringLiteral("(not from the library)"));
    library_->addItem(QStringLiteral("807"));
    library_->setItemData(0, QStringLiteral("Built in."), Qt::ToolTipRole);
    for (const valvescope::LibraryTube& entry : valvescope::TubeLibrary()) {
        library_->addItem(FromStd(std::string(entry.Name)));
        library_->setItemData(library_->count() - 1, FromStd(std::string(entry.Notes)),
                              Qt::ToolTipRole);
    }
    library_->setToolTip(QStringLiteral("Choose a tube of the built-in library"));
    fieldsForm_->addRow(QStringLiteral("Librar&y"), library_);
}

void TTubeWindow::BuildScreenFields() {
    screenVolts_ = new QLineEdit;
    screenVolts_->setObjectName(QStringLiteral("ScreenV"));
    screenVolts_->setAccessibleName(QStringLiteral("Screen V"));
    triodeConnected_ = new QCheckBox(QStringLiteral("T&riode-connected"));
    triodeConnected_->setObjectName(QStringLiteral("TriodeConnected"));
    triodeConnected_->setToolTip(QStringLiteral("The screen tied to the plate"));
    fieldsForm_->addRow(QStringLiteral("Screen &V"), screenVolts_);
    fieldsForm_->addRow(QString(), triodeConnected_);
}

// The number fields of the model, made anew when the model changes.
void TTubeWindow::ShowNumberFields(tubemath::ModelKind kind) {
    if (shownKind_ == kind) {
        return;
    }
    for (QLineEdit* edit : numberFields_) {
        edit->disconnect(this); // going, it may lose the focus: no edit to announce
        fieldsForm_->removeRow(edit);
    }
    numberFields_.clear();
    const auto fields = valvescope::TubeNumberFields(kind);
    for (std::size_t k = 0; k < fields.size(); ++k) {
        auto* edit = new QLineEdit;
        edit->setObjectName(QString::fromUtf8(fields[k].Key));
        edit->setAccessibleName(QString::fromUtf8(fields[k].Caption));
        fieldsForm_->insertRow(kFirstNumberRow + static_cast<int>(k),
                               QString::fromUtf8(fields[k].Caption), edit);
        connect(edit, &QLineEdit::textEdited, this,
                [this] { MarkFields(ReadTubeFields(FieldTexts(), document_.CurrentTube())); });
        connect(edit, &QLineEdit::editingFinished, this,
                [this] { RunGuarded(this, [this] { ApplyFields(); }); });
        numberFields_.push_back(edit);
    }
    shownKind_ = kind;
    modelLabel_->setText(FromStd(std::string(tubemath::ModelName(kind))));
    ChainTabOrder();
}

// Top to bottom through the fields, then the tube's buttons.
void TTubeWindow::ChainTabOrder() {
    QWidget* previous = library_;
    auto next = [&previous](QWidget* widget) {
        setTabOrder(previous, widget);
        previous = widget;
    };
    next(nameField_);
    for (QLineEdit* edit : numberFields_) {
        next(edit);
    }
    next(screenVolts_);
    next(triodeConnected_);
    next(open_);
}

// The library's entry that is the tube, or none once it is another tube or edited.
void TTubeWindow::ShowLibraryChoice() {
    const valvescope::Tube& tube = document_.CurrentTube();
    int shown = -1;
    for (int k = 0; k < library_->count() && shown < 0; ++k) {
        if (SameTube(tube, LibraryChoice(k))) {
            shown = k;
        }
    }
    library_->setCurrentIndex(shown);
}

void TTubeWindow::UseLibraryTube(std::string_view name) {
    if (name == "807") {
        UseBuiltin807();
        return;
    }
    const valvescope::LibraryTube* entry = valvescope::FindLibraryTube(name);
    if (!entry) {
        throw std::runtime_error("The library has no tube " + std::string(name));
    }
    document_.SetTube(valvescope::TubeOf(*entry));
}

void TTubeWindow::UseBuiltin807() {
    document_.SetTube(valvescope::Builtin807());
}

// ---- The screen ------------------------------------------------------------------------------

// Only a screen-grid model has a screen to wire; the voltage means nothing triode-connected.
void TTubeWindow::ShowScreen() {
    const bool screen = tubemath::HasScreen(document_.CurrentTube().Model.Kind);
    const tubemath::ScreenWiring& wiring = document_.Screen();
    screenVolts_->setText(screen ? FromStd(valvescope::FieldNumberText(wiring.Volts)) : QString());
    MarkField(screenVolts_, {}, QStringLiteral("The screen to the cathode, in volts"));
    screenVolts_->setEnabled(screen && !wiring.TriodeConnected);
    triodeConnected_->blockSignals(true); // the document has it already
    triodeConnected_->setChecked(screen && wiring.TriodeConnected);
    triodeConnected_->blockSignals(false);
    triodeConnected_->setEnabled(screen);
}

// The field as shown keeps the voltage exactly; another text must read, or the field turns red
// and the wiring stays.
void TTubeWindow::ApplyScreen() {
    if (!tubemath::HasScreen(document_.CurrentTube().Model.Kind)) {
        return;
    }
    tubemath::ScreenWiring wiring = document_.Screen();
    wiring.TriodeConnected = triodeConnected_->isChecked();
    const std::string text = screenVolts_->text().toStdString();
    if (text != valvescope::FieldNumberText(wiring.Volts)) {
        const valvescope::NumberFieldValue volts = valvescope::ReadNumberField(text);
        MarkField(screenVolts_, volts.Problem,
                  QStringLiteral("The screen to the cathode, in volts"));
        if (!volts.Value) {
            return;
        }
        wiring.Volts = *volts.Value;
    }
    document_.SetScreen(wiring);
}

// ---- The fields ------------------------------------------------------------------------------

valvescope::TubeFieldTexts TTubeWindow::FieldTexts() const {
    valvescope::TubeFieldTexts texts;
    texts.Name = nameField_->text().toStdString();
    for (const QLineEdit* edit : numberFields_) {
        texts.Numbers.push_back(edit->text().toStdString());
    }
    return texts;
}

void TTubeWindow::MarkFields(const valvescope::TubeFieldReading& reading) {
    MarkField(nameField_, reading.NameProblem, QStringLiteral("The tube's name"));
    const auto fields = valvescope::TubeNumberFields(document_.CurrentTube().Model.Kind);
    for (std::size_t k = 0; k < numberFields_.size() && k < fields.size(); ++k) {
        MarkField(numberFields_[k], k < reading.Problems.size() ? reading.Problems[k] : "",
                  QString::fromUtf8(fields[k].Hint));
    }
}

// Every field that reads goes to the tube; the others stay marked, their text as typed.
void TTubeWindow::ApplyFields() {
    const valvescope::TubeFieldReading reading =
        ReadTubeFields(FieldTexts(), document_.CurrentTube());
    MarkFields(reading);
    if (SameTube(reading.Read, document_.CurrentTube())) {
        return;
    }
    applying_ = true;
    try {
        document_.EditTube(reading.Read);
    } catch (...) {
        applying_ = false;
        ShowTubeFields(&reading);
        throw;
    }
    applying_ = false;
    ShowTubeFields(&reading);
}

// The fields from the tube; with `keepBad`, the fields it found bad keep their text and mark.
void TTubeWindow::ShowTubeFields(const valvescope::TubeFieldReading* keepBad) {
    const valvescope::Tube& tube = document_.CurrentTube();
    ShowNumberFields(tube.Model.Kind);
    const valvescope::TubeFieldTexts texts = valvescope::FieldTextsOf(tube);
    if (!keepBad || keepBad->NameProblem.empty()) {
        nameField_->setText(FromStd(texts.Name));
    }
    for (std::size_t k = 0; k < numberFields_.size(); ++k) {
        if (!keepBad || k >= keepBad->Problems.size() || keepBad->Problems[k].empty()) {
            numberFields_[k]->setText(FromStd(texts.Numbers[k]));
            numberFields_[k]->setCursorPosition(0);
        }
    }
    MarkFields(keepBad ? *keepBad : valvescope::TubeFieldReading{});
    notes_->setText(FromStd(tube.Notes));
    ShowLibraryChoice();
}

// A red field would be saved with the tube's old value: nothing is written while one is red.
void TTubeWindow::CheckFieldsRead() const {
    const valvescope::TubeFieldReading reading =
        ReadTubeFields(FieldTexts(), document_.CurrentTube());
    if (!reading.NameProblem.empty()) {
        throw std::runtime_error("The name does not read: " + reading.NameProblem);
    }
    const auto fields = valvescope::TubeNumberFields(document_.CurrentTube().Model.Kind);
    for (std::size_t k = 0; k < reading.Problems.size(); ++k) {
        if (!reading.Problems[k].empty()) {
            throw std::runtime_error(std::string(fields[k].Key) +
                                     " does not read: " + reading.Problems[k]);
        }
    }
}
