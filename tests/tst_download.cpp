#include "TestSupport.h"

#include "address/modGetIP.h"
#include "core/Endpoints.h"
#include "platform/Download.h"
#include "platform/ProgramDir.h"
#include "platform/VersionInfo.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace quillet;
using test::header;
using test::HttpPeer;

namespace {

QString urlOf(const HttpPeer& peer)
{
    return QStringLiteral("http://%1/address").arg(peer.hostPort());
}

// Everything in `dir`, so a stray temporary file of a failed transfer shows up too.
QStringList entries(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// GetExternalIP asks the echo page on 127.0.0.1:`port` and keeps its scratch file in `dir`.
void useEchoPage(const QTemporaryDir& dir, quint16 port)
{
    platform::setProgramDirectoryForTesting(dir.path());
    setEchoHostForTesting(QStringLiteral("127.0.0.1:%1").arg(port));
}

} // namespace

class TestDownload : public QObject {
    Q_OBJECT

private slots:
    void init() { test::resetSeams(); }
    void cleanup() { test::resetSeams(); }

    void answerLandsInFile_data()
    {
        QTest::addColumn<bool>("fresh");
        QTest::addColumn<bool>("existing");
        QTest::newRow("plain") << false << false;
        QTest::newRow("fresh answer") << true << false;
        QTest::newRow("replaces earlier file") << true << true;
    }
    void answerLandsInFile()
    {
        QFETCH(bool, fresh);
        QFETCH(bool, existing);
        HttpPeer peer;
        QVERIFY(peer.ok());
        QByteArray body = "first line\r\n";
        for (int b = 0x80; b <= 0xFF; ++b)
            body.append(static_cast<char>(b));
        peer.answer(body);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("answer.txt"));
        if (existing)
            QVERIFY(test::writeAll(target, QByteArray(4096, 'x')));

        QVERIFY(DownloadFile(urlOf(peer), target, fresh));
        QCOMPARE(test::readAll(target), body);
        QCOMPARE(entries(dir), QStringList{QStringLiteral("answer.txt")});

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

    void errorStatusIsFailure_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("existing");
        for (const int status : {404, 500}) {
            QTest::addRow("%d", status) << status << false;
            QTest::addRow("%d over earlier file", status) << status << true;
        }
    }
    void errorStatusIsFailure()
    {
        QFETCH(int, status);
        QFETCH(bool, existing);
        HttpPeer peer;
        QVERIFY(peer.ok());
        peer.answer("no such page", status);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("answer.txt"));
        if (existing)
            QVERIFY(test::writeAll(target, "203.0.113.9"));

        const platform::DownloadResult result =
            platform::downloadToFile({urlOf(peer).toLatin1(), false}, target);
        QVERIFY(!result.ok);
        QCOMPARE(result.httpStatus, static_cast<long>(status));
        QCOMPARE(result.errorBody, QByteArray("no such page"));
        QVERIFY(!DownloadFile(urlOf(peer), target));
        if (existing) {
            QCOMPARE(test::readAll(target), QByteArray("203.0.113.9"));
            QCOMPARE(entries(dir), QStringList{QStringLiteral("answer.txt")});
        } else {
            QCOMPARE(entries(dir), QStringList());
        }
    }

    void silentServerTimesOut()
    {
        HttpPeer peer(QStringLiteral("hang"));
        QVERIFY(peer.ok());
        platform::setTransferTimeoutsForTesting(
            {std::chrono::milliseconds(1000), std::chrono::milliseconds(1500)});
        QTemporaryDir dir;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!DownloadFile(urlOf(peer), dir.filePath(QStringLiteral("answer.txt")), true));
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(entries(dir), QStringList());
    }

    void closedPortFailsFast()
    {
        QTemporaryDir dir;
        const QString url = QStringLiteral("http://127.0.0.1:%1/address").arg(test::unusedPort());
        QElapsedTimer clock;
        clock.start();
        const platform::DownloadResult result =
            platform::downloadToFile({url.toLatin1(), true}, dir.filePath(QStringLiteral("a")));
        // The default connect time-out is far longer: a refused connection must not wait it out.
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!result.ok);
        QCOMPARE(result.httpStatus, 0L);
        QVERIFY(!result.error.isEmpty());
        QCOMPARE(entries(dir), QStringList());
    }

    void externalIp_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("status"); // 0: nothing listens
        QTest::addColumn<bool>("leftOver");
        QTest::addColumn<QString>("expected"); // null: no usable answer
        const QString unable = QStringLiteral("(unable to access php page)");
        QTest::newRow("bare") << QByteArray("192.0.2.44") << 200 << false
                              << QStringLiteral("192.0.2.44");
        QTest::newRow("line feed kept")
            << QByteArray("192.0.2.44\n") << 200 << false << QStringLiteral("192.0.2.44\n");
        QTest::newRow("CR LF kept, left-over file replaced")
            << QByteArray("192.0.2.44\r\n") << 200 << true << QStringLiteral("192.0.2.44\r\n");
        QTest::newRow("empty answer") << QByteArray() << 200 << false << QString();
        QTest::newRow("404") << QByteArray("192.0.2.44") << 404 << false << unable;
        QTest::newRow("closed port") << QByteArray() << 0 << false << unable;
    }
    void externalIp()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, status);
        QFETCH(bool, leftOver);
        QFETCH(QString, expected);
        HttpPeer peer;
        QVERIFY(peer.ok());
        peer.answer(answer, status);
        QTemporaryDir dir;
        useEchoPage(dir, status ? peer.port() : test::unusedPort());
        if (leftOver)
            QVERIFY(test::writeAll(dir.filePath(QStringLiteral("externalip.txt")), "old\n"));

        const std::optional<QString> ip = GetExternalIP();
        QCOMPARE(ip.has_value(), !expected.isNull());
        if (ip)
            QCOMPARE(*ip, expected);
        QCOMPARE(entries(dir), QStringList());
        const QList<QVariantMap> requests = peer.requests();
        QCOMPARE(requests.size(), status ? 1 : 0);
        for (const QVariantMap& request : requests) {
            QCOMPARE(request.value(QStringLiteral("path")).toString(),
                     QStringLiteral("/getip_quillet_paidusers.php"));
            QCOMPARE(header(request, QStringLiteral("Cache-Control")), QStringLiteral("no-cache"));
        }
    }

    void externalIpTwiceReachesServer()
    {
        HttpPeer peer;
        QVERIFY(peer.ok());
        QTemporaryDir dir;
        useEchoPage(dir, peer.port());
        peer.answer("192.0.2.1");
        QCOMPARE(GetExternalIP().value_or(QString()), QStringLiteral("192.0.2.1"));
        peer.answer("192.0.2.2");
        QCOMPARE(GetExternalIP().value_or(QString()), QStringLiteral("192.0.2.2"));
        QCOMPARE(peer.requests().size(), 2);
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
        QTemporaryDir dir;
        useEchoPage(dir, port);

        const std::optional<QString> ip = GetExternalIP();
        QVERIFY(ip.has_value());
        QCOMPARE(*ip, QStringLiteral("127.0.0.1"));
    }
};

QTEST_MAIN(TestDownload)
#include "tst_download.moc"
