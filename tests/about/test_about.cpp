// Widget tests of the About dialog and the program icon.

#include "about/aboutbox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>

#include <utility>

namespace {

QStackedWidget* Notebook(QWidget* box) {
    return box->findChild<QStackedWidget*>(QStringLiteral("Notebook1"));
}

QPushButton* Toggle(QWidget* box) {
    return box->findChild<QPushButton*>(QStringLiteral("SpeedButton1"));
}

QPushButton* Ok(QWidget* box) {
    return box->findChild<QPushButton*>(QStringLiteral("OKButton"));
}

void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int CountOpaquePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                ++count;
    return count;
}

} // namespace

class TestAbout : public QObject {
    Q_OBJECT

private slots:
    void layoutAndCaption();
    void disclaimerTexts();
    void firstPageTexts();
    void toggleFlipsPages();
    void reopenStartsOnDefaultPage();
    void enterAcceptsFromEitherPage_data();
    void enterAcceptsFromEitherPage();
    void closeBoxFreesDialog();
    void execIsModalAndAccepts();
    void programIconRenders();
};

void TestAbout::layoutAndCaption() {
    auto* box = new TAboutBox;
    QPointer<TAboutBox> guard(box);
    box->show();
    QVERIFY(QTest::qWaitForWindowExposed(box));

    QCOMPARE(box->size(), QSize(338, 256));
    QCOMPARE(box->minimumSize(), QSize(338, 256));
    QCOMPARE(box->maximumSize(), QSize(338, 256));
    QCOMPARE(box->windowTitle(), QStringLiteral("About Valvescope"));
    QVERIFY(!(box->windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(box->windowFlags() & Qt::WindowMaximizeButtonHint));

    QStackedWidget* notebook = Notebook(box);
    QVERIFY(notebook);
    QCOMPARE(notebook->geometry(), QRect(8, 8, 321, 209));
    QCOMPARE(notebook->count(), 2);
    QCOMPARE(notebook->widget(0)->objectName(), QStringLiteral("Default"));
    QCOMPARE(notebook->widget(1)->objectName(), QStringLiteral("1"));

    QPushButton* toggle = Toggle(box);
    QVERIFY(toggle);
    QCOMPARE(toggle->geometry(), QRect(8, 226, 145, 25));
    QCOMPARE(toggle->text(), QStringLiteral("DISCLAIMER"));
    QVERIFY(toggle->isCheckable());
    QVERIFY(!toggle->autoDefault());
    QVERIFY(toggle->font().bold());
    QCOMPARE(toggle->font().pixelSize(), 13);

    QPushButton* ok = Ok(box);
    QVERIFY(ok);
    QCOMPARE(ok->geometry(), QRect(240, 226, 89, 25));
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QVERIFY(ok->isDefault());

    // The title shows in blue on top of its two shadow copies.
    auto* title = box->findChild<QLabel*>(QStringLiteral("ProductName"));
    QVERIFY(title);
    QCOMPARE(title->text(), QStringLiteral("Valvescope for the 807"));
    QCOMPARE(title->pos(), QPoint(49, 30));
    QCOMPARE(title->palette().color(QPalette::WindowText), QColor(Qt::blue));
    QCOMPARE(title->font().pixelSize(), 25);

    // Every control carries a name that assistive tools can read.
    for (QWidget* child : box->findChildren<QWidget*>()) {
        if (child->objectName().startsWith(QLatin1String("qt_")))
            continue;
        QVERIFY2(!child->objectName().isEmpty(), child->metaObject()->className());
        QVERIFY2(!child->accessibleName().isEmpty(), qPrintable(child->objectName()));
    }

    box->close();
    FlushDeletes();
    QVERIFY(guard.isNull());
}

void TestAbout::firstPageTexts() {
    TAboutBox box;
    const std::pair<const char*, QString> texts[] = {
        {"ProductShadow1", QStringLiteral("Valvescope for the 807")},
        {"ProductShadow2", QStringLiteral("Valvescope for the 807")},
        {"Version", QStringLiteral("Version 1")},
        {"Logo", QStringLiteral("Kestrelon")},
        {"Tagline", QStringLiteral("Tools for tube-amp builders")},
        {"WebAddress", QStringLiteral("www.kestrelon.example")},
        {"Notice", QString::fromUtf8("Copyright \xC2\xA9 Kestrelon. All rights reserved.")},
    };
    QWidget* page = Notebook(&box)->widget(0);
    for (const auto& [name, text] : texts) {
        auto* label = page->findChild<QLabel*>(QString::fromLatin1(name));
        QVERIFY2(label, name);
        QCOMPARE(label->text(), text);
    }
    QCOMPARE(page->findChild<QLabel*>(QStringLiteral("Version"))->pos(), QPoint(139, 67));
    auto* tagline = page->findChild<QLabel*>(QStringLiteral("Tagline"));
    QCOMPARE(tagline->palette().color(QPalette::WindowText), QColor(Qt::white));
    QCOMPARE(tagline->palette().color(QPalette::Window), QColor(Qt::black));
}

void TestAbout::disclaimerTexts() {
    TAboutBox* box = new TAboutBox;
    QPointer<TAboutBox> guard(box);

    auto* heading = box->findChild<QLabel*>(QStringLiteral("DisclaimerTitle"));
    auto* disclaimer = box->findChild<QLabel*>(QStringLiteral("Disclaimer"));
    auto* warning = box->findChild<QLabel*>(QStringLiteral("Warning"));
    QVERIFY(heading && disclaimer && warning);

    QCOMPARE(heading->text(), QStringLiteral("DISCLAIMER"));
    QCOMPARE(heading->pos(), QPoint(96, 24));
    QCOMPARE(heading->font().pixelSize(), 21);
    QVERIFY(heading->font().bold());
    QCOMPARE(heading->palette().color(QPalette::WindowText), QColor(0x80, 0x00, 0x00));

    QCOMPARE(disclaimer->text(),
             QString::fromUtf8("This program is intended for amusement and instructional "
                               "purposes\xE2\x80\x94solely. We at Kestrelon assume no "
                               "responsibility for the use of any of the information provided. "
                               "Use at your own risk."));
    QCOMPARE(warning->text(),
             QStringLiteral("Much of what is detailed in this program refers to potentially "
                            "lethal voltages. Always let an electronically trained person review "
                            "what you are planning on building and what you have built. "));
    QVERIFY(disclaimer->wordWrap());
    QVERIFY(warning->wordWrap());
    QCOMPARE(disclaimer->pos(), QPoint(16, 56));
    QCOMPARE(disclaimer->width(), 289);
    QCOMPARE(warning->pos(), QPoint(16, 128));
    QCOMPARE(warning->width(), 289);
    QCOMPARE(disclaimer->font().pixelSize(), 13);
    QCOMPARE(warning->font().pixelSize(), 13);

    // The first text must end before the second begins.
    QVERIFY(disclaimer->geometry().bottom() < warning->geometry().top());

    delete box;
    QVERIFY(guard.isNull());
}

void TestAbout::toggleFlipsPages() {
    auto* box = new TAboutBox;
    box->show();
    QVERIFY(QTest::qWaitForWindowExposed(box));
    QStackedWidget* notebook = Notebook(box);
    QPushButton* toggle = Toggle(box);

    QCOMPARE(notebook->currentIndex(), 0);
    QVERIFY(!toggle->isChecked());

    QTest::mouseClick(toggle, Qt::LeftButton);
    QVERIFY(toggle->isChecked());
    QCOMPARE(notebook->currentIndex(), 1);
    QVERIFY(notebook->widget(1)->isVisible());
    QVERIFY(!notebook->widget(0)->isVisible());

    QTest::mouseClick(toggle, Qt::LeftButton);
    QVERIFY(!toggle->isChecked());
    QCOMPARE(notebook->currentIndex(), 0);
    QVERIFY(notebook->widget(0)->isVisible());

    box->close();
    FlushDeletes();
}

void TestAbout::reopenStartsOnDefaultPage() {
    auto* first = new TAboutBox;
    QPointer<TAboutBox> guard(first);
    first->show();
    QVERIFY(QTest::qWaitForWindowExposed(first));
    QTest::mouseClick(Toggle(first), Qt::LeftButton);
    QCOMPARE(Notebook(first)->currentIndex(), 1);

    QTest::mouseClick(Ok(first), Qt::LeftButton);
    QVERIFY(!first->isVisible());
    FlushDeletes();
    QVERIFY(guard.isNull());

    auto* second = new TAboutBox;
    second->show();
    QVERIFY(QTest::qWaitForWindowExposed(second));
    QCOMPARE(Notebook(second)->currentIndex(), 0);
    QVERIFY(!Toggle(second)->isChecked());
    second->close();
    FlushDeletes();
}

void TestAbout::enterAcceptsFromEitherPage_data() {
    QTest::addColumn<bool>("disclaimer");
    QTest::addColumn<bool>("focusOnToggle");
    QTest::addColumn<int>("key");
    QTest::newRow("default page, Return") << false << false << int(Qt::Key_Return);
    QTest::newRow("default page, Enter") << false << false << int(Qt::Key_Enter);
    QTest::newRow("disclaimer page, Return") << true << false << int(Qt::Key_Return);
    QTest::newRow("disclaimer page, toggle focused") << true << true << int(Qt::Key_Return);
}

void TestAbout::enterAcceptsFromEitherPage() {
    QFETCH(bool, disclaimer);
    QFETCH(bool, focusOnToggle);
    QFETCH(int, key);

    auto* box = new TAboutBox;
    QPointer<TAboutBox> guard(box);
    QSignalSpy finished(box, &QDialog::finished);
    box->show();
    QVERIFY(QTest::qWaitForWindowActive(box));

    QPushButton* toggle = Toggle(box);
    if (disclaimer)
        QTest::mouseClick(toggle, Qt::LeftButton);
    if (focusOnToggle) {
        toggle->setFocus();
        QVERIFY(toggle->hasFocus());
    }
    QCOMPARE(Notebook(box)->currentIndex(), disclaimer ? 1 : 0);

    QWidget* target = box->focusWidget() ? box->focusWidget() : box;
    QTest::keyClick(target, Qt::Key(key));

    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Accepted));
    // Enter must not have flipped the page on its way to OK.
    QCOMPARE(toggle->isChecked(), disclaimer);
    FlushDeletes();
    QVERIFY(guard.isNull());
}

void TestAbout::closeBoxFreesDialog() {
    auto* box = new TAboutBox;
    QPointer<TAboutBox> guard(box);
    QSignalSpy finished(box, &QDialog::finished);
    box->show();
    QVERIFY(QTest::qWaitForWindowExposed(box));
    QTest::mouseClick(Toggle(box), Qt::LeftButton);

    QVERIFY(box->close());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Rejected));
    QVERIFY(!guard.isNull());
    FlushDeletes();
    QVERIFY(guard.isNull());
}

void TestAbout::execIsModalAndAccepts() {
    QWidget owner;
    owner.resize(400, 300);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));

    auto* box = new TAboutBox(&owner);
    QPointer<TAboutBox> guard(box);
    QCOMPARE(box->parentWidget(), &owner);
    bool wasModal = false;
    QTimer::singleShot(0, box, [box, &wasModal] {
        wasModal = box->isModal() && QApplication::activeModalWidget() == box;
        QTest::keyClick(box, Qt::Key_Return);
    });
    const int result = box->exec();
    QVERIFY(wasModal);
    QCOMPARE(result, int(QDialog::Accepted));
    FlushDeletes();
    QVERIFY(guard.isNull());
}

void TestAbout::programIconRenders() {
    const QIcon icon = ProgramIcon();
    QVERIFY(!icon.isNull());
    for (int size : {32, 128}) {
        const QImage image = icon.pixmap(size, size).toImage();
        QCOMPARE(image.size(), QSize(size, size));
        const int opaque = CountOpaquePixels(image);
        // The tube covers a good part of the square but leaves its corners clear.
        QVERIFY2(opaque > size * size / 4, qPrintable(QString::number(opaque)));
        QVERIFY2(opaque < size * size, qPrintable(QString::number(opaque)));
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    }
}

QTEST_MAIN(TestAbout)
#include "test_about.moc"
