// Feeds arbitrary text to a plug-in's text-dump reader. Any answer is fine; a crash, a hang or a read
// past the text is not.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "plugins/object/ObjectRecords.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    qv::ObjectDump dump;
    if (qv::ParseObjectDump(text, &dump)) qv::FormatObjectDump(dump);
    return 0;
}
