#include "TestSupport.h"

#include "core/ConfigFile.h"
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
            "http://example.net/?ip=$EXTIP$&lan=$INTIP$"};
}

QByteArray joinLines(const QList<QByteArray>& lines, const QByteArray& end = "\r\n")
{
    QByteArray out;
    for (const QByteArray& l : lines)
        out += l + end;
    return out;
}

} // namespace

class TestConfigFile : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("config.txt")); }

private slots:
    void init() { QFile::remove(path()), QFile::remove(path() + QStringLiteral(".bak")); }

    void loadAppliesEveryLineAndSaveWritesItBack()
    {
        QVERIFY(writeAll(path(), joinLines(sampleLines())));
        frmMain form;
        QCOMPARE(LoadConfig(form, path()), LoadOutcome::Loaded);

        // Texts lose their blanks at both ends only, passwords included.
        QCOMPARE(form.txtEmailRecipient->text(), QStringLiteral("me@example.net"));
        QCOMPARE(form.txtSMTPpassword->text(), QStringLiteral("pass word"));
        QCOMPARE(form.txtFTPpassword->text(), QStringLiteral("p@ss:w/rd#"));
        QCOMPARE(form.txtSMTPport->text(), QStringLiteral("2525"));
        QCOMPARE(form.txtExecuteURL->text(),
                 QStringLiteral("http://example.net/?ip=$EXTIP$&lan=$INTIP$"));
        QCOMPARE(checkValue(form.chkSendEmail), 1);
        QCOMPARE(checkValue(form.chkAuthentication), 1);
        QCOMPARE(checkValue(form.chkUploadFile), 0);
        QCOMPARE(checkValue(form.chkUpdateDynDNS), 1);
        // The enabling rules followed the loaded ticks.
        QVERIFY(form.txtSMTPuser->isEnabled());
        QVERIFY(!form.txtFTPserver->isEnabled());
        QCOMPARE(form.txtFTPserver->text(), QStringLiteral("ftp.example.net"));
        QVERIFY(form.txtDDNShostname->isEnabled());

        QVERIFY(SaveConfig(form, path()));
        QList<QByteArray> expected = sampleLines();
        expected[1] = "me@example.net";
        expected[7] = "pass word";
        QCOMPARE(readAll(path()), joinLines(expected));
    }

    void designValuesAreWrittenAsTwentyOneLines()
    {
        frmMain form;
        QVERIFY(SaveConfig(form, path()));
        QCOMPARE(readAll(path()),
                 QByteArray(" 0 \r\n\r\n\r\n25\r\n\r\n 0 \r\n\r\n\r\n 0 \r\n\r\n\r\n21\r\n\r\n\r\n"
                            "/\r\n 0 \r\n\r\n\r\n\r\n 0 \r\nhttp://\r\n"));
    }

    void savedFileIsPrivateAndReplacedWhole()
    {
        QVERIFY(writeAll(path(), QByteArray(5000, 'x')));
        QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ReadOther | QFileDevice::ReadGroup);
        frmMain form;
        form.txtFTPpassword->setText(QStringLiteral("secret"));
        QVERIFY(SaveConfig(form, path()));
        QCOMPARE(QFileInfo(path()).permissions() &
                     ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(readAll(path()).count("\r\n"), kConfigLines);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("config.txt")});
    }

    void failedSaveSaysWhy()
    {
        frmMain form;
        QString error;
        QVERIFY(!SaveConfig(form, dir.filePath(QStringLiteral("gone/config.txt")), &error));
        QVERIFY(!error.isEmpty());
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
        QTest::newRow("five") << "5" << -1;
        QTest::newRow("minus one") << "-1" << -1;
        QTest::newRow("exponent") << "1e1" << -1;
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
        QVERIFY(writeAll(path(), joinLines(lines)));
        frmMain form;
        QCOMPARE(LoadConfig(form, path()), LoadOutcome::Loaded);
        QCOMPARE(checkValue(form.chkAuthentication), 0);
        QCOMPARE(form.txtSMTPuser->text(), QStringLiteral("mailer"));
        QCOMPARE(form.txtExecuteURL->text(),
                 QStringLiteral("http://example.net/?ip=$EXTIP$&lan=$INTIP$"));
        QCOMPARE(checkValue(form.chkUpdateDynDNS), 1);
    }

    void shortFileLoadsNothingAndIsKept()
    {
        QList<QByteArray> lines = sampleLines();
        lines.removeLast();
        const QByteArray content = joinLines(lines);
        QVERIFY(writeAll(path(), content));
        frmMain form;
        QCOMPARE(LoadConfig(form, path()), LoadOutcome::TooShort);
        QCOMPARE(checkValue(form.chkSendEmail), 0);
        QCOMPARE(form.txtSMTPport->text(), QStringLiteral("25"));
        QCOMPARE(readAll(path() + QStringLiteral(".bak")), content);
    }

    void lineEndsOfOtherEditorsAndMissingLastEnd()
    {
        QList<QByteArray> lines = sampleLines();
        QByteArray content = joinLines(lines, "\n");
        content.chop(1);            // no line end after the 21st line
        content += "\r\nextra\r\n"; // lines past the 21st are ignored
        QVERIFY(writeAll(path(), content));
        frmMain form;
        QCOMPARE(LoadConfig(form, path()), LoadOutcome::Loaded);
        QCOMPARE(form.txtDDNShostname->text(), QStringLiteral("home.example.net"));
        QCOMPARE(form.txtExecuteURL->text(),
                 QStringLiteral("http://example.net/?ip=$EXTIP$&lan=$INTIP$"));
    }

    void highBytesSurviveTheRoundTrip()
    {
        QList<QByteArray> lines = sampleLines();
        lines[13] = "p\x80\x81\xe9\xff";
        QVERIFY(writeAll(path(), joinLines(lines)));
        frmMain form;
        QCOMPARE(LoadConfig(form, path()), LoadOutcome::Loaded);
        QCOMPARE(form.txtFTPpassword->text(), QStringLiteral(u"p\u20AC\u0081\u00E9\u00FF"));
        QVERIFY(SaveConfig(form, path()));
        QVERIFY(readAll(path()).contains("\r\np\x80\x81\xe9\xff\r\n"));
    }

    void enablingRulesWhateverTheLoadOrder()
    {
        // "Use Authentication" ticked, "Send E-Mail to:" not.
        QList<QByteArray> lines = sampleLines();
        lines[0] = " 0 ";
        QVERIFY(writeAll(path(), joinLines(lines)));
        frmMain form;
        LoadConfig(form, path());
        QVERIFY(!form.txtSMTPuser->isEnabled());
        QVERIFY(!form.chkAuthentication->isEnabled());

        form.chkSendEmail->click();
        QVERIFY(form.txtSMTPuser->isEnabled() && form.txtSMTPpassword->isEnabled());
        QVERIFY(form.txtEmailRecipient->isEnabled() && form.chkAuthentication->isEnabled());

        form.chkAuthentication->click();
        QVERIFY(!form.txtSMTPuser->isEnabled() && !form.txtSMTPpassword->isEnabled());
        form.chkAuthentication->click();
        QVERIFY(form.txtSMTPuser->isEnabled());

        form.chkSendEmail->click();
        for (QWidget* w :
             {static_cast<QWidget*>(form.txtEmailRecipient),
              static_cast<QWidget*>(form.txtEmailFrom), static_cast<QWidget*>(form.txtSMTPServer),
              static_cast<QWidget*>(form.txtSMTPport),
              static_cast<QWidget*>(form.chkAuthentication),
              static_cast<QWidget*>(form.txtSMTPuser), static_cast<QWidget*>(form.txtSMTPpassword)})
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
        // Disabling keeps both the tick and the texts.
        QCOMPARE(checkValue(form.chkAuthentication), 1);
        QCOMPARE(form.txtSMTPuser->text(), QStringLiteral("mailer"));

        form.chkUploadFile->click();
        QVERIFY(form.txtFTPpath->isEnabled() && form.txtFileName->isEnabled());
        form.chkExecuteURL->click();
        QVERIFY(form.txtExecuteURL->isEnabled());
        form.chkUpdateDynDNS->click();
        QVERIFY(!form.txtDDNSusername->isEnabled());
    }
};

QTEST_MAIN(TestConfigFile)
#include "tst_configfile.moc"
