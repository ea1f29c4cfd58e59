#include "app/mainwindow.h"
#include "platform/qtplatform.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(u"Trelvick"_qs);
    QApplication::setWindowIcon(QIcon(u":/icons/trelvick.png"_qs));
    QApplication::setQuitOnLastWindowClosed(false);

    trelvick::platform::QtPlatform platform;
    trelvick::app::MainWindow window(platform);
    platform.setMainWindow(&window);
    if (!window.load())
        return platform.exitStatus();
    window.show();
    return QApplication::exec();
}
