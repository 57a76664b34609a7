// Texture records and bitmap files from untrusted bytes.
#include <cstdint>
#include <vector>

#include "editor/msgbox/EditorMessageBox.h"
#include "editor/texture/TextureTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qv::SetEditorMessageHook([](const qv::EditorMessage&) { return qv::MessageAnswer::Ok; });
    qv::TextureTable table;
    plat::ByteReader in(data, size);
    for (int i = 0; i < 4 && in.Remaining() > 0; ++i) {
        uint32_t handle = 0;
        if (table.ReadRecord(in, &handle) != 0) break;
        plat::ByteWriter out;
        table.WriteRecord(handle, out);
    }
    qv::DecodeBmp(std::vector<uint8_t>(data, data + size));
    return 0;
}
