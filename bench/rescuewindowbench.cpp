// SPDX-License-Identifier: GPL-3.0-or-later
// The rescue window on a large archive, offscreen: how soon the plan shows its first rows and how soon it
// is whole, the memory the process holds then (and at its peak), and how long sorting by a column and
// painting the table while scrolling take. Prints figures; judges nothing.
//
//   QT_QPA_PLATFORM=offscreen trelvick-rescue-window-bench FOLDER [JOBS]
//
// bench/run-rescue-window-bench.sh makes archives of 20,000 and 100,000 files in memory and runs it.
#include "platform/qtplatform.h"
#include "rescueapp/rescuewindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <cstdio>

namespace {

using namespace trelvick;
using namespace Qt::StringLiterals;

// A line of /proc/self/status in MiB ("VmRSS", "VmHWM").
double mebibytes(const QByteArray& key)
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).trimmed().split(' ').front().toDouble() / 1024.0;
    }
    return -1;
}

double milliseconds(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

struct Scan
{
    double firstRows = -1, firstPainted = -1, whole = -1;
    double walkedMemory = -1, walkedPeak = -1; // MiB when the first rows come: the engine's walk and plan made
    double longestBusy = 0; // ms: the longest the window's thread took to answer a 10 ms timer during the scan
    int rows = 0;
};

Scan scan(rescueapp::RescueWindow& window, QTableView& table, const QByteArray& folder)
{
    Scan figures;
    QElapsedTimer timer;
    const QMetaObject::Connection first =
        QObject::connect(&window.plan(), &QAbstractItemModel::rowsInserted, &window, [&] {
            if (figures.firstRows >= 0)
                return;
            figures.firstRows = milliseconds(timer);
            figures.walkedMemory = mebibytes("VmRSS");
            figures.walkedPeak = mebibytes("VmHWM");
            table.viewport()->repaint();
            figures.firstPainted = milliseconds(timer);
        });
    // A window that freezes shows as a timer that comes late.
    QTimer ticks;
    QElapsedTimer sinceTick;
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        figures.longestBusy = std::max(figures.longestBusy, milliseconds(sinceTick) - 10);
        sinceTick.start();
    });
    timer.start();
    sinceTick.start();
    ticks.start(10);
    window.addInputs({folder});
    while (window.stage() == rescueapp::RescueWindow::Stage::Scanning)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    figures.whole = milliseconds(timer);
    ticks.stop();
    QObject::disconnect(first);
    figures.rows = window.plan().rowCount();
    return figures;
}

// The table sorted by each column, one after the other, the first screen painted each time.
void timeSorting(QTableView& table)
{
    std::printf("  sort, then paint:");
    for (const rescueapp::Column column :
         {rescueapp::Column::Name, rescueapp::Column::Codepage, rescueapp::Column::Confidence,
          rescueapp::Column::Action, rescueapp::Column::Preview}) {
        QElapsedTimer timer;
        timer.start();
        table.sortByColumn(int(column), Qt::DescendingOrder);
        table.viewport()->repaint();
        std::printf(" %s %.0f ms;", qPrintable(table.model()->headerData(int(column), Qt::Horizontal).toString()),
                    milliseconds(timer));
    }
    std::printf("\n");
}

// Two hundred jumps over the whole table, each painted, as a dragged scroll bar asks.
void timeScrolling(QTableView& table)
{
    QScrollBar* bar = table.verticalScrollBar();
    constexpr int kSteps = 200;
    double slowest = 0;
    QElapsedTimer all;
    all.start();
    for (int step = 0; step <= kSteps; ++step) {
        QElapsedTimer timer;
        timer.start();
        bar->setValue(int(qint64(bar->maximum()) * step / kSteps));
        table.viewport()->repaint();
        slowest = std::max(slowest, milliseconds(timer));
    }
    std::printf("  scroll: %.2f ms a painted screen on average, %.2f ms the slowest (%d screens)\n",
                milliseconds(all) / (kSteps + 1), slowest, kSteps + 1);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [JOBS]\n", argv[0]);
        return 2;
    }
    const QByteArray folder = QFile::encodeName(QFileInfo(QFile::decodeName(argv[1])).absoluteFilePath());
    const double before = mebibytes("VmRSS");

    platform::QtPlatform platform;
    rescueapp::RescueWindow window(platform, rescueapp::Phrasebook());
    if (argc > 2)
        window.setJobs(QByteArray(argv[2]).toInt());
    window.show();
    auto* table = window.findChild<QTableView*>(u"plan"_s);
    QCoreApplication::processEvents();
    const double shown = mebibytes("VmRSS");

    const Scan figures = scan(window, *table, folder);
    QCoreApplication::processEvents();
    std::printf("%s: %d rows\n", argv[1], figures.rows);
    std::printf(
        "  first rows in the model %.0f ms, painted %.0f ms; the whole plan %.0f ms; the window's thread at most "
        "%.0f ms late\n",
        figures.firstRows, figures.firstPainted, figures.whole, figures.longestBusy);
    std::printf("  memory: %.0f MiB before the window, %.0f MiB with it shown; at the first rows (the walk and the "
                "engine's plan made) %.0f MiB, peak so far %.0f MiB; with the whole plan %.0f MiB, peak %.0f MiB\n",
                before, shown, figures.walkedMemory, figures.walkedPeak, mebibytes("VmRSS"), mebibytes("VmHWM"));
    timeSorting(*table);
    timeScrolling(*table);
    std::printf("  memory after sorting and scrolling: %.0f MiB, peak %.0f MiB\n", mebibytes("VmRSS"),
                mebibytes("VmHWM"));
    return window.stage() == rescueapp::RescueWindow::Stage::Planned ? 0 : 1;
}
