#include "TestSupport.h"

#include "address/AddressLookup.h"
#include "core/Endpoints.h"
#include "platform/Download.h"
#include "platform/VersionInfo.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

using namespace quillet;
using test::header;
using test::HttpPeer;

namespace {

QByteArray urlOf(const HttpPeer& peer)
{
    return "http://" + peer.hostPort().toLatin1() + "/address";
}

// The external address as one lookup finds it.
std::optional<QString> lookUp()
{
    std::optional<std::optional<QString>> found;
    GetExternalIP([&found](const std::optional<QString>& ip) { found = ip; });
    (void)QTest::qWaitFor([&found] { return found.has_value(); }, 20000);
    return found.value_or(std::nullopt);
}

void useEchoPage(quint16 port)
{
    setEchoHostForTesting(QStringLiteral("127.0.0.1:%1").arg(port));
}

} // namespace

class TestDownload : public QObject {
    Q_OBJECT

private slots:
    void init() { test::resetSeams(); }
    void cleanup() { test::resetSeams(); }

    void answerComesWhole_data()
    {
        QTest::addColumn<bool>("fresh");
        QTest::newRow("plain") << false;
        QTest::newRow("fresh answer") << true;
    }
    void answerComesWhole()
    {
        QFETCH(bool, fresh);
        HttpPeer peer;
        QVERIFY(peer.ok());
        QByteArray body = "first line\r\n";
        for (int b = 0x80; b <= 0xFF; ++b)
            body.append(static_cast<char>(b));
        peer.answer(body);

        const platform::DownloadResult result = test::fetch({urlOf(peer), fresh});
        QVERIFY(result.ok);
        QCOMPARE(result.body, body);
        const QList<QVariantMap> requests = peer.requests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(header(requests[0], QStringLiteral("Cache-Control")),
                 fresh ? QStringLiteral("no-cache") : QString());
        // Names company, product and version.
        QCOMPARE(header(requests[0], QStringLiteral("User-Agent")),
                 QStringLiteral("Tarnwick Quillet/%1.%2.%3")
                     .arg(platform::versionRecord().major)
                     .arg(platform::versionRecord().minor)
                     .arg(platform::versionRecord().revision));
    }

    // Each failure says why, in words a user can act on.
    void failuresSayWhy_data()
    {
        QTest::addColumn<QString>("mode"); // of the peer; "none": nothing listens
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");
        QTest::newRow("404") << "serve" << 404 << "HTTP status 404";
        QTest::newRow("silent server") << "hang" << 0 << "Timeout after 2 s";
        QTest::newRow("nothing listening") << "none" << 0 << "Connection refused";
    }
    void failuresSayWhy()
    {
        QFETCH(QString, mode);
        QFETCH(int, status);
        QFETCH(QString, error);
        HttpPeer peer(mode == QLatin1String("none") ? QStringLiteral("serve") : mode);
        QVERIFY(peer.ok());
        peer.answer("no such page", status);
        platform::setTransferTimeoutsForTesting(
            {std::chrono::milliseconds(1000), std::chrono::milliseconds(1500)});
        const QByteArray url =
            mode == QLatin1String("none")
                ? QByteArray("http://127.0.0.1:") + QByteArray::number(test::unusedPort()) + "/"
                : urlOf(peer);
        QElapsedTimer clock;
        clock.start();
        const platform::DownloadResult result = test::fetch({url, true});
        QVERIFY(!result.ok);
        QCOMPARE(result.error, error);
        QCOMPARE(result.httpStatus, static_cast<long>(status));
        QCOMPARE(result.body, status ? QByteArray("no such page") : QByteArray());
        // Never longer than the time-outs; a refused connection does not wait them out.
        QVERIFY2(clock.elapsed() < (mode == QLatin1String("hang") ? 5000 : 1000),
                 qPrintable(QString::number(clock.elapsed())));
    }

    // Only a dotted IPv4 address is an address; anything else is a failed lookup.
    void externalIp_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("status");       // 0: nothing listens
        QTest::addColumn<QString>("expected"); // null: the lookup failed
        QTest::newRow("bare") << QByteArray("192.0.2.44") << 200 << QStringLiteral("192.0.2.44");
        QTest::newRow("CR LF, blanks and tabs around")
            << QByteArray(" \t192.0.2.44\r\n") << 200 << QStringLiteral("192.0.2.44");
        QTest::newRow("empty") << QByteArray() << 200 << QString();
        QTest::newRow("captive portal")
            << QByteArray("<html><body>Log in</body></html>") << 200 << QString();
        QTest::newRow("two lines") << QByteArray("192.0.2.44\n192.0.2.45") << 200 << QString();
        QTest::newRow("IPv6") << QByteArray("2001:db8::1") << 200 << QString();
        QTest::newRow("number over 255") << QByteArray("192.0.2.256") << 200 << QString();
        QTest::newRow("65 bytes") << QByteArray("192.0.2.44") + QByteArray(55, ' ') << 200
                                  << QString();
        QTest::newRow("404") << QByteArray("192.0.2.44") << 404 << QString();
        QTest::newRow("closed port") << QByteArray() << 0 << QString();
    }
    void externalIp()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, status);
        QFETCH(QString, expected);
        HttpPeer peer;
        QVERIFY(peer.ok());
        peer.answer(answer, status);
        useEchoPage(status ? peer.port() : test::unusedPort());

        const std::optional<QString> ip = lookUp();
        QCOMPARE(ip.value_or(QString()), expected);
        const QList<QVariantMap> requests = peer.requests();
        QCOMPARE(requests.size(), status ? 1 : 0);
        for (const QVariantMap& request : requests) {
            QCOMPARE(request.value(QStringLiteral("path")).toString(),
                     QStringLiteral("/getip_quillet_paidusers.php"));
            QCOMPARE(header(request, QStringLiteral("Cache-Control")), QStringLiteral("no-cache"));
        }
    }

    void shippedEchoPage()
    {
        const QString php = QStringLiteral("/usr/bin/php");
        QVERIFY2(QFile::exists(php), "PHP is needed to serve the shipped echo page");
        const quint16 port = test::unusedPort();
        const QString hostPort = QStringLiteral("127.0.0.1:%1").arg(port);
        test::PeerProcess server;
        QVERIFY2(server.startAndWaitForPort(
                     php,
                     {QStringLiteral("-S"), hostPort, QStringLiteral("-t"), QUILLET_SERVER_DIR},
                     port),
                 qPrintable(server.errorText()));
        useEchoPage(port);

        const std::optional<QString> ip = lookUp();
        QVERIFY(ip.has_value());
        QCOMPARE(*ip, QStringLiteral("127.0.0.1"));
    }
};

QTEST_MAIN(TestDownload)
#include "tst_download.moc"
