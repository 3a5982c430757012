#include "TestSupport.h"

#include <QHostAddress>
#include <QImage>

using namespace quillet;

namespace {
constexpr int kWait = 15000; // for a loaded machine; every wait ends once it holds
constexpr double kScale = 1.25;
// xdotool's searches for the main window, and for all of ours: it, the tray icon, its menu.
const QString kWindow = QStringLiteral("--name 'Quillet [0-9]'");
const QString kWindowId = "$(xdotool search " + kWindow + ")";
const QString kOurs = QStringLiteral("--class quillet");
} // namespace

// The built program on a real X display (Xvfb) with a window manager and a notification
// area, driven as a user would drive it.
class TestTrayX11 : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Process> wm_;
    QTemporaryDir dir_;

    static std::unique_ptr<test::Process> start(const QString& program,
                                                const QStringList& args = {})
    {
        auto process = std::make_unique<test::Process>();
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(program, args);
        return process;
    }
    // What a shell command prints; `timeout` ends it, and all it started, after 10 s.
    static QByteArray sh(const QString& command)
    {
        const auto process = start("timeout", {"10", "sh", "-c", command});
        process->waitForFinished(15000);
        return process->readAllStandardOutput();
    }
    // Where the viewable windows that xdotool's `search` finds are on screen (xwininfo's
    // figures: xdotool's own add the frame twice).
    static QList<QRect> shown(const QString& search)
    {
        QTextStream figures(
            sh("for w in $(xdotool search --onlyvisible " + search +
               "); do xwininfo -id $w | awk '/Absolute|Width|Height/ {print $NF}'; done"));
        QList<QRect> found;
        for (int x = 0, y = 0, w = 0, h = 0;
             (figures >> x >> y >> w >> h).status() == QTextStream::Ok;)
            found << QRect(x, y, w, h);
        return found;
    }
    static QRect window() { return shown(kWindow).value(0); }
    static bool iconic() { return sh("xprop WM_STATE -id " + kWindowId).contains("Iconic"); }
    // The tray icon: a small window of ours inside the notification area. Before it is
    // embedded, it is a window of its own that a click would miss.
    static QPoint icon()
    {
        QPoint centre;
        for (const QRect& area : shown("--class trayer"))
            for (const QRect& icon : shown(kOurs))
                centre = icon.width() <= 64 && area.contains(icon) ? icon.center() : centre;
        return centre;
    }
    static void click(QPoint at, int button = 1)
    {
        sh(QStringLiteral("xdotool mousemove %1 %2 click %3").arg(at.x()).arg(at.y()).arg(button));
    }
    // Right click on the icon, then an item by its access key once the menu (ours, far taller
    // than the icon, not the window) is up. A loaded machine can lose a click: tried thrice.
    static bool menu(QPoint icon, const QString& key)
    {
        const auto up = [] {
            return std::ranges::any_of(shown(kOurs),
                                       [](QRect r) { return r.height() > 120 && r != window(); });
        };
        for (int attempt = 0; attempt < 3; ++attempt) {
            click(icon, 3);
            if (QTest::qWaitFor(up, 5000))
                return sh("xdotool key " + key + " && echo sent") == "sent\n";
        }
        return false;
    }
    // A screenshot of `window` ("root" or an id), also kept in the build folder to look at.
    static QImage screenshot(const QString& window, const QString& name)
    {
        sh("import -window " + window + " " QUILLET_SCREENSHOT_DIR "/" + name);
        return QImage(QUILLET_SCREENSHOT_DIR "/" + name);
    }

private slots:
    void initTestCase()
    {
        if (QHostAddress(QStringLiteral(QUILLET_BUILT_ECHO_HOST).section(':', 0, 0)) !=
            QHostAddress::LocalHost)
            QSKIP("this build's echo host is not on the loopback interface");
        // X11 alone, with its own tray protocol, on the display xvfb-run gave ctest.
        for (const char* name : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS"})
            qunsetenv(name);
        // libdbus, which Qt's desktop theme loads on X11, keeps one buffer to the end.
        qputenv("LSAN_OPTIONS", "suppressions=" QUILLET_TEST_SUPPORT_DIR "/x11.supp");
        qputenv("QT_SCALE_FACTOR", QByteArray::number(kScale));
        // Started anew while it fails: with several xvfb-run -a at once, the display can turn
        // away the first client.
        QVERIFY(QTest::qWaitFor(
            [this] {
                if (!wm_ || wm_->state() == QProcess::NotRunning)
                    wm_ = start("openbox");
                return sh("xprop -root _NET_SUPPORTING_WM_CHECK").contains("window id");
            },
            kWait));
        QVERIFY(QFile::copy(QUILLET_BINARY, dir_.filePath("quillet"))); // its files beside it
    }

    // At 125%: the window never gets smaller than what shows everything. An edit is saved at
    // once; a failed action marks the icon red; a maximised window that the window manager
    // minimises goes into the tray and comes back maximised, its transcript taking the room.
    void trayIconShowsHidesAndCloses()
    {
        const QString config = dir_.filePath("config.txt");
        const auto trayer = start("trayer", {"--edge", "top", "--align", "right"});
        QVERIFY(QTest::qWaitFor([] { return !shown("--class trayer").isEmpty(); }, kWait));
        const auto quillet = start(dir_.filePath("quillet"));
        QPoint icon; // found once it stays put: the notification area has placed it
        QVERIFY(QTest::qWaitFor(
            [&] { return icon == (icon = TestTrayX11::icon()) && !icon.isNull(); }, kWait));
        QVERIFY(window().isEmpty()); // made only when first shown
        click(icon);
        QVERIFY(QTest::qWaitFor([] { return !window().isEmpty(); }, kWait));
        sh("xdotool search " + kWindow + " windowsize 200 150");
        QTest::qWait(300);
        QTextStream least(
            sh("xprop WM_NORMAL_HINTS -id " + kWindowId +
               " | sed -n 's/.*minimum size: \\([0-9]*\\) by \\([0-9]*\\)/\\1 \\2/p'"));
        int width = 0, height = 0;
        least >> width >> height;
        QCOMPARE(window().size(), QSize(width, height));
        QVERIFY(width >= 500 * kScale && height >= 400 * kScale);
        screenshot(kWindowId, "window.png");

        // By keyboard: "Send E-Mail to:" (first) ticked with no server, then Tab past the
        // 13 controls that are enabled now to "Execute Selected Actions": it fails (as the
        // lookup does, with no echo page: either marks the icon).
        sh("xdotool search " + kWindow + " windowactivate --sync key space");
        QVERIFY(
            QTest::qWaitFor([&] { return test::readAll(config).startsWith(" 1 \r\n"); }, kWait));
        sh("xdotool key --delay 50" + QStringLiteral(" Tab").repeated(14) + " space");
        QVERIFY(QTest::qWaitFor(
            [&] {
                const QColor mark = screenshot("root", "tray.png").pixelColor(icon + QPoint(5, 5));
                return mark.red() > 200 && mark.green() < 80 && mark.blue() < 80;
            },
            kWait));

        QVERIFY(menu(icon, "x")); // Maximize
        QVERIFY(QTest::qWaitFor([] { return window().height() > 720; }, kWait));
        sh("xdotool search " + kWindow + " windowminimize"); // into the tray, not a task bar
        QVERIFY(QTest::qWaitFor([] { return window().isEmpty() && !iconic(); }, kWait));
        click(icon);
        QVERIFY(QTest::qWaitFor([] { return window().height() > 720; }, kWait));
        QVERIFY(menu(icon, "n")); // Minimize, offered: the window shows again
        QVERIFY(QTest::qWaitFor([] { return window().isEmpty(); }, kWait));
        click(icon);
        QVERIFY(QTest::qWaitFor([] { return window().height() > 720; }, kWait));
        QTest::qWait(300);
        QCOMPARE(screenshot(kWindowId, "window-maximised.png").pixelColor(100, 700),
                 QColor(Qt::white)); // the transcript

        QVERIFY(menu(icon, "c")); // Close
        QVERIFY(quillet->waitForFinished(15000));
        QCOMPARE(quillet->exitCode(), 0);
        QCOMPARE(test::readAll(config).count("\r\n"), 26);
    }

    // Started at login before the panel, it waits for a notification area instead of showing
    // its window; started otherwise, it shows the window, which goes into one that appears.
    void waitsForTheNotificationArea()
    {
        const auto atLogin = start(dir_.filePath("quillet"), {"--autostart"});
        QTest::qWait(2000);
        QVERIFY(window().isEmpty());
        auto trayer = start("trayer", {"--edge", "top", "--align", "right"});
        QVERIFY(QTest::qWaitFor([] { return !icon().isNull(); }, kWait));
        QVERIFY(window().isEmpty());
        atLogin->kill(), trayer.reset();
        QVERIFY(QTest::qWaitFor([] { return shown("--class trayer").isEmpty(); }, kWait));

        const auto quillet = start(dir_.filePath("quillet"));
        QVERIFY(QTest::qWaitFor([] { return !window().isEmpty(); }, kWait));
        trayer = start("trayer", {"--edge", "top", "--align", "right"});
        QVERIFY(QTest::qWaitFor([] { return window().isEmpty() && !icon().isNull(); }, kWait));
    }
};

QTEST_GUILESS_MAIN(TestTrayX11)
#include "tst_tray_x11.moc"
