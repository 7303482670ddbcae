// The SHA-256 of the backups' manifests: the known digests, and the same digest as
// QCryptographicHash for random bytes in random pieces (seed printed; CORVALANE_SHA_SEED
// replays one), whether or not this processor's instructions do the work.

#include "core/storage/sha256.h"

#include <QRandomGenerator>
#include <QTest>

using namespace pos;

class TestSha256 : public QObject
{
    Q_OBJECT

private slots:
    void knownDigests_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("digest");
        QTest::newRow("empty") << QByteArray()
                               << QByteArray("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
        QTest::newRow("abc") << QByteArray("abc")
                             << QByteArray("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
        QTest::newRow("two blocks") << QByteArray("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")
                                    << QByteArray("248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
        QTest::newRow("a million a") << QByteArray(1000000, 'a')
                                     << QByteArray("cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    }
    void knownDigests()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, digest);
        Sha256 sha;
        sha.addData(bytes);
        QCOMPARE(sha.result().toHex(), digest);
    }

    void piecesAsQt()
    {
        bool given = false;
        const quint32 seed = qEnvironmentVariable("CORVALANE_SHA_SEED").toUInt(&given);
        const quint32 used = given ? seed : QRandomGenerator::global()->generate();
        qInfo("seed %u (CORVALANE_SHA_SEED); the processor's instructions: %s", used,
              Sha256::accelerated() ? "yes" : "no");
        QRandomGenerator random(used);
        for (int run = 0; run < 300; ++run) {
            QByteArray bytes(random.bounded(run < 200 ? 200 : 300000), Qt::Uninitialized);
            for (char &c : bytes)
                c = char(random.bounded(256));
            Sha256 sha;
            for (qsizetype at = 0; at < bytes.size();) {
                const qsizetype piece = qMin<qsizetype>(random.bounded(130), bytes.size() - at);
                sha.addData(QByteArrayView(bytes.constData() + at, piece));
                at += piece;
            }
            QCOMPARE(sha.result(), QCryptographicHash::hash(bytes, QCryptographicHash::Sha256));
        }
    }
};

QTEST_GUILESS_MAIN(TestSha256)
#include "test_sha256.moc"
