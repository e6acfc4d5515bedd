// Runs fapkalk-cli in-process and captures what it writes.
#pragma once

#include "cli/cli_output.h"

#include <QByteArray>
#include <QStringList>

#include <string>
#include <vector>

struct CliResult {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

CliResult RunTool(const QStringList& args, const QByteArray& input = {});

// A sink that accepts limit bytes and then fails like a full disk.
class FailingSink : public fapkalk::cli::ByteSink {
public:
    explicit FailingSink(std::size_t limit) : limit_(limit) {}
    bool Write(std::string_view bytes) override;
    bool Finish() override { return !failed_; }
    std::string Error() const override { return "No space left on device"; }
    const std::string& data() const { return data_; }

private:
    std::size_t limit_;
    std::string data_;
    bool failed_ = false;
};

std::vector<std::string> ToStrings(const QStringList& args);

// The export lines of a byte string, without their CR LF; fails the test
// (returns what was split so far) when a line lacks its CR LF.
QList<QByteArray> FileLines(const QByteArray& bytes);
