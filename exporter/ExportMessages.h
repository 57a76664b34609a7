#pragma once
// The exporter's string table and the other texts it shows.
#include <string>

namespace quelm {

enum MessageId {
    kMsgNoSelection = 1,
    kMsgCantProcessObject = 2,
    kMsgNoObjectSelected = 3,
    kMsgCantOpenDestination = 5,
    kMsgNotEnoughMemory = 6,
    kMsgNoMaterial = 10,
    kMsgCanceled = 11,
    kMsgOk = 12,
    kMsgMorphologyChanged = 13,
    // Limits of the file formats, checked before anything is written.
    kMsgTooManyVertices = 14,
    kMsgTooManyMaterials = 15,
    kMsgFrameTooSmall = 16,
    // Geometry a mesh file cannot hold.
    kMsgPositionNotFinite = 17,
    kMsgDeformedAnimation = 18,
};

// The text of a message; "%s" and "%d" are filled by FormatMessage. A number without text yields "".
const char* MessageText(int id);
std::string FormatMessage(int id, const std::string& argument = {});
std::string FormatMessage(int id, long long argument);

constexpr const char* kWarningCaption = "Warning";
constexpr const char* kErrorCaption = "Error ...";
std::string NoMappingWarning(const std::string& node);
std::string UnsupportedMaterialWarning(const std::string& material);

}  // namespace quelm
