// The exact bytes of long range exports, held as SHA-256 sums: any change of
// a single output byte fails here. The sums were recorded with the tool and
// checked against the same rows made independently (the prices counted in
// cents, every row from the double steps and the display texts). The output
// is hashed as it streams, so no file of hundreds of megabytes is written.
// Long (tens of seconds under the sanitizers); ctest label "checksum" runs it
// alone: ctest -L checksum.
#include "cli/cli_run.h"

#include <QCryptographicHash>
#include <QTest>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace {

class HashSink : public fapkalk::cli::ByteSink {
public:
    bool Write(std::string_view bytes) override {
        hash_.addData(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
        size_ += bytes.size();
        lines_ += std::size_t(std::count(bytes.begin(), bytes.end(), '\n'));
        // The last whole line, without its CR LF.
        const std::size_t end = bytes.rfind('\n');
        if (end == std::string_view::npos) {
            rest_ += bytes;
            return true;
        }
        const std::string_view upTo = bytes.substr(0, end);
        const std::size_t start = upTo.rfind('\n');
        last_ = start == std::string_view::npos ? rest_ + std::string(upTo)
                                                : std::string(upTo.substr(start + 1));
        if (!last_.empty() && last_.back() == '\r')
            last_.pop_back();
        rest_ = bytes.substr(end + 1);
        return true;
    }
    bool Finish() override { return true; }
    std::string Error() const override { return {}; }
    QByteArray Hex() const { return hash_.result().toHex(); }
    std::size_t size() const { return size_; }
    std::size_t lines() const { return lines_; }
    const std::string& lastLine() const { return last_; }

private:
    QCryptographicHash hash_{QCryptographicHash::Sha256};
    std::size_t size_ = 0;
    std::size_t lines_ = 0;
    std::string rest_; // after the last line end so far
    std::string last_;
};

} // namespace

class TestOutputChecksums : public QObject {
    Q_OBJECT

private slots:
    void rangeOutput_data() {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QByteArray>("sha256");
        QTest::addColumn<qint64>("lines");    // the column line and the rows
        QTest::addColumn<QByteArray>("last"); // the last row, without CR LF
        // 10,000,000 rows each, 0.01 to 100000.00: Bis is the last row.
        QTest::newRow("fixed")
            << "range 0.01 100000 0.01 --format fixed"
            << QByteArray("b2ccf91f6c8dd6c59eda633de113d522f6ad141b412f4e4df55fc81bc827ee8d")
            << qint64(10000001) << QByteArray(" 10000000 10002374 10392465 14234630");
        QTest::newRow("xls")
            << "range 0.01 100000 0.01 --format xls"
            << QByteArray("73992a3f1a8c0d112b32afb1fa397759e01fad57b5beca7007a7e052bb3504f5")
            << qint64(10000001) << QByteArray("100000,00;100023,74;103924,65;142346,30");
        QTest::newRow("fixed aep")
            << "range 0.01 100000 0.01 --format fixed --aep"
            << QByteArray("394d81b5e78bb3e750e081145ecb0d29482d86d6eff73c658012bc02fc72b3a4")
            << qint64(10000001) << QByteArray("     000 10000000 10390000 14231250");
        QTest::newRow("xls aep")
            << "range 0.01 100000 0.01 --format xls --aep"
            << QByteArray("5f002becee5f4c93dab5c5f7515e48025bd0ee05fdeee35a43ab4152a9e12e0c")
            << qint64(10000001) << QByteArray("0,00;100000,00;103900,00;142312,50");
        // Other switch sets, steps and VAT rates over shorter ranges.
        QTest::newRow("fixed narcotic vat 20")
            << "range 0.01 20000 0.01 --format fixed --narcotic --vat 20"
            << QByteArray("3da166a2ebcdf8de8e029a8dff0094a3b1eaccde0eecc9b501af3323e6559a66")
            << qint64(2000001) << QByteArray("  2000000  2002374  2080520  3108750");
        QTest::newRow("xls homeopathic narcotic")
            << "range 0.01 20000 0.01 --format xls --homeopathic --narcotic"
            << QByteArray("114926a1bffd08df473cbf46bbbd3cc4de6037cd95933ca8aa4f88522c5857fd")
            << qint64(2000001) << QByteArray("20000,00;20032,70;20814,55;28509,65");
        QTest::newRow("fixed not reimbursable")
            << "range 0.01 20000 0.01 --format fixed --not-reimbursable"
            << QByteArray("172596d01818e7b27b0ef8d76e4c18814427b016bdaa399704206d81edcedca7")
            << qint64(2000001) << QByteArray("  2000000  2003052  2081170  2850595");
        QTest::newRow("xls veterinary")
            << "range 0.01 20000 0.01 --format xls --veterinary"
            << QByteArray("369a50ed95ba7c479be51f9af9760e7e15a2ab33c8eba8e18ac906b3920c5006")
            << qint64(2000001) << QByteArray("20000,00;24000,00;24936,00;34155,00");
        QTest::newRow("xls homeopathic veterinary vat 7")
            << "range 0.01 20000 0.01 --format xls --homeopathic --veterinary --vat 7"
            << QByteArray("3ccdb4cb04c2e1d911204ab2a55c5c7096ae59abf05eb4efa0f1e13383fdbf2c")
            << qint64(2000001) << QByteArray("20000,00;24000,00;24936,00;33223,50");
        QTest::newRow("fixed step 0.05 narcotic")
            << "range 0.05 100000 0.05 --format fixed --narcotic"
            << QByteArray("0c9c33205a50548fe577efa29b8ff0599002b7ed5b2ba1b14c78f4f6e6bf150d")
            << qint64(2000001) << QByteArray(" 10000000 10002374 10392520 14234690");
        QTest::newRow("xls step 0.1")
            << "range 0.1 100000 0.1 --format xls"
            << QByteArray("5bbbad39f20567154eeac627befbd4960093c54b8ad72e2b847a4c8b2a4c7eb6")
            << qint64(1000001) << QByteArray("100000,00;100023,74;103924,65;142346,30");
        QTest::newRow("fixed step 0.07 aep narcotic")
            << "range 0.07 50000 0.07 --format fixed --aep --narcotic"
            << QByteArray("ec22fc12a5cfff93ea7a201ead339ef8461fe2c163af8ba1a184e33e28edc8de")
            << qint64(714286) << QByteArray("     000  4999995  5195050  7115680");
        QTest::newRow("xls step 0.03")
            << "range 0.01 10000 0.03 --format xls"
            << QByteArray("1923b6c344192af4bdac253f8d22a4e03c91729bb0571c2ad289257ce5fa0a17")
            << qint64(333335) << QByteArray("10000,00;10023,74;10414,65;14265,05");
        QTest::newRow("fixed step 0.03 open band")
            << "range 300 30000 0.03 --format fixed"
            << QByteArray("42994188efbbf5e01462d540f272a62504a03a86674207efa65ca08025e1154d")
            << qint64(990002) << QByteArray("  3000000  3002374  3119465  4272755");
        QTest::newRow("xls step 0.13 aep")
            << "range 0.01 10000 0.13 --format xls --aep"
            << QByteArray("79f5916d3f663029786c62cfea1859b804df138a6ab2ac5c1f0b4646107241f1")
            << qint64(76925) << QByteArray("0,00;10000,00;10390,00;14231,25");
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
        QTEST(qint64(out.lines()), "lines");
        QTEST(QByteArray::fromStdString(out.lastLine()), "last");
        QCOMPARE(out.Hex(), sha256);
    }
};

QTEST_APPLESS_MAIN(TestOutputChecksums)
#include "test_output_checksums.moc"
