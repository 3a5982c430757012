// The addresses: the echo page over a real HTTP server, the downloads under it, the
// adapters' internal address.
#include "TestSupport.h"

#include "address/AddressLookup.h"
#include "platform/Network.h"
#include "platform/VersionInfo.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTest>

using namespace quillet;
using platform::Adapter;
using test::header;

namespace {
// The external address as one lookup finds it, the page served at `port`.
Lookup lookUp(test::Hooks& hooks, quint16 port, const QString& host = "127.0.0.1")
{
    hooks.echoHost = QStringLiteral("%1:%2").arg(host).arg(port);
    std::optional<Lookup> found;
    lookUpExternalAddress([&found](const Lookup& lookup) { found = lookup; });
    (void)QTest::qWaitFor([&found] { return found.has_value(); }, 20000);
    return found.value_or(Lookup{});
}
} // namespace

class TestAddresses : public QObject {
    Q_OBJECT
    test::HttpPeer peer;
    QTcpServer silent; // accepts and never answers
    test::Hooks hooks;

private slots:
    void initTestCase() { QVERIFY(peer.ok() && silent.listen(QHostAddress::LocalHost)); }

    // Only a dotted IPv4 address is an address; anything else is a failed lookup that says
    // why, never after more than the time-outs.
    void externalIp_data()
    {
        QTest::addColumn<QByteArray>("answer"); // "STATUS n" first: served with that status;
                                                // "silent", "refused": no page
        QTest::addColumn<QString>("expected");  // the address, or how the problem begins
        const QString cannot = "Cannot reach 127.0.0.1:%1: ";
        const QString no = "The echo page answered something that is not an address";
        for (const auto& [answer, expected] : QList<std::pair<QByteArray, QString>>{
                 {" \t192.0.2.44\r\n", "192.0.2.44"},
                 {"<html>Log in</html>", no},
                 {"192.0.2.44\n192.0.2.45", no},
                 {"2001:db8::1", no},
                 {"192.0.2.256", no},
                 {"0.0.0.0", "The echo page answered 0.0.0.0"},
                 {QByteArray("192.0.2.44").leftJustified(65), cannot + "Answer larger than 64"},
                 {"STATUS 404\n192.0.2.44", cannot + "HTTP status 404"},
                 {"silent", cannot + "Timeout after "},
                 {"refused", cannot + "Connection refused"}})
            QTest::addRow("%s", answer.simplified().left(24).constData()) << answer << expected;
    }
    void externalIp()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QString, expected);
        peer.answer(answer);
        hooks.transferTimeouts = {std::chrono::milliseconds(1000), std::chrono::milliseconds(1500)};
        const quint16 port = answer == "silent"    ? silent.serverPort()
                             : answer == "refused" ? test::unusedPort()
                                                   : peer.port();
        const qsizetype before = peer.requests().size();
        QElapsedTimer clock;
        clock.start();
        const Lookup lookup = lookUp(hooks, port);
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2((lookup.address + lookup.problem).startsWith(expected.arg(port)),
                 qPrintable(lookup.problem));
        if (port != peer.port())
            return;
        const QList<QVariantMap> requests = peer.requests().mid(before);
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].value("path").toString(), "/getip_quillet_paidusers.php");
        QCOMPARE(header(requests[0], "cache-control"), "no-cache");
        QCOMPARE(header(requests[0], "user-agent"), QStringLiteral("Tarnwick Quillet/%1.%2.%3")
                                                        .arg(platform::versionRecord().major)
                                                        .arg(platform::versionRecord().minor)
                                                        .arg(platform::versionRecord().revision));
    }

    // On a host of both families the page is asked over IPv4: at an IPv6 address, never.
    void shippedEchoPage()
    {
        const quint16 port = test::unusedPort();
        test::PeerProcess server;
        QVERIFY(server.start(QStringLiteral("/usr/bin/php"),
                             {"-S", QStringLiteral("[::]:%1").arg(port), "-t", QUILLET_SERVER_DIR},
                             port));
        QCOMPARE(lookUp(hooks, port).address, QStringLiteral("127.0.0.1"));
        QVERIFY2(lookUp(hooks, port, "[::1]").problem.startsWith("Cannot reach [::1]"),
                 qPrintable(lookUp(hooks, port, "[::1]").problem));
    }

    // The first adapter with a usable address that is no loopback, in the platform's order.
    void internalIp()
    {
        const Adapter lo{QStringLiteral("lo"), QStringLiteral("10.9.9.9"), true};
        const Adapter eth{QStringLiteral("eth0"), QStringLiteral("192.168.1.20"), false};
        const Adapter none{QStringLiteral("eth1"), QStringLiteral("0.0.0.0"), false};
        const Adapter wlan{QStringLiteral("wlan0"), QStringLiteral("10.1.2.3"), false};
        for (const auto& [adapters, expected] : QList<std::pair<QList<Adapter>, QString>>{
                 {{lo, none, eth, wlan}, "192.168.1.20"}, {{wlan, eth}, "10.1.2.3"}, {{lo}, ""}}) {
            hooks.adapters = adapters;
            QCOMPARE(internalAddress(), expected);
        }
    }
};

QTEST_MAIN(TestAddresses)
#include "tst_addresses.moc"
