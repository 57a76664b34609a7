#include "exporter/ExportMessages.h"

namespace quelm {
namespace {

std::string Fill(const char* pattern, const std::string& value) {
    std::string text = pattern;
    for (const char* token : {"%s", "%d", "%u"}) {
        const size_t at = text.find(token);
        if (at != std::string::npos) return text.replace(at, 2, value);
    }
    return text;
}

}  // namespace

const char* MessageText(int id) {
    switch (id) {
        case kMsgNoSelection: return "No selection !";
        case kMsgCantProcessObject: return "Can't process object \"%s\"";
        case kMsgNoObjectSelected: return "No object selected !";
        case kMsgCantOpenDestination: return "Can't open destination file !";
        case kMsgNotEnoughMemory: return "Not enought memory available !";
        case kMsgNoMaterial: return "There is no material apply to object \"%s\" !";
        case kMsgCanceled: return "Convertion canceled !";
        case kMsgOk: return "Convertion OK !";
        case kMsgMorphologyChanged: return "Morphology changed at frame %d";
        case kMsgTooManyVertices: return "Too many vertices (%u) : a mesh file holds at most 65535 !";
        case kMsgTooManyMaterials: return "Too many materials (%u) : a mesh file holds at most 65535 !";
        case kMsgFrameTooSmall: return "Frame %d has fewer vertices than the first frame !";
        case kMsgPositionNotFinite: return "Object \"%s\" has a vertex position that is not a finite number !";
        case kMsgDeformedAnimation:
            return "Object \"%s\" is deformed by bones or morph targets : only its first frame can be exported !";
        default: return "";
    }
}

std::string FormatMessage(int id, const std::string& argument) { return Fill(MessageText(id), argument); }

std::string FormatMessage(int id, long long argument) {
    return Fill(MessageText(id), std::to_string(argument));
}

std::string NoMappingWarning(const std::string& node) {
    return "Object \"" + node + "\" has no mapping coordinate !";
}

std::string UnsupportedMaterialWarning(const std::string& material) {
    return "Material \"" + material + "\" unsuported !";
}

}  // namespace quelm
