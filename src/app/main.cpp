#include "app/Quillet.h"
#include "platform/Display.h"
#include "platform/Shutdown.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    quillet::platform::chooseDisplayPlatform();
    QApplication app(argc, argv);
    // The window is hidden most of the time; only the clean-up ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    quillet::Quillet quillet;
    QObject::connect(&quillet, &quillet::Quillet::finished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    quillet::platform::installShutdownSignals([&quillet] { quillet.requestShutdown(); });
    quillet.Main();
    return QApplication::exec();
}
