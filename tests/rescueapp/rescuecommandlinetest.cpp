// SPDX-License-Identifier: GPL-3.0-or-later
// What trelvick-rescue takes from its command line, as a file manager's "Open With" passes it: every
// folder and file named, made absolute, its bytes kept; an option refused.
#include "rescueapp/commandline.h"

#include <QTest>

using namespace trelvick;

class RescueCommandLineTest : public QObject
{
    Q_OBJECT

private slots:
    void everyNamedFolderJoinsAsItsBytes_data();
    void everyNamedFolderJoinsAsItsBytes();
};

void RescueCommandLineTest::everyNamedFolderJoinsAsItsBytes_data()
{
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::addColumn<QByteArrayList>("paths");
    QTest::addColumn<int>("refused"); // the status of a refusal; 0: none
    QTest::newRow("one folder, relative") << QByteArrayList{"archive"} << QByteArrayList{"/home/u/archive"} << 0;
    QTest::newRow("several, absolute ones as they are")
        << QByteArrayList{"/srv/old/", "./a/./b", "c"} << QByteArrayList{"/srv/old", "/home/u/a/b", "/home/u/c"} << 0;
    QTest::newRow("a name in 737 stays bytes")
        << QByteArrayList{"\x8b\x84\x8c\x8e\x93"} << QByteArrayList{"/home/u/\x8b\x84\x8c\x8e\x93"} << 0;
    // A link may lead up: ".." is the file system's to resolve.
    QTest::newRow(".. kept") << QByteArrayList{"../x"} << QByteArrayList{"/home/u/../x"} << 0;
    QTest::newRow("after --, a name that starts with -")
        << QByteArrayList{"a", "--", "-x", "--"} << QByteArrayList{"/home/u/a", "/home/u/-x", "/home/u/--"} << 0;
    QTest::newRow("an option refused") << QByteArrayList{"a", "--names"} << QByteArrayList{"/home/u/a"} << 2;
}

void RescueCommandLineTest::everyNamedFolderJoinsAsItsBytes()
{
    QFETCH(QByteArrayList, arguments);
    QFETCH(QByteArrayList, paths);
    QFETCH(int, refused);
    std::vector<const char*> argv{"trelvick-rescue"};
    for (const QByteArray& argument : std::as_const(arguments))
        argv.push_back(argument.constData());
    const rescueapp::Operands operands = rescueapp::operandsOf(int(argv.size()), argv.data(), "/home/u");
    QCOMPARE(operands.refusal ? operands.refusal->status : 0, refused);
    if (refused)
        QVERIFY(operands.refusal->standardError.contains("--names"));
    else
        QCOMPARE(operands.paths, paths);
}

QTEST_GUILESS_MAIN(RescueCommandLineTest)
#include "rescuecommandlinetest.moc"
