#include "TestSupport.h"

#include "address/AddressLookup.h"
#include "platform/Network.h"

#include <QTest>

using namespace quillet;
using platform::Adapter;

Q_DECLARE_METATYPE(QList<quillet::platform::Adapter>)

namespace {

Adapter nic(const QString& name, const QString& ip, bool loopback = false)
{
    Adapter a;
    a.name = name;
    a.firstIPv4 = ip;
    a.loopback = loopback;
    return a;
}

// Fixed-size platform buffers come back padded with NULs.
QString padded(const QString& text)
{
    return text + QString(32, QChar(u'\0')) + QStringLiteral("junk");
}

} // namespace

class TestAdapters : public QObject {
    Q_OBJECT

private slots:
    void init() { test::resetSeams(); }
    void cleanup() { test::resetSeams(); }

    void internalIp_data()
    {
        QTest::addColumn<QList<Adapter>>("adapters");
        QTest::addColumn<QString>("expected");
        const Adapter lo = nic(QStringLiteral("lo"), QStringLiteral("127.0.0.1"), true);
        const Adapter eth = nic(QStringLiteral("eth0"), QStringLiteral("192.168.1.20"));
        const Adapter wlan = nic(QStringLiteral("wlan0"), QStringLiteral("10.1.2.3"));
        QTest::newRow("loopback listed first") << QList<Adapter>{lo, eth} << eth.firstIPv4;
        QTest::newRow("loopback whatever its address")
            << QList<Adapter>{nic(QStringLiteral("lo"), QStringLiteral("10.9.9.9"), true), eth}
            << eth.firstIPv4;
        QTest::newRow("no address passed over")
            << QList<Adapter>{nic(QStringLiteral("eth0"), {}), wlan} << wlan.firstIPv4;
        QTest::newRow("0.0.0.0 passed over")
            << QList<Adapter>{nic(QStringLiteral("eth0"), QStringLiteral("0.0.0.0")), wlan}
            << wlan.firstIPv4;
        QTest::newRow("padded 0.0.0.0 passed over")
            << QList<Adapter>{nic(QStringLiteral("eth0"), padded(QStringLiteral("0.0.0.0"))), wlan}
            << wlan.firstIPv4;
        QTest::newRow("platform order kept") << QList<Adapter>{wlan, eth} << wlan.firstIPv4;
        QTest::newRow("platform order kept, reversed")
            << QList<Adapter>{eth, wlan} << eth.firstIPv4;
        QTest::newRow("NUL padding cut")
            << QList<Adapter>{nic(QStringLiteral("eth0"), padded(QStringLiteral("10.0.0.7")))}
            << QStringLiteral("10.0.0.7");
        QTest::newRow("no adapters") << QList<Adapter>{} << QString();
        QTest::newRow("only loopback") << QList<Adapter>{lo} << QString();
    }
    void internalIp()
    {
        QFETCH(QList<Adapter>, adapters);
        QFETCH(QString, expected);
        platform::setAdapterListSourceForTesting([adapters] { return adapters; });
        QCOMPARE(GetInternalIP(), expected);
    }
};

QTEST_MAIN(TestAdapters)
#include "tst_adapters.moc"
