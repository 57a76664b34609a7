// Feeds arbitrary text to a plug-in's text-dump reader. Any answer is fine; a crash, a hang or a read
// past the text is not.
#include <cstddef>
#include <cstdint>
#include <string_view>

#if defined(FUZZ_DUMP_morvik)
#include "plugins/morvik/TrackGraph.h"
#else
#include "plugins/object/ObjectRecords.h"
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
#if defined(FUZZ_DUMP_morvik)
    std::vector<qv::TrackNode> nodes;
    if (qv::ParseTrackDump(text, &nodes)) qv::FormatTrackDump(nodes);
#else
    qv::ObjectDump dump;
    if (qv::ParseObjectDump(text, &dump)) qv::FormatObjectDump(dump);
#endif
    return 0;
}
