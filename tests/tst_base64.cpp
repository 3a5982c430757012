#include "actions/modBase64.h"

#include <QtTest>

using namespace quillet;

namespace {

// The standard encoding cut into lines of 60 characters, each ended by CR LF.
QByteArray inLines(const QByteArray& data)
{
    const QByteArray plain = data.toBase64();
    QByteArray lines;
    for (qsizetype i = 0; i < plain.size(); i += 60)
        lines += plain.mid(i, 60) + "\r\n";
    return lines;
}

} // namespace

class TestBase64 : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InitBase64(); }

    void rfc4648Vectors_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("encoded");
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("f") << "f"
                           << "Zg==\r\n";
        QTest::newRow("fo") << "fo"
                            << "Zm8=\r\n";
        QTest::newRow("foo") << "foo"
                             << "Zm9v\r\n";
        QTest::newRow("foob") << "foob"
                              << "Zm9vYg==\r\n";
        QTest::newRow("fooba") << "fooba"
                               << "Zm9vYmE=\r\n";
        QTest::newRow("foobar") << "foobar"
                                << "Zm9vYmFy\r\n";
        // The Windows-1252 bytes E9 80, not UTF-8.
        QTest::newRow("code page") << QStringLiteral("\u00e9\u20ac") << "6YA=\r\n";
    }
    void rfc4648Vectors()
    {
        QFETCH(QString, text);
        QFETCH(QString, encoded);
        QCOMPARE(Base64Encode(text), encoded);
    }

    void linesOfSixty_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("lines");
        QTest::newRow("45 bytes, one full line") << 45 << 1;
        QTest::newRow("46 bytes, a short second line") << 46 << 2;
        QTest::newRow("90 bytes, no empty last line") << 90 << 2;
        QTest::newRow("200 bytes") << 200 << 5;
    }
    void linesOfSixty()
    {
        QFETCH(int, size);
        QFETCH(int, lines);
        QByteArray data(size, Qt::Uninitialized);
        for (int i = 0; i < size; ++i)
            data[i] = static_cast<char>(i * 37 + 11);
        const QByteArray expected = inLines(data);
        QCOMPARE(expected.count("\r\n"), lines);
        QCOMPARE(Base64EncodeBytes(data), expected);
        // The caller's array is padded in place to whole groups of three.
        QCOMPARE(data.size() % 3, 0);
    }
};

QTEST_GUILESS_MAIN(TestBase64)
#include "tst_base64.moc"
