// config.txt and the text of every file Quillet writes: Windows-1252, dates whatever the
// locale, lines that never shift, files that are never lost.
#include "TestSupport.h"

#include "app/SettingsFile.h"
#include "app/SettingsStore.h"
#include "core/Clock.h"
#include "core/Endpoints.h"
#include "core/Model.h"
#include "core/Windows1252.h"
#include "platform/Autostart.h"
#include "ui/MainWindow.h"
#include "ui_MainWindow.h"

#include <QtTest>

#include <pwd.h>

using namespace quillet;
using Kept = SettingsStore::Outcome;

namespace {
// The 26 lines of a file, in the order the file keeps them.
const QList<QByteArray> kLines =
    QByteArray(" 1 |  me@example.net |smtp.example.net|2525|from@example.net| 1 |mailer| pass word "
               "| 0 |ip_office.txt|ftp.example.net|2121|ftpuser|p\x80\x81\xe9\xff|/incoming/| 1 |"
               "dduser|ddpass|home.example.net| 0 |http://example.net/?ip=$EXTIP$| 2 | 1 |"
               "dynupdate.no-ip.com:8245| 0 | 1 ")
        .split('|');

QByteArray joined(const QList<QByteArray>& lines, const QByteArray& end = "\r\n")
{
    return lines.join(end) + end;
}
} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::system()); }

    // The code page, dates whatever the locale, and box values.
    void values()
    {
        QCOMPARE(fromWindows1252("\x80\x92\x9f\xe9\x81"),
                 QStringLiteral(u"\u20AC\u2019\u0178\u00E9\u0081"));
        // Outside the code page: one "?" for each character, even beyond the basic plane.
        QCOMPARE(toWindows1252(QStringLiteral(u"\u20AC\u00E9\u4E2D\U0001F600")), "\x80\xe9??");
        // Arabic-Indic digits or Arabic names would show any formatting that follows the locale.
        QLocale::setDefault(QLocale("ar_EG"));
        test::Hooks hooks;
        hooks.now = QDateTime(QDate(2024, 12, 31), QTime(5, 6, 7));
        QCOMPARE(nowStamp(), "12-31-2024 05:06:07");
        QVERIFY(rfc5322DateTime(*hooks.now).startsWith("Tue, 31 Dec 2024 05:06:07 "));
        const QList<std::pair<const char*, int>> rows = {
            // -1: no valid box value
            {" 1 ", 1}, {"1.0", 1},  {"", 0},      {"yes", 0},    {" 2 ", 2},
            {"0.5", 0}, {"1.5", 2},  {" 1 x", 1},  {"1e-400", 0}, {"5", -1},
            {"-1", -1}, {"1e1", -1}, {"1e400", -1}};
        for (const auto& [line, expected] : rows)
            QVERIFY2(parseCheckValue(line).value_or(-1) == expected, line);
    }

    // Whatever wrote the file, the lines come back as written and none shifts: texts lose
    // their blanks at both ends only; an older file's 21 lines, like a blank box line, give the
    // defaults; a newer one's later lines stay. A setting Windows-1252 cannot hold makes the
    // file UTF-8 after a byte-order mark, which reads back.
    void linesRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("written");
        QList<QByteArray> trimmed = kLines;
        trimmed[1] = "me@example.net";
        trimmed[7] = "pass word";
        const QByteArray all = joined(trimmed);
        QTest::newRow("LF, none after the last") << joined(kLines, "\n").chopped(1) << all;
        QTest::newRow("LF CR") << joined(kLines, "\n\r") << all;
        QTest::newRow("CR CR LF") << joined(kLines, "\r\r\n") << all;
        QTest::newRow("later lines") << joined(kLines + QList<QByteArray>{"a", "", "b"})
                                     << joined(trimmed + QList<QByteArray>{"a", "", "b"});
        QTest::newRow("21 lines") << joined(kLines.first(21))
                                  << joined(trimmed.first(21)) + " 0 \r\n 0 \r\n" +
                                         dynDnsHost().toLatin1() + "\r\n 1 \r\n 0 \r\n";
        QList<QByteArray> blank = trimmed, defaults = trimmed;
        for (const int box : {0, 5, 8, 15, 19, 21, 22, 24, 25})
            blank[box] = "", defaults[box] = box == 24 ? " 1 " : " 0 ";
        QTest::newRow("blank boxes") << joined(blank) << joined(defaults);
        QList<QByteArray> utf8 = trimmed;
        utf8[13] = "Za\xc5\xbc\xc3\xb3\xc5\x82\xc4\x87";
        QTest::newRow("UTF-8") << "\xef\xbb\xbf" + joined(utf8) << "\xef\xbb\xbf" + joined(utf8);
    }
    void linesRoundTrip()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, written);
        const ParsedSettings file = parseSettings(content);
        QCOMPARE(settingsText(file.settings, file.laterLines), written);
        QVERIFY(readsAsSettings(content));
        // A line break typed into a box must not shift the lines after it.
        Settings broken = file.settings;
        broken.email.server = "a\r\nb\nc";
        QCOMPARE(settingsText(broken).count("\r\n"), kSettingLines);
    }

    // A file is never replaced before its content is kept whole, and no copy overwrites an
    // earlier one: too short to load, it goes to the next free ".bak" first; when that cannot
    // be, or it cannot be loaded whole, it is left as it is and the session's settings go to
    // the next free ".unsaved". Any of it is shown. A bad box value loads the rest.
    void nothingIsLost_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("taken"); // copies there already
        QTest::addColumn<Kept>("outcome");
        QTest::addColumn<QString>("keptIn"); // where the content is after the save
        QList<QByteArray> lines = kLines;
        const QByteArray shortFile = joined(lines.first(20));
        QTest::newRow("too short") << shortFile << QStringList{} << Kept::Replaced << ".bak";
        QTest::newRow("too short, .bak taken")
            << shortFile << QStringList{".bak"} << Kept::Replaced << ".bak.2";
        QStringList every;
        for (int n = 1; n <= 99; ++n)
            every << (n == 1 ? QString(".bak") : QStringLiteral(".bak.%1").arg(n));
        QTest::newRow("too short, no name free") << shortFile << every << Kept::Kept << "";
        QTest::newRow("2 MB in one line")
            << QByteArray(2 << 20, 'x') << QStringList{".unsaved"} << Kept::Kept << "";
        lines[5] = "5";
        QTest::newRow("bad box value") << joined(lines) << QStringList{} << Kept::Loaded << "";
        lines[20] = QByteArray(kMaxSettingChars + 1, 'u');
        QTest::newRow("line too long") << joined(lines) << QStringList{} << Kept::Kept << "";
    }
    void nothingIsLost()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, taken);
        QFETCH(Kept, outcome);
        QFETCH(QString, keptIn);
        QTemporaryDir folder;
        const QString config = folder.filePath("config.txt");
        for (const QString& copy : taken)
            QVERIFY(test::writeAll(config + copy, "earlier"));
        QVERIFY(test::writeAll(config, content));
        Model model;
        SettingsStore store(model, folder.path());
        model.setSettings(store.load({}));
        QCOMPARE(store.outcome(), outcome);
        QCOMPARE(model.settings().email.user, outcome == Kept::Loaded ? "mailer" : "");
        QCOMPARE(model.problems().isEmpty(), outcome == Kept::Loaded);
        QVERIFY(store.save());
        if (outcome != Kept::Loaded)
            QCOMPARE(test::readAll(keptIn.isEmpty() ? config : config + keptIn), content);
        for (const QString& copy : taken)
            QCOMPARE(test::readAll(config + copy), "earlier");
        QString target = config;
        if (outcome == Kept::Kept)
            target += taken.contains(".unsaved") ? ".unsaved.2" : ".unsaved";
        QCOMPARE(test::readAll(target).count("\r\n"), kSettingLines);
        QCOMPARE(test::fileMode(target), 0600);
    }

    // "Start at login" is this copy's only where the entry names this program and no desktop
    // disabled it; another copy's entry is left alone. The entry, as every config folder, is
    // under the password database's home when HOME is unset or relative.
    void autostartEntryIsThisCopys()
    {
        qputenv("HOME", "");
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(platform::autostartFile(), QString::fromLocal8Bit(::getpwuid(::getuid())->pw_dir) +
                                                "/.config/autostart/quillet.desktop");
        QTemporaryDir home;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
        QString error;
        QVERIFY(platform::setStartAtLogin(true, &error) && platform::startsAtLogin());
        const QByteArray mine = test::readAll(platform::autostartFile());
        QVERIFY(mine.contains("--autostart\nTryExec=" +
                              QFile::encodeName(QCoreApplication::applicationFilePath()) + "\n"));
        for (const QByteArray off : {"Hidden = true", "X-GNOME-Autostart-enabled=false"}) {
            QVERIFY(test::writeAll(platform::autostartFile(), mine + off + "\n"));
            QVERIFY(!platform::startsAtLogin());
        }
        const QByteArray other = "[Desktop Entry]\nExec=/opt/q/quillet --autostart\n";
        QVERIFY(test::writeAll(platform::autostartFile(), other));
        QVERIFY(!platform::startsAtLogin() && !platform::setStartAtLogin(true, &error));
        QVERIFY(error.contains("another copy") && platform::setStartAtLogin(false, &error));
        QCOMPARE(test::readAll(platform::autostartFile()), other);
    }

    // The enabling rules follow the ticks, loaded in any order or clicked: "Use
    // Authentication" ticked, "Send E-Mail to:" not, enables no credentials.
    void enablingRulesFollowTheTicks()
    {
        QList<QByteArray> lines = kLines;
        lines[0] = " 0 ";
        Model model;
        model.setSettings(parseSettings(joined(lines)).settings);
        MainWindow window(model);
        const Ui::MainWindow& ui = window.ui();
        QVERIFY(!ui.smtpUserEdit->isEnabled() && !ui.authenticateCheck->isEnabled());
        QVERIFY(ui.dynDnsHostEdit->isEnabled() && !ui.ftpServerEdit->isEnabled());
        ui.sendEmailCheck->click();
        QVERIFY(ui.smtpUserEdit->isEnabled() && ui.smtpPasswordEdit->isEnabled());
        // Every setting went into its control and back: a box dropped or swapped would show.
        lines[0] = " 1 ";
        QCOMPARE(settingsText(model.settings()),
                 settingsText(parseSettings(joined(lines)).settings));
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
