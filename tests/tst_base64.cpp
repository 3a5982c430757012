#include "actions/modBase64.h"

#include <QtTest>

using namespace quillet;

class TestBase64 : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InitBase64(); }

    void rfc4648Vectors()
    {
        const QStringList texts = {"", "f", "fo", "foo", "foob", "fooba", "foobar"};
        const QStringList encoded = {
            "", "Zg==\r\n", "Zm8=\r\n", "Zm9v\r\n", "Zm9vYg==\r\n", "Zm9vYmE=\r\n", "Zm9vYmFy\r\n"};
        for (qsizetype i = 0; i < texts.size(); ++i)
            QCOMPARE(Base64Encode(texts[i]), encoded[i]);
        // The Windows-1252 bytes E9 80, not UTF-8.
        QCOMPARE(Base64Encode(QStringLiteral("\u00e9\u20ac")), QStringLiteral("6YA=\r\n"));
    }

    void linesOfSixty()
    {
        // 45 bytes fill one line; 46 start a short second one; 90 leave no empty last line.
        for (const int size : {45, 46, 90, 200}) {
            QByteArray data(size, Qt::Uninitialized);
            for (int i = 0; i < size; ++i)
                data[i] = static_cast<char>(i * 37 + 11);
            const QByteArray plain = data.toBase64();
            QByteArray expected;
            for (qsizetype i = 0; i < plain.size(); i += 60)
                expected += plain.mid(i, 60) + "\r\n";
            QCOMPARE(Base64EncodeBytes(data), expected);
            // The caller's array is padded in place to whole groups of three.
            QCOMPARE(data.size() % 3, 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestBase64)
#include "tst_base64.moc"
