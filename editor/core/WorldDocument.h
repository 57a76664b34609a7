#pragma once
// The world being edited: its editor-wide settings (bounds, mouse sensitivities, fog, user views and
// viewport cameras), the new-world reset, and reading and writing the world file:
//     "QVED" {header "QVED" 32, "VWPR" 720, "FOG " 84, one chunk per plug-in in load order}.
#include <cstdint>
#include <string>
#include <vector>

namespace qv {

class Editor;

struct CameraRecord {
    float position[3];
    float angles[3];  // degrees
    float fieldOfView;  // radians
    float nearPlane;
    float farPlane;
};

struct FogRecord {
    int32_t mode;
    int32_t on;
    uint32_t colour;  // 0x00BBGGRR
    int32_t start;
    int32_t end;
    uint32_t customColours[16];
};

class WorldDocument {
public:
    explicit WorldDocument(Editor* editor);

    // Returns 1 when done, 0 when the question was declined. "full" also empties every plug-in's
    // texture, mesh and wave lists.
    int32_t Reset(bool noQuestion, bool full);
    // Reads a world file (the world is reset first). 0, or the failure's code after its message.
    int32_t Open(const std::string& path);
    // Open command: asks for a file, then Open; a cancelled dialog leaves a reset world.
    void OpenWithDialog();
    // Writes a temporary file beside the target and puts it in place only when every byte was written,
    // so a failed save leaves the previous file whole. 0, or kResultWriteFailed after "Write error ...".
    int32_t Save(const std::string& path);
    // Save command: the document path, or asks for a name like SaveAs.
    int32_t SaveCommand();
    int32_t SaveAs();
    // The bytes a save would write now (empty when they cannot be written); nothing else changes.
    std::vector<uint8_t> Image();
    void SetWorldBounds(const float bounds[6]);

    // The name from the save dialog: the file name (not its folders) in lower case, with ".wld" added
    // when it does not end with it.
    static std::string NormaliseSaveName(const std::string& typed);

    float bounds[6];
    float rotationalSensitivity;
    float translationalSensitivity;
    FogRecord fog;
    CameraRecord userViews[16];
    CameraRecord viewportCameras[4];
    int32_t viewportViews[4];  // the predefined view each viewport shows after a reset
    std::string path;
    std::string title;

private:
    int32_t Load(const std::string& path, bool* silent, bool* refused);
    // Writes the world file in place (no temporary file, no change of path or title).
    bool WriteWorldFile(const std::string& file);
    int32_t OpenAfterReset(const std::string& path);
    void Refresh();
    Editor* editor_;
};

}  // namespace qv
