#include "TestSupport.h"

#include "app/ConfigFile.h"
#include "core/Model.h"
#include "ui/TrayMenu.h"
#include "ui/frmMain.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

using namespace quillet;
using quillet::test::readAll;
using quillet::test::writeAll;

namespace {

// The 21 lines of a file, in the order the file keeps them.
QList<QByteArray> sampleLines()
{
    return {" 1 ",
            "  me@example.net ",
            "smtp.example.net",
            "2525",
            "from@example.net",
            " 1 ",
            "mailer",
            " pass word ",
            " 0 ",
            "ip_office.txt",
            "ftp.example.net",
            "2121",
            "ftpuser",
            "p@ss:w/rd#",
            "/incoming/",
            " 1 ",
            "dduser",
            "ddpass",
            "home.example.net",
            " 0 ",
            "http://example.net/?ip=$EXTIP$&lan=$INTIP$",
            " 2 ",
            " 1 ",
            "dynupdate.no-ip.com:8245",
            " 0 "};
}

QByteArray joinLines(const QList<QByteArray>& lines, const QByteArray& end = "\r\n")
{
    QByteArray out;
    for (const QByteArray& l : lines)
        out += l + end;
    return out;
}

} // namespace

Q_DECLARE_METATYPE(quillet::LoadOutcome)

class TestConfigFile : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("config.txt")); }
    // The settings a whole file gives; a file that does not load shows in the URL.
    static Settings parsed(const QByteArray& bytes)
    {
        Settings settings;
        if (ParseConfig(bytes, settings) != LoadOutcome::Loaded)
            settings.txtExecuteURL = QStringLiteral("(not loaded)");
        return settings;
    }

private slots:
    void init() { QFile::remove(path()), QFile::remove(path() + QStringLiteral(".bak")); }

    void everyLineRoundTrips()
    {
        const Settings s = parsed(joinLines(sampleLines()));
        // Texts lose their blanks at both ends only, passwords included.
        QCOMPARE(s.txtEmailRecipient, QStringLiteral("me@example.net"));
        QCOMPARE(s.txtSMTPpassword, QStringLiteral("pass word"));
        QCOMPARE(s.txtFTPpassword, QStringLiteral("p@ss:w/rd#"));
        QCOMPARE(s.txtExecuteURL, QStringLiteral("http://example.net/?ip=$EXTIP$&lan=$INTIP$"));
        QCOMPARE(s.chkSendEmail + s.chkAuthentication + s.chkUploadFile + s.chkUpdateDynDNS, 3);
        QList<QByteArray> expected = sampleLines();
        expected[1] = "me@example.net";
        expected[7] = "pass word";
        QCOMPARE(ConfigText(s), joinLines(expected));
        // The design values, as a first shutdown writes them.
        QCOMPARE(ConfigText(Settings{}), " 0 \r\n\r\n\r\n25\r\n\r\n 0 \r\n\r\n\r\n 0 "
                                         "\r\n\r\n\r\n21\r\n\r\n\r\n/\r\n 0 \r\n\r\n\r\n\r\n"
                                         " 0 \r\nhttp://\r\n 0 \r\n 0 \r\n" +
                                             dynDnsHost().toLatin1() + "\r\n 1 \r\n");
    }

    // A file of an older version has 21 lines; the newer four take their defaults, as a
    // security that is no choice and an empty service do.
    void olderAndOddNewerLines_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("21 lines") << joinLines(sampleLines().first(21));
        QTest::newRow("no choice, empty service")
            << joinLines(sampleLines().first(21) + QList<QByteArray>{" 7 ", " 0 ", "", " 1 "});
    }
    void olderAndOddNewerLines()
    {
        QFETCH(QByteArray, content);
        const Settings s = parsed(content);
        QCOMPARE(s.txtExecuteURL, QStringLiteral("http://example.net/?ip=$EXTIP$&lan=$INTIP$"));
        QCOMPARE(s.cboSMTPSecurity, 0);
        QCOMPARE(s.chkFTPS, 0);
        QCOMPARE(s.cboDDNSservice, dynDnsHost());
        QCOMPARE(s.chkDDNShttps, 1);
    }

    // Whatever wrote the file, the lines come back as written and none shifts.
    void linesWhateverTheirEnds_data()
    {
        QTest::addColumn<QByteArray>("content");
        QList<QByteArray> lines = sampleLines();
        lines[13] = "p\x80\x81\xe9\xff";
        QTest::newRow("high bytes") << joinLines(lines);
        QTest::newRow("LF, no end after the last, extra lines")
            << joinLines(lines, "\n").chopped(1) + "\r\nextra\r\n";
        QTest::newRow("LF CR") << joinLines(lines, "\n\r");
    }
    void linesWhateverTheirEnds()
    {
        QFETCH(QByteArray, content);
        const Settings s = parsed(content);
        QCOMPARE(s.txtFTPpassword, QStringLiteral(u"p\u20AC\u0081\u00E9\u00FF"));
        QCOMPARE(s.txtExecuteURL, QStringLiteral("http://example.net/?ip=$EXTIP$&lan=$INTIP$"));
        QVERIFY(ConfigText(s).contains("\r\np\x80\x81\xe9\xff\r\n"));
    }

    void checkValues_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("expected"); // -1: no valid box value
        QTest::newRow("written") << " 1 " << 1;
        QTest::newRow("bare digit") << "1" << 1;
        QTest::newRow("decimal") << "1.0" << 1;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("no number") << "yes" << 0;
        QTest::newRow("greyed") << " 2 " << 2;
        QTest::newRow("half to even down") << "0.5" << 0;
        QTest::newRow("half to even up") << "1.5" << 2;
        QTest::newRow("trailing text") << " 1 ticked" << 1;
        QTest::newRow("underflow") << "1e-400" << 0;
        QTest::newRow("five") << "5" << -1;
        QTest::newRow("minus one") << "-1" << -1;
        QTest::newRow("exponent") << "1e1" << -1;
        QTest::newRow("overflow") << "1e400" << -1;
        QTest::newRow("huge") << QString(400, QLatin1Char('9')) << -1;
    }
    void checkValues()
    {
        QFETCH(QString, line);
        QFETCH(int, expected);
        const std::optional<int> value = parseCheckValue(line);
        QCOMPARE(value.value_or(-1), expected);
    }

    void badBoxValueLeavesThatBoxAndLoadsTheRest()
    {
        QList<QByteArray> lines = sampleLines();
        lines[5] = "5"; // "Use Authentication"
        const Settings s = parsed(joinLines(lines));
        QCOMPARE(s.chkAuthentication, 0);
        QCOMPARE(s.txtSMTPuser, QStringLiteral("mailer"));
        QCOMPARE(s.chkUpdateDynDNS, 1);
    }

    // A file that cannot be loaded whole loads nothing and is never lost: too short, it is
    // kept as ".bak" (owner-only: it holds passwords); with a line no edit box could hold,
    // it stays as it is.
    void fileNotLoadedIsKept_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<LoadOutcome>("outcome");
        QList<QByteArray> lines = sampleLines();
        QTest::newRow("too short") << joinLines(lines.first(20)) << LoadOutcome::TooShort;
        lines[20] = QByteArray(kMaxSettingChars + 1, 'u');
        QTest::newRow("line too long") << joinLines(lines) << LoadOutcome::NotLoaded;
    }
    void fileNotLoadedIsKept()
    {
        QFETCH(QByteArray, content);
        QFETCH(LoadOutcome, outcome);
        QVERIFY(writeAll(path(), content));
        QFile::setPermissions(path(), QFile::permissions(path()) | QFileDevice::ReadOther);
        const ConfigLoad load = LoadConfig(path(), Settings{});
        QCOMPARE(load.outcome, outcome);
        QVERIFY(load.settings == Settings{});
        QVERIFY(!load.error.isEmpty());
        QCOMPARE(readAll(path()), content);
        const QString bak = path() + QStringLiteral(".bak");
        QCOMPARE(readAll(bak), outcome == LoadOutcome::TooShort ? content : QByteArray());
        QCOMPARE(test::fileMode(bak), outcome == LoadOutcome::TooShort ? 0600 : -1);
    }

    // The enabling rules follow the loaded ticks, whatever order they are set in: "Use
    // Authentication" ticked, "Send E-Mail to:" not. (tst_window follows the clicks.)
    void enablingRulesFollowTheLoadedTicks()
    {
        QList<QByteArray> lines = sampleLines();
        lines[0] = " 0 ";
        Model model;
        frmMain form(model);
        form.applySettings(parsed(joinLines(lines)));
        QVERIFY(!form.txtSMTPuser->isEnabled() && !form.chkAuthentication->isEnabled());
        QVERIFY(form.txtDDNShostname->isEnabled() && !form.txtFTPserver->isEnabled());
        QVERIFY(form.settings() == parsed(joinLines(lines)));
        form.chkSendEmail->click();
        QVERIFY(form.txtSMTPuser->isEnabled() && form.txtSMTPpassword->isEnabled());
    }
};

QTEST_MAIN(TestConfigFile)
#include "tst_configfile.moc"
