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
    // The tip is cut as the shell's 64-character field cuts it. The tray menu offers what the
    // window's state allows; Restore undoes minimise, then maximise.
    void tray()
    {
        MainWindow window(model);
        TrayController tray(
            model, [&window] { return &window; }, false);
        for (const int extra : {0, 1, 3}) {
            model.setAddresses({QString(50 + extra, '9'), {}});
            QCOMPARE(tray.tip(), "External IP: " + QString(50, '9'));
        }
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
    // its text needs, a long status line's too; made large, the transcript below takes the
    // room, the panels keep theirs.
    void layoutShowsEverything()
    {
        model.setStatus(Action::DynDns, {"DDNS Update Failure @ 12-31-2026 23:59:59", false, {}});
        for (const int points : {7, 11, 16}) {
            QApplication::setFont(QFont(QApplication::font().family(), points));
            MainWindow window(model);
            window.show();
            window.resize(1, 1);
            QCoreApplication::processEvents();
            QCOMPARE(window.size(), window.minimumSizeHint());
            for (QWidget* w : window.findChildren<QWidget*>())
                if (w->isVisible() && (w->inherits("QLabel") || w->inherits("QAbstractButton")))
                    QVERIFY2(w->size().expandedTo(w->minimumSizeHint()) == w->size(),
                             qPrintable(w->objectName()));
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
