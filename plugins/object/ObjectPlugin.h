#pragma once
// The object placer: object types are meshes of the plug-in's own list at its host, instances of them
// stand on the landscape (through the ground port), are added, moved, copied and selected with the
// mouse in the viewports, edited in the panel, dumped as text and kept in the "OBJT" chunk the game
// reads. Every new world holds the built-in marker type and two instances of it that cannot be
// deleted.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "plugins/object/ObjectRecords.h"
#include "plugins/shared/PluginBase.h"

namespace qv {

// Messages the object placer answers besides the bus's own.
enum : uint32_t {
    kMsgObjectCount = 0x80000065,       // -> instance count
    kMsgObjectId = 0x80000066,          // arg index -> id, -1 out of range
    kMsgObjectIndexOfId = 0x80000067,   // arg id -> index, -1 none
    kMsgObjectName = 0x80000068,        // arg index, data char[kObjectNameBytes] out: "%s (%d)"
    kMsgObjectRecord = 0x80000069,      // arg index, data 56 bytes out: the stored record
    kMsgObjectNoCollision = 0x8000006A, // arg 1-based type: its collision flag cleared everywhere
};
// The room kMsgObjectName needs: a mesh name of 127 characters, " (", ten digits, ")" and the zero.
inline constexpr size_t kObjectNameBytes = 141;

// The mouse tools.
enum class ObjectTool : int32_t { Select = 0, AddPoint = 1, MovePoint = 2, CopyPoint = 3 };

// What the panel keeps per object type.
struct ObjectTypeInfo {
    std::array<bool, 5> flags{};  // in the order of kObjectTypeFlags
    std::string sound1 = "None", sound2 = "None";
};

class ObjectPlugin final : public PluginBase {
public:
    ObjectPlugin();
    int32_t Attach() override;
    int32_t LoadChunk(FileStream* stream, uint32_t size) override;
    int32_t HasChunk() override;
    int32_t SaveChunk(FileStream* stream, uint32_t* size) override;
    int32_t ResetWorld() override;
    int32_t DrawViewport(Viewport* viewport) override;
    QvBitmap GetToolbarBitmap(int32_t index) override { return PluginBase::GetToolbarBitmap(index == 1 ? 1 : 0); }
    Port* GetPort(int32_t) override { return &mainPort; }
    int32_t OnMainPortMessage(Port* sender, uint32_t code, MsgArg arg, MsgArg data) override;

    // ---- the data (read by tests)
    uint32_t showObjects = 0;
    std::vector<ObjectInstance> instances;
    std::vector<ObjectTypeInfo> types;  // one per mesh of the host's list
    int32_t selectedType = -1;
    int32_t selectedInstance = -1;
    ObjectTool tool = ObjectTool::Select;
    bool filterSelectedType = false;
    uint32_t nextId = 0;
    float sensitivity = 1.0f;
    float rotationVariance[3] = {0, 0, 0};  // radians
    float scaleVariance = 0;                // 0..1
    float positionVariance[3] = {0, 0, 0};  // world units
    float baseScale = 1.0f;                 // the scale the copy tool varies
    std::vector<std::string> waveFiles;     // "Sounds\*.wav" found at attach

    // ---- operations of the panel and the mouse tools
    // Appends an instance of the type with the defaults and that type's flags; its index.
    int32_t AppendInstance(uint32_t type, float x, float y, float groundHeight);
    // Height (unless kObjectNotOnGround) and up vector from the ground port.
    void PutOnGround(ObjectInstance& in);
    void TakeUpVector(ObjectInstance& in);
    // False for the two built-in instances and indices out of range.
    bool DeleteInstance(int32_t index);
    void DeleteAllOfSelectedType();
    // False when instances of the type remain (the message says so) or for the built-in type.
    bool DeleteType(int32_t type);
    // Sets or clears a type flag on the type and all its instances.
    void SetTypeFlag(uint32_t type, uint32_t flag, bool on);
    void Press(const MousePress& press);
    ObjectDump MakeDump();
    bool WriteDump(const std::string& path);

protected:
    void RefreshPanel(plat::Dialog& d) override;
    void OnPanelCommand(plat::Dialog& d, int id, uint16_t code) override;
    void OnPanelScroll(plat::Dialog& d, int id, uint16_t code) override;

private:
    void AddPointAt(const MousePress& press);
    void MovePointTo(const MousePress& press);
    void CopyPointTo(const MousePress& press);
    void SelectAt(const MousePress& press);
    void ScaleBounds(const float* previous, const float* now);
    void ResetTypeInfo();
    void RebuildTypeFlags();
    std::string InstanceName(int32_t index) const;
    void Redraw();
    void Changed();  // panel refreshed and views redrawn
    // Panel parts (ObjectPanel.cpp).
    void FillLists(plat::Dialog& d);
    void FillInstanceFields(plat::Dialog& d);
    void OnFieldTyped(plat::Dialog& d, int id);
    void OnVarianceTyped(plat::Dialog& d, int id);
    void OnAddType();
    void PlaySound(const std::string& name);
    void ChooseTool(plat::Dialog& d, int id);
    std::vector<int32_t> listed_;  // instance indices in the order of the instance list
};

}  // namespace qv
