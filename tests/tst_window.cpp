#include "TestSupport.h"

#include "core/Model.h"
#include "ui/Tray.h"
#include "ui/TrayMenu.h"
#include "ui/TrayWindow.h"
#include "ui/frmMain.h"

#include <QtTest>

using namespace quillet;

// The main window's handlers and the tray's bookkeeping, on Qt's offscreen platform.
class TestWindow : public QObject {
    Q_OBJECT

    Model model;

private slots:
    void cleanup() { RemoveFromTray(); } // a failed test leaves no dangling window behind
    // The tip is cut as the shell's 64-character field cuts it, and a failure adds a line. A
    // destroyed window leaves the tray, or a click on the icon would reach a dead window.
    void trayTipAndWindow()
    {
        struct Host : TrayWindow {
            QWidget* window(bool) override { return nullptr; }
            qint16 lastState() const override { return 0; }
            void setTrayMenuItems(qint16) override {}
            QMenu* trayMenu() override { return nullptr; }
        } host;
        AddToTray(host);
        const QString tip63 = QStringLiteral("External IP: ") + QString(50, QLatin1Char('9'));
        for (const QString& extra : {QString(), QStringLiteral("X"), QStringLiteral("XYZ")}) {
            SetTrayTip(tip63 + extra);
            QCOMPARE(currentTrayTip(), tip63);
        }
        SetTrayAlert(QStringLiteral("Failed: URL"));
        QCOMPARE(currentTrayTip(), tip63 + QStringLiteral("\r\nFailed: URL"));
        auto window = std::make_unique<QWidget>();
        HookTrayWindow(*window);
        window.reset();
        QVERIFY(!isInTray());
    }

    // The tray menu offers what the window's state allows; Restore undoes minimise, maximise.
    void trayMenuFollowsTheWindow()
    {
        frmMain f(model);
        f.show();
        const TrayMenu& menu = *f.mnuTray;
        QVERIFY(!menu.mnuTrayRestore->isEnabled() && menu.mnuTrayMaximize->isEnabled());
        menu.mnuTrayMaximize->trigger();
        menu.mnuTrayMinimize->trigger();
        QVERIFY(menu.mnuTrayRestore->isEnabled() && !menu.mnuTrayMinimize->isEnabled());
        menu.mnuTrayRestore->trigger();
        QCOMPARE(menu.windowStateValue(), qint16(2));
        menu.mnuTrayRestore->trigger();
        QCOMPARE(menu.windowStateValue(), qint16(0));
    }

    // A status line narrower than designed, as a larger font leaves it, shows whole in a
    // smaller font; far narrower, it is cut in the middle, the whole line heading its tip.
    void statusLinesShowWhole()
    {
        frmMain f(model);
        QLabel* line = f.lblStatus[0];
        for (const int width : {200, 90}) {
            line->resize(width, 18);
            model.showStatus(0, QStringLiteral("Send Email Failure @ "), false);
            QVERIFY(line->fontMetrics().horizontalAdvance(line->text()) <=
                    line->contentsRect().width());
            QVERIFY(line->text() == model.status(0).text ||
                    (width < 200 && line->toolTip().startsWith(model.status(0).text + "\n")));
        }
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
