// The exact bytes of long range exports, held as SHA-256 sums recorded with
// the tool before its row production was rewritten for speed: any change of
// a single output byte fails here. The output is hashed as it streams, so no
// file of hundreds of megabytes is written. Long (tens of seconds under the
// sanitizers); ctest label "checksum" runs it alone: ctest -L checksum.
#include "cli/cli_run.h"

#include <QCryptographicHash>
#include <QTest>

#include <sstream>
#include <string>
#include <vector>

namespace {

class HashSink : public fapkalk::cli::ByteSink {
public:
    bool Write(std::string_view bytes) override {
        hash_.addData(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
        size_ += bytes.size();
        return true;
    }
    bool Finish() override { return true; }
    std::string Error() const override { return {}; }
    QByteArray Hex() const { return hash_.result().toHex(); }
    std::size_t size() const { return size_; }

private:
    QCryptographicHash hash_{QCryptographicHash::Sha256};
    std::size_t size_ = 0;
};

} // namespace

class TestOutputChecksums : public QObject {
    Q_OBJECT

private slots:
    void rangeOutput_data() {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QByteArray>("sha256");
        // 10,000,000 rows each: the running sum drifts off whole cents, and
        // about 4.5 million FAP cells show the drifted value.
        QTest::newRow("fixed") << "range 0.01 100000 0.01 --format fixed"
                               << QByteArray(
                                      "fcb658a52396ed2450f401040c1a68538ae52bdf7ec1178b68371d"
                                      "52b794bd4d");
        QTest::newRow("xls") << "range 0.01 100000 0.01 --format xls"
                             << QByteArray("4311b69c5b54d96549f757215995298559c68802e06f42ae80f24c"
                                           "7e93ee2bc2");
        QTest::newRow("fixed aep") << "range 0.01 100000 0.01 --format fixed --aep"
                                   << QByteArray("bdc1d020fc28e15fc484a88ccb1650a01db008afaaf4d70e3"
                                                 "1d3ea05d7a2400e");
        QTest::newRow("xls aep") << "range 0.01 100000 0.01 --format xls --aep"
                                 << QByteArray("e491ae5692330a26011349f7a88a4917c31de74ff5a0ef2694e"
                                               "41161d5087209");
        // Other switch sets, steps and VAT rates over shorter ranges.
        QTest::newRow("fixed narcotic vat 20")
            << "range 0.01 20000 0.01 --format fixed --narcotic --vat 20"
            << QByteArray("c56e8dd33fb48a659bcecc708fa805b824c2e69c87a2258880c4b0040fb05d36");
        QTest::newRow("xls homeopathic narcotic")
            << "range 0.01 20000 0.01 --format xls --homeopathic --narcotic"
            << QByteArray("a7a7291eef2732a308e2ab553bc3714ce4ad474c3d0d38b6d951ebf8e7e470d0");
        QTest::newRow("fixed not reimbursable")
            << "range 0.01 20000 0.01 --format fixed --not-reimbursable"
            << QByteArray("67bbb6901a29b70627b34c53fa532f7db736fcbba8b910fe2411f7cf9b753444");
        QTest::newRow("xls veterinary")
            << "range 0.01 20000 0.01 --format xls --veterinary"
            << QByteArray("369a50ed95ba7c479be51f9af9760e7e15a2ab33c8eba8e18ac906b3920c5006");
        QTest::newRow("xls homeopathic veterinary vat 7")
            << "range 0.01 20000 0.01 --format xls --homeopathic --veterinary --vat 7"
            << QByteArray("3ccdb4cb04c2e1d911204ab2a55c5c7096ae59abf05eb4efa0f1e13383fdbf2c");
        QTest::newRow("fixed step 0.05 narcotic")
            << "range 0.05 100000 0.05 --format fixed --narcotic"
            << QByteArray("180bbdc22d10ba3e308778ea67345957d1578d576f40654d8fc61ec77c9c4d76");
        QTest::newRow("xls step 0.1")
            << "range 0.1 100000 0.1 --format xls"
            << QByteArray("294acdeaa55068ad88f679e08119b7b4f16116cb2164a6ccf9a621a73371e2cd");
        QTest::newRow("fixed step 0.07 aep narcotic")
            << "range 0.07 50000 0.07 --format fixed --aep --narcotic"
            << QByteArray("38bdf1449ba70593baa9d2206d4e6eedee950d7a238424964bd0aee7be85a12b");
        QTest::newRow("xls step 0.001")
            << "range 0.001 1000 0.001 --format xls"
            << QByteArray("ed70bb32dc161aabc506cf5907a3fafd2492b03c98b0b625098ad6ff62f0855a");
        QTest::newRow("fixed step 0.003 open band")
            << "range 300 3000 0.003 --format fixed"
            << QByteArray("1e85668df984c5ec962ba86e8c44c8e3673f1ae1d57a5ee1dd212b68e9570c03");
        QTest::newRow("xls step 0.0125 aep")
            << "range 0.01 1000 0.0125 --format xls --aep"
            << QByteArray("2123ad06d85ec32e61b73af2b2497d30573c4de0956806858ede54ee905f3b89");
    }

    void rangeOutput() {
        QFETCH(QString, arguments);
        QFETCH(QByteArray, sha256);
        std::vector<std::string> args;
        for (const QString& arg : arguments.split(' '))
            args.push_back(arg.toStdString());
        std::istringstream in;
        HashSink out;
        fapkalk::cli::StringSink err;
        QCOMPARE(fapkalk::cli::RunCli(args, in, out, err), fapkalk::cli::kExitOk);
        QCOMPARE(QByteArray::fromStdString(err.data()), QByteArray());
        QCOMPARE(out.Hex(), sha256);
    }
};

QTEST_APPLESS_MAIN(TestOutputChecksums)
#include "test_output_checksums.moc"
