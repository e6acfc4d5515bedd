// The reason of a failed system call, in German, for the messages of the
// window and of fapkalk-cli.
#pragma once

#include <string>

namespace fapkalk {

// EFBIG names the file-size limit when one is set (ulimit -f); an error
// without a German text here gives the system's own.
std::string SystemErrorText(int code);

} // namespace fapkalk
