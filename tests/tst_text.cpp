#include "TestSupport.h"

#include "core/Ansi.h"
#include "core/DateText.h"
#include "core/Endpoints.h"
#include "core/Quillet.h"
#include "core/TextUtil.h"
#include "platform/VersionInfo.h"

#include <QLocale>
#include <QTest>

using namespace quillet;

class TestText : public QObject {
    Q_OBJECT

private slots:
    void init() { test::resetSeams(); }
    void cleanup()
    {
        test::resetSeams();
        QLocale::setDefault(QLocale::system());
    }

    void everyByteSurvives()
    {
        QByteArray bytes;
        for (int b = 0; b <= 0xFF; ++b)
            bytes.append(static_cast<char>(b));
        const QString text = fromAnsi(bytes);
        QCOMPARE(text.size(), bytes.size());
        QCOMPARE(toAnsi(text), bytes);
    }

    void codePage_data()
    {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("unicode");
        QTest::newRow("euro") << 0x80 << 0x20AC;
        QTest::newRow("Y diaeresis") << 0x9F << 0x0178;
        QTest::newRow("right single quote") << 0x92 << 0x2019;
        QTest::newRow("undefined 0x81") << 0x81 << 0x0081;
        QTest::newRow("undefined 0x9D") << 0x9D << 0x009D;
        QTest::newRow("e acute") << 0xE9 << 0x00E9;
    }
    void codePage()
    {
        QFETCH(int, byte);
        QFETCH(int, unicode);
        const QByteArray one(1, static_cast<char>(byte));
        const QString character(QChar(static_cast<char16_t>(unicode)));
        QCOMPARE(fromAnsi(one), character);
        QCOMPARE(toAnsi(character), one);
    }

    void outsideCodePage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("CJK") << QStringLiteral("a\u4E2Db") << QByteArray("a?b");
        QTest::newRow("emoji beyond the basic plane")
            << QStringLiteral("a\U0001F600b") << QByteArray("a?b");
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray("?");
    }
    void outsideCodePage()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, expected);
        QCOMPARE(toAnsi(text), expected);
    }

    void trimBlanks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("spaces") << QStringLiteral("  a b  ") << QStringLiteral("a b");
        QTest::newRow("only spaces") << QStringLiteral("   ") << QString();
        QTest::newRow("tabs stay") << QStringLiteral("\ta\t") << QStringLiteral("\ta\t");
        QTest::newRow("line breaks stay")
            << QStringLiteral(" \r\nx\r\n ") << QStringLiteral("\r\nx\r\n");
        QTest::newRow("no-break space stays")
            << QStringLiteral("\u00A0x ") << QStringLiteral("\u00A0x");
    }
    void trimBlanks()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(TrimBlanks(text), expected);
    }

    void trimNull_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QString nul(QChar(u'\0'));
        QTest::newRow("none") << QStringLiteral("abc") << QStringLiteral("abc");
        QTest::newRow("padding") << QStringLiteral("abc") + nul + nul << QStringLiteral("abc");
        QTest::newRow("first NUL counts")
            << QStringLiteral("ab") + nul + QStringLiteral("cd") + nul << QStringLiteral("ab");
        QTest::newRow("leading NUL") << nul + QStringLiteral("abc") << QString();
    }
    void trimNull()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(TrimNull(text), expected);
    }

    void dateAndTime_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        const QDateTime morning(QDate(2026, 3, 4), QTime(5, 6, 7));
        const QDateTime lateNight(QDate(2024, 12, 31), QTime(23, 59, 59));
        for (const char* name : {"en_US", "de_DE", "ar_EG"}) {
            QTest::addRow("%s leading zeros", name)
                << QString::fromLatin1(name) << morning << QStringLiteral("03-04-2026")
                << QStringLiteral("05:06:07");
            QTest::addRow("%s 24-hour", name)
                << QString::fromLatin1(name) << lateNight << QStringLiteral("12-31-2024")
                << QStringLiteral("23:59:59");
        }
    }
    void dateAndTime()
    {
        QFETCH(QString, locale);
        QFETCH(QDateTime, when);
        QFETCH(QString, date);
        QFETCH(QString, time);
        QLocale::setDefault(QLocale(locale));
        QCOMPARE(DateText(when), date);
        QCOMPARE(TimeText(when), time);
        setClockForTesting([when] { return when; });
        QCOMPARE(NowStamp(), date + QLatin1Char(' ') + time);
    }

    void appTitle()
    {
        const platform::VersionRecord version{QStringLiteral("Tarnwick"), QStringLiteral("Quillet"),
                                              2, 5, 6};
        QCOMPARE(BuildAppTitle(version), QStringLiteral("Tarnwick Quillet 2.5.6"));
    }

    void dynDnsDomain_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("expected");
        QTest::newRow("service host")
            << QStringLiteral("members.dyndns.org") << QStringLiteral("dyndns.org");
        QTest::newRow("with port")
            << QStringLiteral("members.dyndns.org:8245") << QStringLiteral("dyndns.org");
        QTest::newRow("address with port")
            << QStringLiteral("127.0.0.1:8080") << QStringLiteral("127.0.0.1");
        QTest::newRow("two labels")
            << QStringLiteral("example.com") << QStringLiteral("example.com");
        QTest::newRow("IPv6 with port") << QStringLiteral("[::1]:8245") << QStringLiteral("::1");
    }
    void dynDnsDomain()
    {
        QFETCH(QString, host);
        QFETCH(QString, expected);
        QCOMPARE(quillet::dynDnsDomain(host), expected);
    }
};

QTEST_MAIN(TestText)
#include "tst_text.moc"
