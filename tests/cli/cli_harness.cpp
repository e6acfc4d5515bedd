#include "cli_harness.h"

#include "cli/cli_run.h"

#include <sstream>

std::vector<std::string> ToStrings(const QStringList& args) {
    std::vector<std::string> result;
    for (const QString& arg : args)
        result.push_back(arg.toStdString());
    return result;
}

CliResult RunTool(const QStringList& args, const QByteArray& input) {
    std::istringstream in(input.toStdString());
    fapkalk::cli::StringSink out;
    fapkalk::cli::StringSink err;
    const std::vector<std::string> list = ToStrings(args);
    CliResult result;
    result.status = fapkalk::cli::RunCli(list, in, out, err);
    result.out = QByteArray::fromStdString(out.data());
    result.err = QByteArray::fromStdString(err.data());
    return result;
}

bool FailingSink::Write(std::string_view bytes) {
    if (failed_)
        return false;
    if (data_.size() + bytes.size() > limit_) {
        data_.append(bytes.substr(0, limit_ - data_.size()));
        failed_ = true;
        return false;
    }
    data_.append(bytes);
    return true;
}

QList<QByteArray> FileLines(const QByteArray& bytes) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype end = bytes.indexOf("\r\n", start);
        if (end < 0) {
            lines.append(bytes.mid(start));
            lines.append("<missing CR LF>");
            break;
        }
        lines.append(bytes.mid(start, end - start));
        start = end + 2;
    }
    return lines;
}
