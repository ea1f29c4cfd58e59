// SPDX-License-Identifier: GPL-3.0-or-later
// The conversion run without the window: what it asks and shows, what it writes, and when it ends.
#include "app/conversionrun.h"
#include "scriptedplatform.h"
#include "testsupport.h"

#include <QTest>

using namespace trelvick;
using platform::Answer;

namespace {

// What the window would show, one entry a change.
class RecordingView final : public app::ProgressView
{
public:
    explicit RecordingView(const app::WindowState& state) : m_state(state) {}
    QStringList log;

    void showProgress(int percentage) override { add(u"progress %1"_qs.arg(percentage)); }
    void showStatusLine(const QString& text) override { add(text); }
    void showState() override { add(m_state.ConversionRunning ? u"running"_qs : u"idle"_qs); }
    void add(const QString& entry)
    {
        if (log.isEmpty() || log.last() != entry)
            log << entry;
    }

private:
    const app::WindowState& m_state;
};

} // namespace

class ConversionRunTest : public QObject
{
    Q_OBJECT

private slots:
    void runAsksShowsWritesAndEndsAsItsKindRequires_data();
    void runAsksShowsWritesAndEndsAsItsKindRequires();
};

void ConversionRunTest::runAsksShowsWritesAndEndsAsItsKindRequires_data()
{
    QTest::addColumn<QStringList>("inputs"); // one: into out.txt, which holds "old"; more: a batch
    QTest::addColumn<bool>("outputChanged");
    QTest::addColumn<int>("converter"); // Μ1 maps a->b and A->A; Μ2 is faulty
    QTest::addColumn<QList<Answer>>("answers");
    QTest::addColumn<QStringList>("boxes"); // titles, in order
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<int>("status");
    QTest::addColumn<QList<QByteArray>>("outputs"); // out.txt, or each input's .out
    const QStringList done{u"running"_qs, u"progress 0"_qs, u"progress 100"_qs};
    const QString refused = u"Λανθασμένα ονόματα αρχείων"_qs;
    const QByteArray none("<missing>"), old("old"), converted("bA\r\n");

    QTest::newRow("single: the count shows at 100 % while running, then the commands come back")
        << QStringList{u"in.txt"_qs} << true << 0 << QList{Answer::Ok} << QStringList{u"Τέλος μετατροπής"_qs}
        << done + QStringList{u"box while running"_qs, u"progress 0"_qs, u"idle"_qs} << -1
        << QList<QByteArray>{converted};
    QTest::newRow("single: No keeps the previous result")
        << QStringList{u"in.txt"_qs} << false << 0 << QList{Answer::No} << QStringList{u"Μετατροπή"_qs} << QStringList()
        << -1 << QList<QByteArray>{old};
    QTest::newRow("single: an undecodable input is refused")
        << QStringList{u"in\uFFFD.txt"_qs} << true << 0 << QList{Answer::Ok} << QStringList{refused} << QStringList()
        << -1 << QList<QByteArray>{old};
    QTest::newRow("single: a faulty code section ends before the output is touched")
        << QStringList{u"in.txt"_qs} << true << 1 << QList{Answer::Ok} << QStringList{u"Μετατροπή"_qs} << QStringList()
        << 1 << QList<QByteArray>{old};
    QTest::newRow("single: a missing input ends the program and the run")
        << QStringList{u"gone.txt"_qs} << true << 0 << QList{Answer::Ok} << QStringList{u"Trelvick - Μετατροπή"_qs}
        << QStringList() << 1 << QList<QByteArray>{old};
    QTest::newRow("batch: each file labelled, nothing asked or reported")
        << QStringList{u"a.txt"_qs, u"b.txt"_qs} << false << 0 << QList<Answer>() << QStringList()
        << QStringList{u"Μετατροπή αρχείου 1 από 2."_qs} + done + QStringList{u"progress 0"_qs, u"idle"_qs} +
               QStringList{u"Μετατροπή αρχείου 2 από 2."_qs} + done + QStringList{u"progress 0"_qs, u"idle"_qs}
        << -1 << QList<QByteArray>{converted, converted};
    QTest::newRow("batch: one undecodable name refuses them all")
        << QStringList{u"a.txt"_qs, u"b\uFFFD.txt"_qs} << true << 0 << QList{Answer::Ok} << QStringList{refused}
        << QStringList() << -1 << QList<QByteArray>{none, none};
}

void ConversionRunTest::runAsksShowsWritesAndEndsAsItsKindRequires()
{
    QFETCH(QStringList, inputs);
    QFETCH(bool, outputChanged);
    QFETCH(int, converter);
    QFETCH(QList<Answer>, answers);
    QFETCH(QStringList, boxes);
    QFETCH(QStringList, shown);
    QFETCH(int, status);
    QFETCH(QList<QByteArray>, outputs);
    testsupport::TempFolder folder;
    QVERIFY(folder.write(u"tq.ini"_qs, windows1253(u"[Μ1]\r\n97=98\r\n65=065\r\n[Μ2]\r\n66=1000\r\n"_qs)));
    app::WindowState state;
    state.configFile = folder.path(u"tq.ini"_qs);
    state.ConverterList = {{u"First"_qs, u"Μ1"_qs}, {u"Faulty"_qs, u"Μ2"_qs}};
    state.OutputFileChanged = outputChanged;
    QStringList written;
    for (const QString& input : inputs) {
        if (!input.startsWith(u"gone"_qs))
            QVERIFY(folder.write(input, "aA"));
        written << folder.path(input) + (inputs.size() > 1 ? u".out"_qs : QString());
    }
    if (inputs.size() > 1) {
        for (const QString& input : inputs)
            state.ListOfFilenames << folder.path(input);
    } else {
        state.InputFilePath = folder.path(inputs.front());
        state.OutputFilePath = written.front() = folder.path(u"out.txt"_qs);
        QVERIFY(folder.write(state.OutputFilePath, "old"));
    }
    testing::ScriptedPlatform platform;
    platform.answers = answers;
    RecordingView view(state);
    platform.onMessageBox = [&](const platform::MessageBoxRequest&) {
        if (state.ConversionRunning)
            view.add(u"box while running"_qs);
    };

    app::ConversionRun(platform, state, view).run(converter);
    QStringList titles;
    for (const platform::MessageBoxRequest& box : platform.boxes)
        titles << box.title;
    QCOMPARE(titles, boxes);
    QCOMPARE(platform.log.count(u"beep"_qs), boxes.size());
    QCOMPARE(view.log, shown);
    QCOMPARE(platform.exitStatus, status);
    QCOMPARE(state.ended, status != -1);
    QVERIFY(!state.ConversionRunning);
    QCOMPARE(state.OutputFileChanged, outputChanged && shown.isEmpty());
    for (qsizetype i = 0; i < written.size(); ++i)
        QCOMPARE(folder.read(written[i]), outputs[i]);
    for (const QString& input : inputs)
        QCOMPARE(folder.read(input), input.startsWith(u"gone"_qs) ? QByteArray("<missing>") : "aA");
}

QTEST_GUILESS_MAIN(ConversionRunTest)
#include "conversionruntest.moc"
