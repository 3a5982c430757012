#include "TestSupport.h"

#include "core/Model.h"
#include "platform/Launcher.h"
#include "platform/Paths.h"
#include "platform/TrayIcon.h"
#include "ui/Tray.h"
#include "ui/TrayMenu.h"
#include "ui/TrayWindow.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextDocument>
#include <QToolTip>
#include <QtTest>

using namespace quillet;

namespace {
// Restore, Move, Size, Minimize, Maximize as the menu offers them now.
QString menuRow(const frmMain& f)
{
    QString row;
    for (const QAction* a :
         {f.mnuTray->mnuTrayRestore, f.mnuTray->mnuTrayMove, f.mnuTray->mnuTraySize,
          f.mnuTray->mnuTrayMinimize, f.mnuTray->mnuTrayMaximize})
        row += a->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    return row;
}
// The tray's view of a window the test owns.
struct Host : TrayWindow {
    explicit Host(frmMain* window)
        : f(window)
    {
    }
    QWidget* window(bool) override { return f; }
    qint16 lastState() const override { return f->mnuTray->LastState; }
    void setTrayMenuItems(qint16 state) override { f->mnuTray->SetTrayMenuItems(state); }
    QMenu* trayMenu() override { return f->mnuTray; }
    frmMain* f;
};

} // namespace

// The main window's handlers and the tray's decisions, on Qt's offscreen platform.
class TestWindow : public QObject {
    Q_OBJECT

    Model model;

private slots:
    void cleanup()
    {
        RemoveFromTray();
        platform::setTrayPresenceForTesting(std::nullopt);
        platform::setDesktopOpenerForTesting({});
        test::resetSeams();
    }

    void resizeKeepsTheLastStateOtherThanMinimised()
    {
        frmMain f(model);
        f.show();
        f.setWindowState(Qt::WindowMaximized);
        QCOMPARE(f.mnuTray->LastState, qint16(2));
        QCOMPARE(menuRow(f), QStringLiteral("10010"));
        f.mnuTray->mnuTrayMinimize->trigger();
        QCOMPARE(f.mnuTray->windowStateValue(), qint16(1));
        QCOMPARE(f.mnuTray->LastState, qint16(2));
        QCOMPARE(menuRow(f), QStringLiteral("10001"));
        f.mnuTray->mnuTrayRestore->trigger(); // visible: back to the state before minimising
        QCOMPARE(f.mnuTray->windowStateValue(), qint16(2));
        f.mnuTray->mnuTrayRestore->trigger();
        QCOMPARE(f.mnuTray->windowStateValue(), qint16(0));
        QCOMPARE(f.mnuTray->LastState, qint16(0));
        QCOMPARE(menuRow(f), QStringLiteral("01111"));
    }

    void tipIsCutAsTheShellsFieldCutsIt()
    {
        const QString tip63 = QStringLiteral("External IP: ") + QString(50, QLatin1Char('9'));
        QCOMPARE(tip63.size(), 63);
        SetTrayTip(tip63);
        QCOMPARE(currentTrayTip(), tip63);
        SetTrayTip(tip63 + QLatin1Char('X'));
        QCOMPARE(currentTrayTip(), tip63);
        SetTrayTip(tip63 + QStringLiteral("XYZ"));
        QCOMPARE(currentTrayTip(), tip63);
        SetTrayTip(QStringLiteral("External IP: 1.2.3.4\r\nInternal IP: 10.0.0.1"));
        QCOMPARE(currentTrayTip(), QStringLiteral("External IP: 1.2.3.4\r\nInternal IP: 10.0.0.1"));
    }

    void enablingRulesFollowClicks()
    {
        frmMain f(model);
        f.show();
        QTest::mouseClick(f.chkSendEmail, Qt::LeftButton);
        QVERIFY(f.txtEmailRecipient->isEnabled() && f.chkAuthentication->isEnabled());
        QVERIFY(!f.txtSMTPuser->isEnabled());
        QTest::mouseClick(f.chkAuthentication, Qt::LeftButton);
        QVERIFY(f.txtSMTPuser->isEnabled() && f.txtSMTPpassword->isEnabled());
        QTest::mouseClick(f.chkSendEmail, Qt::LeftButton);
        for (QWidget* w : std::initializer_list<QWidget*>{
                 f.txtEmailRecipient, f.txtEmailFrom, f.txtSMTPServer, f.txtSMTPport,
                 f.chkAuthentication, f.txtSMTPuser, f.txtSMTPpassword})
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
        QVERIFY(f.chkAuthentication->isChecked());
        QTest::mouseClick(f.chkSendEmail, Qt::LeftButton);
        QVERIFY(f.txtSMTPuser->isEnabled() && f.cboSMTPSecurity->isEnabled());
        // The port follows the security choice while it holds the last choice's usual one.
        for (const auto& [choice, port] :
             QList<std::pair<int, QString>>{{1, "587"}, {2, "465"}, {-1, "2525"}, {0, "2525"}}) {
            if (choice < 0)
                f.txtSMTPport->setText(port);
            else
                f.cboSMTPSecurity->setCurrentIndex(choice);
            QCOMPARE(f.txtSMTPport->text(), port);
        }

        f.txtFTPpath->setText(QStringLiteral("/www"));
        QTest::mouseClick(f.chkUploadFile, Qt::LeftButton);
        QVERIFY(f.txtFTPpath->isEnabled() && f.txtFileName->isEnabled() && f.chkFTPS->isEnabled());
        QTest::mouseClick(f.chkUploadFile, Qt::LeftButton);
        QVERIFY(!f.txtFTPpath->isEnabled());
        QCOMPARE(f.txtFTPpath->text(), QStringLiteral("/www"));
        QTest::mouseClick(f.chkUpdateDynDNS, Qt::LeftButton);
        QVERIFY(f.txtDDNShostname->isEnabled() && f.cboDDNSservice->isEnabled() &&
                f.chkDDNShttps->isEnabled() && f.chkDDNShttps->isChecked());
        f.cboDDNSservice->setCurrentText("dynupdate.no-ip.com");
        QCOMPARE(f.chkUpdateDynDNS->text(), "Update Dynamic DNS Entry (no-ip.com)");
        QTest::mouseClick(f.chkExecuteURL, Qt::LeftButton);
        QVERIFY(f.txtExecuteURL->isEnabled());
    }

    void copyButtonsPutTheAddressOnTheClipboard()
    {
        frmMain f(model);
        f.show();
        model.setAddresses(QStringLiteral("203.0.113.7"), QStringLiteral("192.168.1.20"));
        QTest::mouseClick(f.cmdCopyExtIP, Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("203.0.113.7"));
        QTest::mouseClick(f.cmdCopyIntIP, Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("192.168.1.20"));
        model.setAddresses({}, {});
        QTest::mouseClick(f.cmdCopyExtIP, Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString());
    }

    void linksOpenWithTheDesktop()
    {
        QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/with space XXXXXX"));
        platform::setProgramDirectoryForTesting(dir.path());
        QList<QUrl> opened;
        platform::setDesktopOpenerForTesting([&opened](const QUrl& url) {
            opened << url;
            return true;
        });
        frmMain f(model);
        f.show();
        QTest::mouseClick(f.lblViewIPChangeLog, Qt::LeftButton);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.at(0).toLocalFile(), dir.filePath(QStringLiteral("ipchange.log")));

        f.setMakerLink({});
        QVERIFY(f.lblHyperlink->isHidden());
        f.setMakerLink(QStringLiteral("https://quillet.invalid/support"));
        QVERIFY(f.lblHyperlink->isVisible());
        QCOMPARE(f.lblHyperlink->text(), QStringLiteral("https://quillet.invalid/support"));
        QTest::mouseClick(f.lblHyperlink, Qt::LeftButton);
        QCOMPARE(opened.size(), 2);
        QCOMPARE(opened.at(1), QUrl(QStringLiteral("https://quillet.invalid/support")));
    }

    void statusTipsShowAnswersAsText()
    {
        frmMain f(model);
        f.show();
        QLabel* status = f.lblStatus[3];
        const QString answer = QStringLiteral("<html><body><b>ok</b> 1 < 2</body></html>");
        status->setToolTip(answer);
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), status->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(status, &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QTextDocument shown;
        shown.setHtml(QToolTip::text());
        QCOMPARE(shown.toPlainText(), answer);
        QCOMPARE(status->toolTip(), answer);
        QToolTip::hideText();
    }

    void minimiseHidesIntoTheTrayAndKeepsTheState()
    {
        platform::setTrayPresenceForTesting(platform::TrayPresence::Present);
        frmMain f(model);
        Host host{&f};
        AddToTray(host);
        HookTrayWindow(f);
        QVERIFY(isTrayIconShown());
        QVERIFY(TrayWindowProc(TrayMessage::IconLeftClick));
        QVERIFY(f.isVisible());
        f.mnuTray->mnuTrayMaximize->trigger();
        QVERIFY(TrayWindowProc(TrayMessage::Minimize));
        QVERIFY(f.isHidden());
        QCOMPARE(f.mnuTray->windowStateValue(), qint16(2));
        QCOMPARE(menuRow(f), QStringLiteral("10001"));
        f.mnuTray->mnuTrayRestore->trigger(); // hidden: shown again as it was, menu as for normal
        QVERIFY(f.isVisible());
        QCOMPARE(f.mnuTray->windowStateValue(), qint16(2));
        QCOMPARE(menuRow(f), QStringLiteral("01111"));

        f.mnuTray->mnuTrayMinimize->trigger();
        QVERIFY(TrayWindowProc(TrayMessage::IconLeftClick));
        QCOMPARE(f.mnuTray->windowStateValue(), qint16(2));

        QSignalSpy unloading(&f, &frmMain::unloading);
        f.mnuTray->mnuTrayClose->trigger();
        QCOMPARE(unloading.size(), 1);
    }

    // "Start at login" writes or removes the autostart entry, which starts this very program;
    // the menu reads its tick from the entry.
    void startAtLogin()
    {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        frmMain f(model);
        const QString entry = config.filePath("autostart/quillet.desktop");
        for (const bool on : {true, false}) {
            emit f.mnuTray->aboutToShow();
            QCOMPARE(f.mnuTray->mnuTrayStartAtLogin->isChecked(), !on);
            f.mnuTray->mnuTrayStartAtLogin->trigger();
            QCOMPARE(f.mnuTray->mnuTrayStartAtLogin->isChecked(), on);
            QCOMPARE(test::readAll(entry).contains(
                         "\nExec=\"" + QFile::encodeName(QCoreApplication::applicationFilePath()) +
                         "\"\n"),
                     on);
        }
        qunsetenv("XDG_CONFIG_HOME");
    }

    // A status line shows whole: in a smaller font where it must, else cut in the middle with
    // the whole line heading its tool tip.
    void statusLinesShowWhole()
    {
        frmMain f(model);
        // Narrower than designed, as a larger font scale leaves the text: a smaller font keeps
        // it whole; far narrower, it is cut in the middle.
        for (const int width : {200, 90}) {
            f.lblStatus[0]->resize(width, 18);
            model.showStatus(0, QStringLiteral("Send Email Failure @ "), false);
            const QLabel* line = f.lblStatus[0];
            QVERIFY(line->fontMetrics().horizontalAdvance(line->text()) <=
                    line->contentsRect().width());
            QVERIFY(line->text() == model.status(0).text ||
                    (width < 200 && line->toolTip().startsWith(model.status(0).text + "\n")));
        }
    }

    void destroyedWindowLeavesTheTray()
    {
        platform::setTrayPresenceForTesting(platform::TrayPresence::Headless);
        auto f = std::make_unique<frmMain>(model);
        Host host{f.get()};
        AddToTray(host);
        HookTrayWindow(*f);
        QVERIFY(isInTray());
        QVERIFY(!f->isVisible());
        f.reset();
        QVERIFY(!isInTray());
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
