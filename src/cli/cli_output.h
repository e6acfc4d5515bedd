// Where fapkalk-cli writes: standard output and error, a file, or a string in
// tests. Every sink reports write failures, so a full disk or a closed pipe
// ends the run with a message instead of a truncated result taken as success.
#pragma once

#include "platform/file_writer.h"

#include <string>
#include <string_view>
#include <utility>

namespace fapkalk::cli {

class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual bool Write(std::string_view bytes) = 0;
    // Everything written is delivered (a file is put in place).
    virtual bool Finish() = 0;
    // What went wrong, after Write or Finish returned false.
    virtual std::string Error() const = 0;
    // False when the sink can take no bytes at all (a standard stream that
    // was closed when the program started); Error() says why.
    virtual bool Ready() const { return true; }
};

class StringSink : public ByteSink {
public:
    bool Write(std::string_view bytes) override {
        data_.append(bytes);
        return true;
    }
    bool Finish() override { return true; }
    std::string Error() const override { return {}; }
    const std::string& data() const { return data_; }

private:
    std::string data_;
};

// A file descriptor such as 1 or 2, written through a 64 KiB buffer. A
// standard stream that was closed when the program started (it leads to
// /dev/null now) takes nothing: every write fails.
class FdSink : public ByteSink {
public:
    explicit FdSink(int fd);
    ~FdSink() override;
    FdSink(const FdSink&) = delete;
    FdSink& operator=(const FdSink&) = delete;
    bool Write(std::string_view bytes) override;
    bool Finish() override;
    std::string Error() const override { return error_; }
    bool Ready() const override { return !failed_; }

private:
    bool WriteAll(std::string_view bytes);
    int fd_;
    std::string buffer_;
    std::string error_;
    bool failed_ = false;
};

// Holds back everything written until Finish, which hands it on to the
// target; a spool dropped unfinished hands on nothing, so a run that fails
// midway leaves no partial output. Up to kMemory bytes wait in memory, more in
// an unnamed temporary file in $TMPDIR (or /tmp), which vanishes however the
// program ends: memory stays bounded whatever the length of the output.
class SpoolSink : public ByteSink {
public:
    static constexpr std::size_t kMemory = 4 * 1024 * 1024;

    explicit SpoolSink(ByteSink& target) : target_(target) {}
    ~SpoolSink() override;
    SpoolSink(const SpoolSink&) = delete;
    SpoolSink& operator=(const SpoolSink&) = delete;
    bool Write(std::string_view bytes) override;
    bool Finish() override;
    std::string Error() const override { return error_.empty() ? target_.Error() : error_; }
    // Whether the temporary file was needed (for tests).
    bool spilled() const { return spilled_; }

private:
    bool Spill();
    bool Fail(const std::string& what, int code);
    ByteSink& target_;
    std::string memory_;
    std::string error_;
    std::string folder_; // of the temporary file
    int fd_ = -1;
    bool spilled_ = false;
    bool failed_ = false;
};

// A file replaced only by Finish, through SafeFileWriter.
class FileSink : public ByteSink {
public:
    explicit FileSink(std::string path) : writer_(std::move(path)) {}
    bool Open() { return writer_.Open(); }
    bool Write(std::string_view bytes) override { return writer_.Append(bytes); }
    bool Finish() override { return writer_.Commit(); }
    std::string Error() const override { return writer_.error(); }
    SafeFileWriter& writer() { return writer_; }

private:
    SafeFileWriter writer_;
};

} // namespace fapkalk::cli
