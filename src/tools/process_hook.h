// One outside call of the whole process that tests replace (message boxes,
// the desktop's shell, the screens, the settings file's writer). Qt-free, so
// the Qt-free settings file code uses it too.
#pragma once

#include <utility>

namespace tools {

// While the hook is empty the real call is made. Tag keeps two hooks of the
// same function type apart.
template <class Function, class Tag> class ProcessHook {
public:
    // The replacement; empty for the real call.
    static const Function& Get() { return Slot(); }
    // Puts in a replacement (an empty one restores the real call) and returns
    // the one it replaces, so a test can put that back.
    static Function Replace(Function replacement) {
        Function previous = std::move(Slot());
        Slot() = std::move(replacement);
        return previous;
    }

private:
    static Function& Slot() {
        static Function slot;
        return slot;
    }
};

} // namespace tools
