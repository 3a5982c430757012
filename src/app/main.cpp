#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/Folders.h"
#include "platform/Display.h"
#include "platform/Log.h"
#include "platform/Shutdown.h"
#include "platform/SingleInstance.h"

#include <QApplication>
#include <QStyleFactory>

#include <cstdio>

namespace {

// An answer on stdout or stderr that did not get out is a failure (a full disk, a closed pipe).
bool print(const QString& text, std::FILE* stream)
{
    const QByteArray bytes = text.toLocal8Bit();
    return bytes.isEmpty() || (std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()),
                                           stream) == static_cast<size_t>(bytes.size()) &&
                               std::fflush(stream) == 0);
}

} // namespace

int main(int argc, char* argv[])
{
    // Answered before anything else is set up: no display, no file.
    QList<QByteArray> arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QByteArray(argv[i]);
    const quillet::CommandLine command = quillet::parseCommandLine(arguments);
    if (!command.start) {
        const bool written = print(command.out, stdout) && print(command.err, stderr);
        return written ? command.exitCode : 1;
    }

    // One watcher per settings folder: a second start shows the first one's window, or waits
    // for a copy about to end to let go.
    const QString folder = quillet::chooseFolders().folders.settings;
    quillet::platform::SingleInstance instance(folder);
    if (instance.standing() == quillet::platform::SingleInstance::Standing::Unusable) {
        quillet::warn(instance.problem() + QStringLiteral("; not starting"));
        return 1;
    }
    if (instance.standing() == quillet::platform::SingleInstance::Standing::Second) {
        bool shown = false;
        {
            QCoreApplication asker(argc, argv);
            shown = instance.askToShow();
        }
        if (shown || !instance.waitForLock(std::chrono::seconds(10))) {
            quillet::warn(QStringLiteral("already running for %1; %2")
                              .arg(folder, shown ? QStringLiteral("its window is shown")
                                                 : QStringLiteral("it did not answer")));
            return 0;
        }
    }

    quillet::platform::chooseDisplayPlatform();
    QApplication app(argc, argv);
    // One look everywhere, whatever the desktop's theme.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // The window is hidden most of the time; only the clean-up ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    quillet::Application quillet;
    if (!instance.problem().isEmpty() || !instance.listen()) {
        quillet::warn(instance.problem());
        quillet.model().setProblem(quillet::Model::Problem::OneCopy, instance.problem());
    }
    QObject::connect(&instance, &quillet::platform::SingleInstance::showRequested, &quillet,
                     &quillet::Application::showWindow);
    QObject::connect(&quillet, &quillet::Application::ending, &instance,
                     &quillet::platform::SingleInstance::stopListening);
    QObject::connect(&quillet, &quillet::Application::finished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    quillet::platform::installShutdownSignals([&quillet] { quillet.requestShutdown(); });
    if (!quillet.start(command.autostart))
        return 0;
    return QApplication::exec();
}
