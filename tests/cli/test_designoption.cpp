// --open: every mode starts from a design file, the other options change what it gives, and a
// design file that does not read ends the run with its message before anything is written.
#include "core/design/designfile.h"
#include "tests/support/programrun.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestDesignOption : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void theDesignDrawsAsItsOptionsWould();
    void theOptionsChangeWhatTheDesignGives();
    void designTakesTheDesignsStage();
    void aDesignThatDoesNotReadWritesNothing();

private:
    QString Path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
    // The run's picture, or an empty array with the run's error output in the failure.
    QByteArray Picture(QStringList arguments, const char* name) {
        arguments << QStringLiteral("--export") << Path(name);
        const Run run = RunProgram(arguments);
        if (run.Code != 0) {
            qWarning("%s", run.Err.constData());
            return {};
        }
        return ReadBytes(Path(name));
    }

    QTemporaryDir dir_;
    QString design_;
};

void TestDesignOption::initTestCase() {
    valvescope::Design design;
    design.DesignTube.Name = "KT66";
    design.DesignTube.Model.Seed.MuZero = 7.5;
    design.Texts.Ra = "5000";
    design.Texts.EndV = "600";
    design.Show.LoadLine = true;
    design.Stage = {valvescope::LoadKind::Transformer, "5000", ""};
    design_ = Path("stage.json");
    valvescope::SaveDesignFile(design_.toStdString(), design);
    QFile file(Path("kt66.json"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"({"format": 1, "name": "KT66", "constants": {"MuExponent": 0.253,
        "ExponentSlope": 99.1, "GridDecade": 31.1, "KneeFactor": 300, "MuZero": 7.5,
        "Perveance": 5.7e-05, "LawExponent": 1.48}, "ratings": {"Imax": 0.12, "Vmax": 475,
        "Pmax": 25}, "notes": "Built in."})");
}

void TestDesignOption::theDesignDrawsAsItsOptionsWould() {
    const QByteArray opened = Picture({QStringLiteral("--open"), design_}, "opened.png");
    const QByteArray given =
        Picture({QStringLiteral("--tube"), Path("kt66.json"), QStringLiteral("--ra"),
                 QStringLiteral("5000"), QStringLiteral("--end-v"), QStringLiteral("600"),
                 QStringLiteral("--show"), QStringLiteral("load")},
                "given.png");
    QVERIFY(!opened.isEmpty());
    QCOMPARE(opened, given);
    QVERIFY(opened != Picture({}, "startup.png"));
}

void TestDesignOption::theOptionsChangeWhatTheDesignGives() {
    const QByteArray changed =
        Picture({QStringLiteral("--open"), design_, QStringLiteral("--ra"), QStringLiteral("2000"),
                 QStringLiteral("--show"), QStringLiteral("rk"), QStringLiteral("--tube"),
                 Path("kt66.json")},
                "changed.png");
    const QByteArray given =
        Picture({QStringLiteral("--tube"), Path("kt66.json"), QStringLiteral("--ra"),
                 QStringLiteral("2000"), QStringLiteral("--end-v"), QStringLiteral("600"),
                 QStringLiteral("--show"), QStringLiteral("rk")},
                "given2.png");
    QVERIFY(!changed.isEmpty());
    QCOMPARE(changed, given);
}

void TestDesignOption::designTakesTheDesignsStage() {
    const Run opened = RunProgram(
        {QStringLiteral("--open"), design_, QStringLiteral("--design"), QStringLiteral("json")});
    const Run given = RunProgram(
        {QStringLiteral("--tube"), Path("kt66.json"), QStringLiteral("--ra"),
         QStringLiteral("5000"), QStringLiteral("--end-v"), QStringLiteral("600"),
         QStringLiteral("--design"), QStringLiteral("json"), QStringLiteral("--load"),
         QStringLiteral("transformer"), QStringLiteral("--zaa"), QStringLiteral("5000")});
    QCOMPARE(opened.Code, 0);
    QCOMPARE(opened.Err, QByteArray());
    QVERIFY(opened.Out.contains("\"transformer\""));
    QCOMPARE(opened.Out, given.Out);
}

void TestDesignOption::aDesignThatDoesNotReadWritesNothing() {
    QByteArray text = ReadBytes(design_);
    text.replace("\"ra\"", "\"rA\"");
    const QString bad = Path("bad.json");
    QFile file(bad);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    const Run run =
        RunProgram({QStringLiteral("--open"), bad, QStringLiteral("--export"), Path("never.png")});
    QCOMPARE(run.Code, 2);
    QCOMPARE(run.Err, (bad + QStringLiteral(": settings.rA: unknown key.\n")).toUtf8());
    QVERIFY(!QFile::exists(Path("never.png")));

    const Run missing = RunProgram({QStringLiteral("--open"), Path("gone.json"),
                                    QStringLiteral("--design"), QStringLiteral("text")});
    QCOMPARE(missing.Code, 2);
    QCOMPARE(missing.Err,
             (Path("gone.json") + QStringLiteral(": No such file or directory.\n")).toUtf8());
    QCOMPARE(missing.Out, QByteArray());

    const Run empty =
        RunProgram({QStringLiteral("--open="), QStringLiteral("--design"), QStringLiteral("text")});
    QCOMPARE(empty.Code, 2);
    QVERIFY(empty.Err.startsWith("valvescope: --open needs a file name.\n"));
}

QTEST_GUILESS_MAIN(TestDesignOption)
#include "test_designoption.moc"
