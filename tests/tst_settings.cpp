// config.txt and the text of every file Quillet writes: Windows-1252, dates whatever the
// locale, lines that never shift, files that are never lost.
#include "TestSupport.h"

#include "app/SettingsFile.h"
#include "core/Clock.h"
#include "core/Endpoints.h"
#include "core/Model.h"
#include "core/Windows1252.h"
#include "ui/MainWindow.h"
#include "ui_MainWindow.h"

#include <QLocale>
#include <QtTest>

using namespace quillet;

Q_DECLARE_METATYPE(quillet::LoadOutcome)

namespace {
// The 25 lines of a file, in the order the file keeps them.
const QList<QByteArray> kLines =
    QByteArray(" 1 |  me@example.net |smtp.example.net|2525|from@example.net| 1 |mailer| pass word "
               "| 0 |ip_office.txt|ftp.example.net|2121|ftpuser|p\x80\x81\xe9\xff|/incoming/| 1 |"
               "dduser|ddpass|home.example.net| 0 |http://example.net/?ip=$EXTIP$| 2 | 1 |"
               "dynupdate.no-ip.com:8245| 0 ")
        .split('|');

QByteArray joined(const QList<QByteArray>& lines, const QByteArray& end = "\r\n")
{
    return lines.join(end) + end;
}

Settings parsed(const QByteArray& bytes)
{
    Settings settings;
    parseSettings(bytes, settings);
    return settings;
}
} // namespace

class TestSettings : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void cleanup() { QLocale::setDefault(QLocale::system()); }

    void codePageAndDates()
    {
        QCOMPARE(fromWindows1252("\x80\x92\x9f\xe9\x81"),
                 QStringLiteral(u"\u20AC\u2019\u0178\u00E9\u0081"));
        // Outside the code page: one "?" for each character, even beyond the basic plane.
        QCOMPARE(toWindows1252(QStringLiteral(u"\u20AC\u00E9\u4E2D\U0001F600")),
                 QByteArray("\x80\xe9??"));
        // Arabic-Indic digits or Arabic names would show any formatting that follows the locale.
        QLocale::setDefault(QLocale(QStringLiteral("ar_EG")));
        test::Hooks hooks;
        hooks.clock = QDateTime(QDate(2024, 12, 31), QTime(5, 6, 7));
        QCOMPARE(nowStamp(), QStringLiteral("12-31-2024 05:06:07"));
        QVERIFY(rfc5322DateTime(*hooks.clock).startsWith("Tue, 31 Dec 2024 05:06:07 "));
    }

    // Whatever wrote the file, the lines come back as written and none shifts: texts lose
    // their blanks at both ends only; an older file's 21 lines give the defaults for the rest.
    void linesRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("written");
        QList<QByteArray> trimmed = kLines;
        trimmed[1] = "me@example.net";
        trimmed[7] = "pass word";
        const QByteArray all = joined(trimmed);
        QTest::newRow("CR LF") << joined(kLines) << all;
        QTest::newRow("LF, none after the last, extra")
            << joined(kLines, "\n").chopped(1) + "\r\nextra\r\n"
            << all;
        QTest::newRow("LF CR") << joined(kLines, "\n\r") << all;
        QTest::newRow("21 lines") << joined(kLines.first(21))
                                  << joined(trimmed.first(21)) + " 0 \r\n 0 \r\n" +
                                         dynDnsHost().toLatin1() + "\r\n 1 \r\n";
    }
    void linesRoundTrip()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, written);
        const Settings s = parsed(content);
        QCOMPARE(s.ftp.password, QStringLiteral(u"p\u20AC\u0081\u00E9\u00FF"));
        QCOMPARE(settingsText(s), written);
        // A line break typed into a box must not shift the lines after it.
        Settings broken = s;
        broken.email.server = QStringLiteral("a\r\nb\nc");
        QCOMPARE(settingsText(broken).count("\r\n"), kSettingLines);
    }

    void checkValues()
    {
        const QList<std::pair<const char*, int>> rows = {
            // -1: no valid box value
            {" 1 ", 1}, {"1.0", 1},  {"", 0},      {"yes", 0},    {" 2 ", 2},
            {"0.5", 0}, {"1.5", 2},  {" 1 x", 1},  {"1e-400", 0}, {"5", -1},
            {"-1", -1}, {"1e1", -1}, {"1e400", -1}};
        for (const auto& [line, expected] : rows)
            QVERIFY2(parseCheckValue(QString::fromLatin1(line)).value_or(-1) == expected, line);
    }

    // A file that cannot be loaded whole loads nothing and is never lost: too short, it is
    // kept as ".bak" (owner-only: it holds passwords); with a line no edit box could hold,
    // it stays as it is. A bad box value leaves that box alone and loads the rest.
    void fileNotLoadedIsKept_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<LoadOutcome>("outcome");
        QList<QByteArray> lines = kLines;
        QTest::newRow("too short") << joined(lines.first(20)) << LoadOutcome::TooShort;
        lines[5] = "5";
        QTest::newRow("bad box value") << joined(lines) << LoadOutcome::Loaded;
        lines[20] = QByteArray(kMaxSettingChars + 1, 'u');
        QTest::newRow("line too long") << joined(lines) << LoadOutcome::NotLoaded;
    }
    void fileNotLoadedIsKept()
    {
        QFETCH(QByteArray, content);
        QFETCH(LoadOutcome, outcome);
        const QString path = dir.filePath(QStringLiteral("config.txt"));
        QFile::remove(path + ".bak");
        QVERIFY(test::writeAll(path, content));
        const SettingsLoad load = loadSettingsFile(path, Settings{});
        QCOMPARE(load.outcome, outcome);
        QCOMPARE(load.settings.email.user, outcome == LoadOutcome::Loaded ? "mailer" : "");
        QCOMPARE(load.settings.email.authenticate + load.settings.dynDns.enabled,
                 outcome == LoadOutcome::Loaded ? 1 : 0);
        QCOMPARE(test::readAll(path), content);
        const bool kept = outcome == LoadOutcome::TooShort;
        QCOMPARE(test::readAll(path + ".bak"), kept ? content : QByteArray());
        QCOMPARE(test::fileMode(path + ".bak"), kept ? 0600 : -1);
    }

    // The enabling rules follow the ticks, loaded in any order or clicked: "Use
    // Authentication" ticked, "Send E-Mail to:" not, enables no credentials.
    void enablingRulesFollowTheTicks()
    {
        QList<QByteArray> lines = kLines;
        lines[0] = " 0 ";
        Model model;
        model.setSettings(parsed(joined(lines)));
        MainWindow window(model);
        const Ui::MainWindow& ui = window.ui();
        QVERIFY(!ui.smtpUserEdit->isEnabled() && !ui.authenticateCheck->isEnabled());
        QVERIFY(ui.dynDnsHostEdit->isEnabled() && !ui.ftpServerEdit->isEnabled());
        ui.sendEmailCheck->click();
        QVERIFY(ui.smtpUserEdit->isEnabled() && ui.smtpPasswordEdit->isEnabled());
        // Every setting went into its control and came back: a box the window dropped or
        // swapped would show here.
        QCOMPARE(settingsText(model.settings()), settingsText([&] {
                     lines[0] = " 1 ";
                     return parsed(joined(lines));
                 }()));
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
