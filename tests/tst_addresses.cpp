// The addresses: the echo page over a real HTTP server, the downloads under it, the
// adapters' internal address.
#include "TestSupport.h"

#include "address/AddressLookup.h"
#include "platform/Network.h"
#include "platform/VersionInfo.h"

#include <QTcpServer>

using namespace quillet;
using platform::Adapter;
using test::header;

namespace {
using LookUp = void (*)(const QString&, std::function<void(const Lookup&)>);
// What one lookup of the hooked echo pages found: its address and what it notes, or why there
// is none.
QString lookUp(LookUp lookUp = lookUpExternalAddress, const QString& lastKnown = {})
{
    std::optional<Lookup> found;
    lookUp(lastKnown, [&found](const Lookup& lookup) { found = lookup; });
    (void)QTest::qWaitFor([&found] { return found.has_value(); }, 20000);
    const Lookup lookup = found.value_or(Lookup{});
    return (QStringList{lookup.address.isEmpty() ? lookup.problem : lookup.address} + lookup.notes)
        .join(" | ");
}
} // namespace

class TestAddresses : public QObject {
    Q_OBJECT
    test::HttpPeer peer;
    QTcpServer silent; // accepts and never answers
    test::Hooks hooks;

private slots:
    void initTestCase() { QVERIFY(peer.ok() && silent.listen(QHostAddress::LocalHost)); }

    // Only a dotted IPv4 address that can be someone's is an address; anything else is a
    // failed lookup that says why, never after more than the time-outs. A private address, or
    // the providers' shared NAT's, is taken with a note.
    void externalIp_data()
    {
        QTest::addColumn<QByteArray>("answer"); // "STATUS n" first: served with that status;
                                                // "silent", "refused": no page
        QTest::addColumn<QString>("expected");  // the address, or how the problem begins
        const QString cannot = "Cannot reach 127.0.0.1:%1: ";
        const QString no = "The echo page answered something that is not an address";
        QList<std::pair<QByteArray, QString>> rows = {
            {" \t192.0.2.44\r\n", "192.0.2.44"},
            {"<html>Log in</html>", no},
            {"192.0.2.44\n192.0.2.45", no},
            {"2001:db8::1", no},
            {"192.0.2.256", no},
            {QByteArray("192.0.2.44").leftJustified(65), cannot + "Answer larger than 64"},
            {"STATUS 404\n192.0.2.44", cannot + "HTTP status 404"},
            {"silent", cannot + "Timeout after "},
            {"refused", cannot + "Connection refused"},
            {"100.128.0.1", "100.128.0.1"},
            {"172.32.0.1", "172.32.0.1"}};
        for (const char* noOnes : {"0.0.0.0", "0.1.2.3", "127.0.0.1", "169.254.1.1", "224.0.0.1",
                                   "240.0.0.1", "255.255.255.255"})
            rows.append({noOnes, QStringLiteral("The echo page answered %1, which").arg(noOnes)});
        for (const char* behind :
             {"10.1.2.3", "172.31.0.1", "192.168.1.1", "100.64.0.1", "100.127.255.254"})
            rows.append({behind, QStringLiteral("%1 | This computer sits behind").arg(behind)});
        for (const auto& [answer, expected] : rows)
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
        hooks.echoHost = QStringLiteral("127.0.0.1:%1").arg(port);
        const QString found = lookUp();
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(found == expected ||
                     (expected.contains(' ') && found.startsWith(expected.arg(port))),
                 qPrintable(found));
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

    // The echo page alone while it answers the last known address; else the further pages
    // too, and two that agree, with no other address as many answers, decide. One that
    // answers alone is taken as unconfirmed.
    void sourcesAgree_data()
    {
        QTest::addColumn<QByteArrayList>("answers"); // the echo page's, then /a, /b and /c's
        QTest::addColumn<QString>("expected");
        for (const auto& [name, answers, expected] : QList<std::array<const char*, 3>>{
                 {"quiet", "1.2.3.4 9.9.9.9 9.9.9.9 9.9.9.9", "1.2.3.4"},
                 {"agreed", "5.6.7.8 5.6.7.8 - 1.2.3.4", "5.6.7.8"}, // "-": down
                 {"first wrong", "9.9.9.9 1.2.3.4 1.2.3.4 <html>", "1.2.3.4"},
                 {"first down", "- 5.6.7.8 127.0.0.1 5.6.7.8", "5.6.7.8"},
                 {"one reachable", "- - 5.6.7.8 -",
                  "5.6.7.8 | Unconfirmed: only 127.0.0.1:%1/b answered"},
                 {"split", "5.6.7.8 6.6.6.6 7.7.7.7 -",
                  "The sources disagree: 127.0.0.1:%1 said 5.6.7.8, 127.0.0.1:%1/a said "
                  "6.6.6.6, 127.0.0.1:%1/b said 7.7.7.7"},
                 {"tied", "5.6.7.8 5.6.7.8 6.6.6.6 6.6.6.6", "The sources disagree: "},
                 {"none", "- - - -", "Cannot reach 127.0.0.1:%1: HTTP status 503"}})
            QTest::newRow(name) << QByteArray(answers).split(' ') << QString(expected);
    }
    void sourcesAgree()
    {
        QFETCH(QByteArrayList, answers);
        QFETCH(QString, expected);
        QStringList more;
        for (const QString at : {"", ".a", ".b", ".c"}) {
            const QByteArray answer = answers[more.size()];
            peer.answer(answer == "-" ? "STATUS 503\n" : answer, at);
            more << QStringLiteral("http://127.0.0.1:%1/%2/").arg(peer.port()).arg(at.mid(1));
        }
        hooks.moreEchoPages = more.mid(1);
        const qsizetype before = peer.requests().size();
        hooks.echoHost = peer.hostPort();
        const QString found = lookUp(lookUpExternalAddress, "1.2.3.4");
        hooks.moreEchoPages = QStringList();
        QVERIFY2(found.startsWith(expected.arg(peer.port())), qPrintable(found));
        QCOMPARE(peer.requests().size() - before, answers[0] == "1.2.3.4" ? 1 : 4);
    }

    // On a host of both families each page is asked over its own family: the IPv4 one
    // answers the loopback's IPv4 address, the IPv6 one its IPv6 address (neither anyone's).
    void shippedEchoPage()
    {
        const quint16 port = test::unusedPort();
        test::PeerProcess server;
        QVERIFY(server.start(QStringLiteral("/usr/bin/php"),
                             {"-S", QStringLiteral("[::]:%1").arg(port), "-t", QUILLET_SERVER_DIR},
                             port));
        hooks.echoHost = hooks.echo6Host = QStringLiteral("localhost:%1").arg(port);
        QCOMPARE(lookUp(), "The echo page answered 127.0.0.1, which is no one's address");
        QCOMPARE(lookUp(lookUpExternalIPv6Address),
                 "The IPv6 echo page answered ::1, which is no one's address");
        hooks.echoHost = QStringLiteral("[::1]:%1").arg(port); // never over IPv6
        QVERIFY(lookUp().startsWith("Cannot reach [::1]"));
    }

    // Over IPv6 one IPv6 address, in its usual form, is the answer; another family's, a
    // scoped one, or one nobody is reached at is none.
    void externalIPv6()
    {
        test::HttpPeer peer6({}, "::1");
        QVERIFY(peer6.ok());
        hooks.echo6Host = peer6.hostPort();
        const QString no = "The IPv6 echo page answered something that is not an IPv6 address";
        QList<std::pair<QByteArray, QString>> rows = {
            {" 2001:DB8:0:0::7\r\n", "2001:db8::7"}, {"1.2.3.4", no}, {"fe80::1%eth0", no}};
        for (const char* noOnes : {"fe80::1", "::1", "ff02::1", "::", "::ffff:1.2.3.4"})
            rows.append({noOnes, QStringLiteral("The IPv6 echo page answered %1, which is no "
                                                "one's address")
                                     .arg(noOnes)});
        for (const auto& [answer, expected] : rows) {
            peer6.answer(answer);
            QCOMPARE(lookUp(lookUpExternalIPv6Address), expected);
        }
    }

    // The first adapter with a usable address that is no loopback, in the platform's order;
    // for IPv6 a global one, stable before temporary.
    void internalIp()
    {
        const Adapter lo{"lo", "10.9.9.9", true, {{"2001:db8::99", false}}};
        const Adapter eth{"eth0",
                          "192.168.1.20",
                          false,
                          {{"fe80::1", false},
                           {"fd00::5", false},
                           {"2001:db8::9", true},
                           {"2001:db8::5", false}}};
        const Adapter none{"eth1", "0.0.0.0", false};
        const Adapter wlan{"wlan0", "10.1.2.3", false, {{"2001:db8::a", true}}};
        for (const auto& [adapters, expected] : QList<std::pair<QList<Adapter>, QString>>{
                 {{lo, none, eth, wlan}, "192.168.1.20 2001:db8::5"},
                 {{wlan, eth}, "10.1.2.3 2001:db8::a"},
                 {{lo}, " "}}) {
            hooks.adapters = adapters;
            QCOMPARE(internalAddress() + " " + internalIPv6Address(), expected);
        }
    }
};

QTEST_MAIN(TestAddresses)
#include "tst_addresses.moc"
