#include "app/Application.h"
#include "app/CommandLine.h"
#include "platform/Display.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/Shutdown.h"
#include "platform/SingleInstance.h"

#include <QApplication>
#include <QStyleFactory>

#include <cstdio>

int main(int argc, char* argv[])
{
    // Answered before anything else is set up: no display, no file.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const quillet::CommandLine command = quillet::parseCommandLine(arguments);
    if (!command.start) {
        std::fputs(command.out.toLocal8Bit().constData(), stdout);
        std::fputs(command.err.toLocal8Bit().constData(), stderr);
        return command.exitCode;
    }

    // One watcher per settings folder: a second start shows the first one's window.
    quillet::platform::SingleInstance instance(quillet::platform::settingsFolder());
    if (!instance.first()) {
        QCoreApplication asker(argc, argv);
        const bool shown = instance.askToShow();
        quillet::warn(QStringLiteral("already running for %1; %2")
                          .arg(quillet::platform::settingsFolder(),
                               shown ? QStringLiteral("its window is shown")
                                     : QStringLiteral("it did not answer")));
        return 0;
    }

    quillet::platform::chooseDisplayPlatform();
    QApplication app(argc, argv);
    // One look everywhere, whatever the desktop's theme.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // The window is hidden most of the time; only the clean-up ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    instance.listen();

    quillet::Application quillet;
    QObject::connect(&instance, &quillet::platform::SingleInstance::showRequested, &quillet,
                     &quillet::Application::showWindow);
    QObject::connect(&quillet, &quillet::Application::finished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    quillet::platform::installShutdownSignals([&quillet] { quillet.requestShutdown(); });
    quillet.start(command.autostart);
    return QApplication::exec();
}
