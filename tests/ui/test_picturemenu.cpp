// The plot's context menu: copying and saving the picture, copying the readout, the shortcuts,
// and the drawing the window keeps for saving.
#include "core/session/plotjob.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/starttexts.h"
#include "tests/support/windowtest.h"
#include "ui/errorbox.h"
#include "ui/paintbox.h"
#include "ui/plotexport.h"
#include "ui/schematicform.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

valvescope::DrawOps StartDrawing(int width, int height) {
    return valvescope::DrawPlotWithoutWindow(
               {valvescope::fixtures::StartupTexts(), {}, width, height})
        .Ops;
}

// Where the surface's top border starts in a picture: the first row with a run of `width` black
// pixels.
QPoint SurfaceCorner(const QImage& picture, int width) {
    for (int y = 0; y < picture.height(); ++y) {
        int run = 0;
        for (int x = 0; x < picture.width(); ++x) {
            run = picture.pixel(x, y) == qRgb(0, 0, 0) ? run + 1 : 0;
            if (run == width) {
                return QPoint(x - width + 1, y);
            }
        }
    }
    return QPoint(-1, -1);
}

} // namespace

class TestPictureMenu : public WindowTest {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void menuOffersItsActionsWithTheirShortcuts();
    void windowKeepsWhatItDrew();
    void copyPicturePutsThePlotWithItsLabelsOnTheClipboard();
    void copyReadoutFollowsTheStatusLine();
    void savePictureWritesEachFormat();
    void savePictureFailingPartWayShowsWhyAndKeepsTheFile();
    void ctrlCCopiesTheBoxTextWhileABoxHasTheFocus();

private:
    QTemporaryDir dir_;
};

void TestPictureMenu::init() {
    OpenWindow();
    QApplication::setActiveWindow(form_.get());
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    QApplication::clipboard()->clear();
}

void TestPictureMenu::cleanup() {
    CloseWindow();
}

void TestPictureMenu::menuOffersItsActionsWithTheirShortcuts() {
    QCOMPARE(Find<TPaintBox>(*form_, "PaintBox1")->contextMenuPolicy(), Qt::ActionsContextMenu);
    const QList<QAction*> actions = Find<TPaintBox>(*form_, "PaintBox1")->actions();
    QCOMPARE(actions.size(), 14);
    QCOMPARE(actions[0]->text(), QStringLiteral("Copy Picture"));
    QCOMPARE(actions[0]->shortcut(), QKeySequence(QStringLiteral("Ctrl+C")));
    QCOMPARE(actions[1]->text(), QStringLiteral("Save Picture As..."));
    QCOMPARE(actions[1]->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    QCOMPARE(actions[2]->text(), QStringLiteral("Copy Readout"));
    QVERIFY(actions[2]->shortcut().isEmpty());
    QCOMPARE(actions[3]->text(), QStringLiteral("Operating Point..."));
    QCOMPARE(actions[3]->shortcut(), QKeySequence(QStringLiteral("Ctrl+D")));
    const char* exports[] = {"Copy Plot Only", "Save Data As...", "Export SPICE Model...",
                             "Print...", "Print Preview..."};
    for (int k = 0; k < 5; ++k) {
        QCOMPARE(actions[4 + k]->text(), QString::fromUtf8(exports[k]));
        QCOMPARE(actions[4 + k]->shortcut(),
                 k == 3 ? QKeySequence(QStringLiteral("Ctrl+P")) : QKeySequence());
    }
    QCOMPARE(actions[9]->text(), QStringLiteral("Tube..."));
    QCOMPARE(actions[9]->shortcut(), QKeySequence(QStringLiteral("Ctrl+T")));
    QCOMPARE(actions[10]->text(), QStringLiteral("Open Measurements..."));
    QCOMPARE(actions[11]->text(), QStringLiteral("Close Measurements"));
    QCOMPARE(actions[12]->text(), QStringLiteral("Open Design..."));
    QCOMPARE(actions[13]->text(), QStringLiteral("Save Design As..."));
    QVERIFY(actions[12]->shortcut().isEmpty() && actions[13]->shortcut().isEmpty());
}

void TestPictureMenu::windowKeepsWhatItDrew() {
    QCOMPARE(form_->LastDrawOps(), StartDrawing(462, 224));
    // A failed check leaves a single blank, a fault what was drawn before it.
    PasteInto(Find<QComboBox>(*form_, "CmbBxRa"), QString());
    QCOMPARE(form_->LastDrawOps().size(), std::size_t(1));
    QCOMPARE(form_->LastDrawOps()[0].kind, valvescope::DrawOpKind::Blank);
    PasteInto(Find<QComboBox>(*form_, "CmbBxRa"), QStringLiteral("3000"));
    PasteInto(Find<QComboBox>(*form_, "CmbBxEndV"), QStringLiteral("00"));
    QCOMPARE(errors_.size(), 1);
    QVERIFY(form_->LastDrawOps().size() > 1);
    QVERIFY(form_->LastDrawOps().size() < StartDrawing(462, 224).size());
}

void TestPictureMenu::copyPicturePutsThePlotWithItsLabelsOnTheClipboard() {
    const QImage surface =
        Find<TPaintBox>(*form_, "PaintBox1")->Picture().convertToFormat(QImage::Format_RGB32);
    Find<QAction>(*form_, "ActCopyPicture")->trigger();
    const QImage copied = QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
    // The margins hold the labels; inside them the plot is the surface pixel for pixel.
    QVERIFY(copied.width() > surface.width() + 30 && copied.height() > surface.height() + 25);
    const QPoint corner = SurfaceCorner(copied, surface.width());
    QVERIFY(corner.x() > 25 && corner.y() > 0);
    QCOMPARE(copied.copy(QRect(corner, surface.size())), surface);
    // Navy axis labels left of the surface.
    int navy = 0;
    for (int y = 0; y < copied.height(); ++y) {
        for (int x = 0; x < corner.x(); ++x) {
            navy += qBlue(copied.pixel(x, y)) > 100 && qRed(copied.pixel(x, y)) < 100 ? 1 : 0;
        }
    }
    QVERIFY(navy > 50);

    Find<QAction>(*form_, "ActCopyPlotOnly")->trigger();
    QCOMPARE(QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), surface);
    QVERIFY(errors_.isEmpty());
}

void TestPictureMenu::copyReadoutFollowsTheStatusLine() {
    QVERIFY(!Find<QAction>(*form_, "ActCopyReadout")->isEnabled());
    QCOMPARE(form_->ReadoutText(), QString());
    QTest::mouseMove(Find<TPaintBox>(*form_, "PaintBox1"), QPoint(144, 168));
    QTRY_COMPARE(form_->ReadoutText(),
                 QStringLiteral(" Vp=  249. v    Vg= -17.8 v    Ip= 50.0 ma    P= 12.5 w    mu=  "
                                "8.07    gm= 5.09 ma/v    rp= 1.58 k"));
    QVERIFY(Find<QAction>(*form_, "ActCopyReadout")->isEnabled());
    QCOMPARE(form_->StatusText(), form_->ReadoutText());
    Find<QAction>(*form_, "ActCopyReadout")->trigger();
    QCOMPARE(QApplication::clipboard()->text(), form_->ReadoutText());
}

void TestPictureMenu::savePictureWritesEachFormat() {
    QVERIFY(dir_.isValid());
    const QString png = form_->SavePicture(dir_.filePath(QStringLiteral("plot.png")));
    const QImage image = QImage(png).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(image, form_->FramedPicture());
    const QImage bare = valvescope::PlotImage(StartDrawing(462, 224), QSize(462, 224));
    QCOMPARE(image.copy(QRect(SurfaceCorner(image, 462), QSize(462, 224))), bare);
    // A name without a known extension is saved as PNG.
    QCOMPARE(form_->SavePicture(dir_.filePath(QStringLiteral("plot"))),
             dir_.filePath(QStringLiteral("plot.png")));
    const QString svg = form_->SavePicture(dir_.filePath(QStringLiteral("plot.svg")));
    QFile svgFile(svg);
    QVERIFY(svgFile.open(QIODevice::ReadOnly));
    const QByteArray drawing = svgFile.readAll();
    QVERIFY(drawing.startsWith("<?xml"));
    QVERIFY(drawing.contains("-100"));   // the lowest curve's label, as text
    QVERIFY(drawing.contains("200 mA")); // the current axis's top label
    QVERIFY(drawing.contains("807 \u00B7 End I 200 mA \u00B7 Step V 10 V")); // the caption
    const QString pdf = form_->SavePicture(dir_.filePath(QStringLiteral("plot.pdf")));
    QFile pdfFile(pdf);
    QVERIFY(pdfFile.open(QIODevice::ReadOnly));
    QCOMPARE(pdfFile.read(4), QByteArray("%PDF"));
}

void TestPictureMenu::savePictureFailingPartWayShowsWhyAndKeepsTheFile() {
    QVERIFY(dir_.isValid());
    const QString path = dir_.filePath(QStringLiteral("keep.png"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("OLD\n");
    old.close();
    // A person picks the file in the dialog and agrees to replace it. The answers are queued:
    // a timer does not fire again while its own handler waits in the question's event loop.
    QTimer person;
    person.setInterval(20);
    connect(&person, &QTimer::timeout, [&path] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        } else if (auto* question = qobject_cast<QMessageBox*>(modal)) {
            QMetaObject::invokeMethod(question->button(QMessageBox::Yes), "click",
                                      Qt::QueuedConnection);
        }
    });
    person.start();
    {
        // The picture is larger than 2 KiB: its writing fails part way.
        const FileSizeLimit limit(2048);
        Find<QAction>(*form_, "ActSavePicture")->trigger();
    }
    person.stop();
    QCOMPARE(errors_.size(), 1);
    QCOMPARE(errors_[0].Text, QStringLiteral("Cannot write '%1': File too large.").arg(path));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("OLD\n"));
    QCOMPARE(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("keep")),
             QStringList{QStringLiteral("keep.png")});
}

void TestPictureMenu::ctrlCCopiesTheBoxTextWhileABoxHasTheFocus() {
    QLineEdit* edit = Find<QComboBox>(*form_, "CmbBxEndV")->lineEdit();
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("800"));
    QVERIFY(!QApplication::clipboard()->mimeData()->hasImage());
    // A click on the plot gives it the focus; then Ctrl+C copies the picture.
    QTest::mouseClick(Find<TPaintBox>(*form_, "PaintBox1"), Qt::LeftButton, {}, QPoint(10, 10));
    QTRY_VERIFY(Find<TPaintBox>(*form_, "PaintBox1")->hasFocus());
    QTest::keyClick(Find<TPaintBox>(*form_, "PaintBox1"), Qt::Key_C, Qt::ControlModifier);
    QTRY_VERIFY(QApplication::clipboard()->mimeData()->hasImage());
}

QTEST_MAIN(TestPictureMenu)
#include "test_picturemenu.moc"
#include "tests/support/findcontrol.h"
