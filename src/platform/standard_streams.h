// The process's edges before anything else runs: standard input, output and
// error, and the file-size limit's signal.
#pragma once

namespace fapkalk {

// The first thing both programs do. A descriptor 0, 1 or 2 that the caller
// left closed is opened on /dev/null, so no file the program opens later can
// land on it (a message meant for standard error would go into an export
// file); which ones were closed is remembered. SIGXFSZ is ignored: a write
// beyond the file-size limit (ulimit -f) then fails with EFBIG and is
// reported like a full disk, instead of killing the program.
void SecureProcessEdges() noexcept;

// Whether descriptor fd (0, 1 or 2) was closed when SecureProcessEdges ran: it
// leads to /dev/null now, and writing to or reading from it is no output or
// input the user gave.
bool StandardStreamWasClosed(int fd) noexcept;

} // namespace fapkalk
