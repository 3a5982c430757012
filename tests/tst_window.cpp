#include "TestSupport.h"

#include "core/Model.h"
#include "ui/MainWindow.h"
#include "ui/TrayController.h"
#include "ui/TrayMenu.h"
#include "ui_MainWindow.h"

#include <QtTest>

using namespace quillet;

// The window's layout, its tray menu and the tray's tip, on Qt's offscreen platform.
class TestWindow : public QObject {
    Q_OBJECT

    test::Hooks hooks;
    Model model;

private slots:
    // The tip is cut as the shell's 64-character field cuts it, and a failure adds a line.
    void trayTip()
    {
        TrayController tray(
            model, [] { return nullptr; }, false);
        const QString tip63 = QStringLiteral("External IP: ") + QString(50, QLatin1Char('9'));
        for (const int extra : {0, 1, 3}) {
            model.setAddresses({QString(50 + extra, QLatin1Char('9')), {}});
            QCOMPARE(tray.tip(), tip63);
        }
        model.setFailedActions({QStringLiteral("URL")});
        QCOMPARE(tray.tip(), tip63 + QStringLiteral("\r\nFailed: URL"));
        model.setFailedActions({});
    }

    // The tray menu offers what the window's state allows; Restore undoes minimise, maximise.
    void trayMenuFollowsTheWindow()
    {
        MainWindow window(model);
        TrayController tray(
            model, [&window] { return &window; }, false);
        tray.showWindow();
        const TrayMenu& menu = *tray.menu();
        const auto on = [&menu](TrayMenu::Item item) { return menu.action(item)->isEnabled(); };
        QVERIFY(!on(TrayMenu::Item::Restore) && on(TrayMenu::Item::Maximize));
        menu.action(TrayMenu::Item::Maximize)->trigger();
        menu.action(TrayMenu::Item::Minimize)->trigger();
        QVERIFY(on(TrayMenu::Item::Restore) && !on(TrayMenu::Item::Minimize));
        menu.action(TrayMenu::Item::Restore)->trigger();
        QCOMPARE(windowStateOf(window), WindowState::Maximized);
        menu.action(TrayMenu::Item::Restore)->trigger();
        QCOMPARE(windowStateOf(window), WindowState::Normal);
    }

    // However small the window is made, in small print or large, every control keeps the room
    // its text needs; made large, the transcript below takes the room, the panels keep theirs.
    void layoutShowsEverything()
    {
        for (const qreal points : {7.0, 11.0, 16.0}) {
            QFont font = QApplication::font();
            font.setPointSizeF(points);
            QApplication::setFont(font);
            MainWindow window(model);
            model.setStatus(
                Action::DynDns,
                {QStringLiteral("DDNS Update Failure @ 12-31-2026 23:59:59"), false, {}});
            window.show();
            window.resize(1, 1);
            QCoreApplication::processEvents();
            QCOMPARE(window.size(), window.minimumSizeHint());
            for (QWidget* w : window.findChildren<QWidget*>()) {
                if (w->isVisible() &&
                    (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w)))
                    QVERIFY2(w->width() >= w->minimumSizeHint().width() &&
                                 w->height() >= w->minimumSizeHint().height(),
                             qPrintable(w->objectName()));
            }
            QCOMPARE(window.statusLabel(Action::DynDns)->text(), model.status(Action::DynDns).text);
            const int panel = window.ui().emailPanel->height();
            const int transcript = window.ui().transcriptView->height();
            window.resize(window.width() + 400, window.height() + 400);
            QCoreApplication::processEvents();
            QCOMPARE(window.ui().emailPanel->height(), panel);
            QVERIFY(window.ui().transcriptView->height() >= transcript + 400);
        }
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
