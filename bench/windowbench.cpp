// SPDX-License-Identifier: GPL-3.0-or-later
// Times the window's Convert against the engine alone on the same file, to show what the window adds
// (progress updates and event processing every 30 ms). Runs offscreen with a platform that answers
// the dialogs itself.
//
//   QT_QPA_PLATFORM=offscreen trelvick-window-bench INPUT [RUNS]
//
// With --startup it starts the real window instead (the platform, the load step with tq.ini, the
// window shown and exposed), prints how long that took inside the process and ends; hyperfine
// times the whole process, loading of the libraries included.
//
// Uses the tq.ini beside this program and its first converter.
#include "app/mainwindow.h"
#include "config/codesection.h"
#include "config/configuration.h"
#include "convert/engine.h"
#include "files/posixfile.h"
#include "platform/qtplatform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QToolButton>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace trelvick;

class BenchPlatform final : public platform::Platform
{
public:
    QString input, output;
    QString programFolder() override { return QCoreApplication::applicationDirPath(); }
    base::Expected<bool> anotherInstanceRunning() override { return false; }
    void setApplicationTitle(const QString&) override {}
    void beep() override {}
    platform::Answer messageBox(const platform::MessageBoxRequest&) override { return platform::Answer::Yes; }
    platform::FileDialogResult openFiles(const platform::FileDialogRequest&) override
    {
        return {platform::FileDialogResult::Chosen, {input}, {}};
    }
    platform::FileDialogResult saveFile(const platform::FileDialogRequest&) override
    {
        return {platform::FileDialogResult::Chosen, {output}, {}};
    }
    platform::FileDialogResult chooseFolder(const platform::FileDialogRequest&) override { return {}; }
    QString inputBox(const platform::InputBoxRequest&) override { return {}; }
    void showHelp(const QString&, lang::Language) override {}
    base::Error startDetached(const QString&, const QString&) override { return {}; }
    base::Error runAndWait(const QString&, const QString&) override { return {}; }
    void bringToFront(QWidget*) override {}
    void processEvents() override { QCoreApplication::processEvents(); }
    void endProgram(int) override { std::fprintf(stderr, "the window ended the program\n"); }
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int startup(int argc, char* argv[])
{
    QElapsedTimer timer;
    timer.start();
    QApplication application(argc, argv);
    platform::QtPlatform platform;
    app::MainWindow window(platform);
    platform.setMainWindow(&window);
    if (!window.load())
        return 1;
    window.show();
    while (!window.windowHandle() || !window.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();
    std::printf("start-up to a shown window, inside the process: %.1f ms\n", timer.nsecsElapsed() / 1e6);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "--startup") == 0)
        return startup(argc, argv);
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: trelvick-window-bench INPUT [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    BenchPlatform platform;
    platform.input = QString::fromLocal8Bit(argv[1]);
    platform.output = platform.input + u".window-bench.out"_qs;

    const auto loaded = config::loadConfiguration(config::locateConfiguration(platform.programFolder()));
    const auto table = loaded ? config::loadCodeSection(loaded->profile, loaded->converters.front().key)
                              : base::Expected<convert::ConversionTable>(loaded.error());
    if (!table) {
        std::fprintf(stderr, "no usable tq.ini beside the program\n");
        return 2;
    }

    // Freeing the last run's output while its pages are still being written back costs tens of
    // milliseconds, and more right after it was written: both sides start from no output instead.
    const auto removeOutput = [&] {
        QFile::remove(platform.output);
        ::sync();
    };
    std::vector<double> engine, window;
    for (int run = 0; run < runs; ++run) {
        removeOutput();
        QElapsedTimer timer;
        timer.start();
        {
            // The plain write, without any of the safe conversion's care.
            files::InputFile source;
            const int fd =
                ::open(QFile::encodeName(platform.output).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
            if (!source.open(platform.input) || fd < 0)
                return 1;
            files::DescriptorSink sink(fd);
            convert::convertStream(source, sink, *table);
            ::close(fd);
        }
        engine.push_back(timer.nsecsElapsed() / 1e9);

        app::MainWindow mainWindow(platform);
        if (!mainWindow.load())
            return 1;
        mainWindow.press(app::Command::InputDefine);
        mainWindow.press(app::Command::OutputDefine);
        // Shown and settled, as when the user clicks Convert: the first layout and painting of a new
        // window are not the conversion's.
        mainWindow.show();
        QCoreApplication::processEvents();
        removeOutput();
        timer.restart();
        mainWindow.press(app::Command::Convert);
        window.push_back(timer.nsecsElapsed() / 1e9);
    }
    QFile::remove(platform.output);
    const double e = median(engine), w = median(window);
    std::printf("%-28s %10s\n", "median of runs", "seconds");
    std::printf("%-28s %10.3f\n", "engine, file to file", e);
    std::printf("%-28s %10.3f\n", "window Convert", w);
    std::printf("%-28s %10.2f\n", "window / engine", w / e);
    return 0;
}
