// JMESH5 images and mesh records from untrusted bytes.
#include <cstdint>

#include "editor/mesh/EditorMesh.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qv::EditorMesh mesh;
    if (mesh.LoadJMesh5Memory(data, size)) {
        plat::ByteWriter out;
        mesh.WriteRecord(out);
    }
    plat::ByteReader in(data, size);
    qv::EditorMesh record;
    if (record.ReadRecord(in) == 0) {
        record.SetFrame(0.5f);
        plat::ByteWriter out;
        record.WriteRecord(out);
    }
    return 0;
}
