#include "TestSupport.h"

#include "app/Quillet.h"
#include "core/Ansi.h"
#include "core/DateText.h"
#include "core/Endpoints.h"
#include "core/TextUtil.h"
#include "platform/VersionInfo.h"

#include <QLocale>
#include <QTest>

using namespace quillet;

class TestText : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        test::resetSeams();
        QLocale::setDefault(QLocale::system());
    }

    void codePage()
    {
        // That any byte read survives being written back, fuzz_text checks.
        QCOMPARE(fromAnsi("\x80\x92\x9f\xe9"), QStringLiteral(u"\u20AC\u2019\u0178\u00E9"));
        QCOMPARE(fromAnsi("\x81\x9d"), QStringLiteral(u"\u0081\u009D"));
        QCOMPARE(toAnsi(QStringLiteral(u"\u20AC\u2019\u0178\u00E9")),
                 QByteArray("\x80\x92\x9f\xe9"));
        // Outside the code page: one "?" for each character, even beyond the basic plane.
        QCOMPARE(toAnsi(QStringLiteral(u"a\u4E2Db\U0001F600c")), QByteArray("a?b?c"));
        QCOMPARE(toAnsi(QString(QChar(0xD800))), QByteArray("?"));
    }

    void dateAndTimeIgnoreTheLocale()
    {
        const QDateTime morning(QDate(2026, 3, 4), QTime(5, 6, 7));
        const QDateTime lateNight(QDate(2024, 12, 31), QTime(23, 59, 59));
        // Arabic-Indic digits would show any formatting that follows the locale.
        for (const char* name : {"en_US", "de_DE", "ar_EG"}) {
            QLocale::setDefault(QLocale(QString::fromLatin1(name)));
            QCOMPARE(DateText(morning), QStringLiteral("03-04-2026"));
            QCOMPARE(TimeText(morning), QStringLiteral("05:06:07"));
            setClockForTesting([lateNight] { return lateNight; });
            QCOMPARE(NowStamp(), QStringLiteral("12-31-2024 23:59:59"));
        }
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
        QTest::newRow("service host") << "members.dyndns.org"
                                      << "dyndns.org";
        QTest::newRow("with port") << "members.dyndns.org:8245"
                                   << "dyndns.org";
        QTest::newRow("address with port") << "127.0.0.1:8080"
                                           << "127.0.0.1";
        QTest::newRow("two labels") << "example.com"
                                    << "example.com";
        QTest::newRow("IPv6 with port") << "[::1]:8245"
                                        << "::1";
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
