#pragma once
// Runs a file import in a child process first. The import library can read outside its buffers and
// crash on a damaged file; in the child such a crash becomes an error message for the caller, and
// only a file the library read to the end is then imported for real.
#include <functional>
#include <string>

namespace plat {

enum class ImportProbe {
    kReadable,     // the library read the file
    kRefused,      // the library refused it with a reason (in error)
    kCrashed,      // the library stopped the child (reason in error)
    kUnavailable,  // no child process could be made: import directly
};

// read runs in the child and returns true when the library produced a scene, else false with the
// library's reason in its argument. The child is stopped after timeoutSeconds.
ImportProbe ProbeImport(const std::function<bool(std::string& reason)>& read, std::string& error,
                        int timeoutSeconds = 600);

}  // namespace plat
