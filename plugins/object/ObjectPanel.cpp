// The object placer's panel (dialog 101): object types, instances, tools, the type flags, the
// instance's fields with their spinners, the copy variances, the type sounds and the dump.
#include <algorithm>
#include <cmath>
#include <string>

#include "editor/mesh/EditorMesh.h"
#include "platform/dialogs/Modal.h"
#include "plugins/object/ObjectPlugin.h"
#include "plugins/shared/CText.h"

namespace qv {

namespace {

using plat::ControlKind;

enum : int {
    kAddType = 1000, kActivated = 1001, kInstanceList = 1002, kTypeList = 1003, kAddInstance = 1004,
    kPosX = 1005, kPosY = 1006, kPosZ = 1007, kScale = 1008, kRotX = 1009, kRotY = 1010, kRotZ = 1011,
    kRotVarX = 1012, kRotVarY = 1013, kRotVarZ = 1014, kScaleVar = 1015, kAddPoint = 1016, kDeleteType = 1017,
    kPosVarX = 1018, kPosVarY = 1019, kDelete = 1020, kSensitivity = 1021, kPosVarZ = 1022, kCollision = 1023,
    kAlign = 1024, kReplaceType = 1025, kGroundRef = 1026, kMovePoint = 1027, kCopyPoint = 1028,
    kNoShading = 1036, kDeleteAll = 1037, kDump = 1038, kHardCollision = 1039, kFacing = 1040, kSound1 = 1041,
    kFilter = 1042, kPlay1 = 1043, kSound2 = 1044, kPlay2 = 1045, kShadow = 1046, kVertexCount = 1047,
    kFaceCount = 1048,
    // Spinners beside the seven instance fields, in the same order.
    kSpinPosX = 1050,
};
constexpr int kInstanceFields[7] = {kPosX, kPosY, kPosZ, kScale, kRotX, kRotY, kRotZ};
constexpr int kTypeChecks[5] = {kCollision, kNoShading, kHardCollision, kFacing, kShadow};  // kObjectTypeFlags order
constexpr float kDegree = 0.017453292f;
constexpr float kFullTurn = 6.2831855f;

}  // namespace

plat::DialogTemplate ObjectPanelTemplate() {
    plat::DialogTemplate t;
    t.title = "Object";
    t.width = 200;
    t.height = 540;
    auto& c = t.controls;
    const uint32_t hidden = plat::kStyleHidden;
    c = {
        {ControlKind::CheckBox, kActivated, "Activated", 8, 4, 80, 16, hidden},
        {ControlKind::GroupBox, -1, "Objects", 4, 4, 192, 70},
        {ControlKind::ComboBox, kTypeList, "", 10, 20, 180, 100},
        {ControlKind::Button, kAddType, "Add Obj", 10, 46, 56, 20},
        {ControlKind::Button, kReplaceType, "Rep Obj", 70, 46, 56, 20},
        {ControlKind::Button, kDeleteType, "Del Obj", 130, 46, 56, 20},
        {ControlKind::GroupBox, -1, "Instances", 4, 78, 192, 176},
        {ControlKind::ListBox, kInstanceList, "", 10, 94, 180, 64},
        {ControlKind::CheckBox, kFilter, "Filter Sel Obj", 10, 162, 120, 16},
        {ControlKind::Button, kAddInstance, "Add", 10, 182, 56, 20},
        {ControlKind::CheckBox, kAddPoint, "Add Pt", 100, 182, 90, 20},
        {ControlKind::CheckBox, kMovePoint, "Move Pt", 10, 204, 90, 20},
        {ControlKind::CheckBox, kCopyPoint, "Copy Pt", 100, 204, 90, 20},
        {ControlKind::Button, kDelete, "Delete", 10, 228, 80, 20},
        {ControlKind::Button, kDeleteAll, "Del All Insts", 96, 228, 94, 20},
        {ControlKind::CheckBox, kCollision, "Collision", 10, 258, 90, 16},
        {ControlKind::CheckBox, kNoShading, "No shading", 100, 258, 96, 16},
        {ControlKind::CheckBox, kHardCollision, "Hard Coll", 10, 274, 90, 16, hidden},
        {ControlKind::CheckBox, kFacing, "Facing", 10, 274, 90, 16},
        {ControlKind::CheckBox, kShadow, "Shadow", 100, 290, 90, 16, hidden},
        {ControlKind::CheckBox, kAlign, "Align on ground", 10, 290, 120, 16},
        {ControlKind::CheckBox, kGroundRef, "Ground as ref.", 100, 274, 96, 16},
        {ControlKind::Static, -1, "Sensitivity", 10, 310, 60, 16, hidden},
        {ControlKind::Edit, kSensitivity, "", 100, 310, 60, 16, hidden},
    };
    const char* labels[7] = {"Pos X", "Pos Y", "Pos Z", "Scale", "Rot X (Up/Down)", "Rot Y (Roll)", "Rot Z (Heading)"};
    for (int i = 0; i < 7; ++i) {
        const int y = 308 + 18 * i;
        c.push_back({ControlKind::Static, -1, labels[i], 10, y, 96, 16});
        c.push_back({ControlKind::Edit, kInstanceFields[i], "", 100, y, 54, 16});
        c.push_back({ControlKind::Spinner, kSpinPosX + i, "", 156, y, 40, 16});
    }
    c.push_back({ControlKind::GroupBox, -1, "Rotational Variances (deg)", 4, 434, 192, 34});
    c.push_back({ControlKind::Edit, kRotVarX, "", 10, 448, 56, 16});
    c.push_back({ControlKind::Edit, kRotVarY, "", 70, 448, 56, 16});
    c.push_back({ControlKind::Edit, kRotVarZ, "", 130, 448, 56, 16});
    c.push_back({ControlKind::Static, -1, "Scale variance (%)", 10, 470, 100, 16});
    c.push_back({ControlKind::Edit, kScaleVar, "", 130, 470, 56, 16});
    c.push_back({ControlKind::GroupBox, -1, "Positional Var. (World Units)", 4, 486, 192, 34});
    c.push_back({ControlKind::Edit, kPosVarX, "", 10, 500, 56, 16});
    c.push_back({ControlKind::Edit, kPosVarY, "", 70, 500, 56, 16});
    c.push_back({ControlKind::Edit, kPosVarZ, "", 130, 500, 56, 16});
    for (const plat::ControlTemplate& h : std::initializer_list<plat::ControlTemplate>{
             {ControlKind::ComboBox, kSound1, "", 10, 536, 120, 80, hidden},
             {ControlKind::Button, kPlay1, "Play", 134, 536, 40, 16, hidden},
             {ControlKind::ComboBox, kSound2, "", 10, 556, 120, 80, hidden},
             {ControlKind::Button, kPlay2, "Play", 134, 556, 40, 16, hidden},
             {ControlKind::Button, kDump, "Dump", 10, 576, 40, 16, hidden},
             {ControlKind::Static, -1, "Nb Tris", 60, 576, 40, 16, hidden},
             {ControlKind::Static, kFaceCount, "", 100, 576, 30, 16, hidden},
             {ControlKind::Static, -1, "Nb Verts", 130, 576, 40, 16, hidden},
             {ControlKind::Static, kVertexCount, "", 170, 576, 30, 16, hidden}})
        c.push_back(h);
    return t;
}

void ObjectPlugin::FillLists(plat::Dialog& d) {
    d.ResetContent(kTypeList);
    for (int32_t t = 0; t < host->GetMeshCount(); ++t) {
        EditorMesh* mesh = host->GetMesh(static_cast<uint32_t>(t) + 1);
        d.AddString(kTypeList, mesh ? mesh->name : "");
    }
    d.SetCurrent(kTypeList, selectedType);
    d.ResetContent(kInstanceList);
    listed_.clear();
    int shownOfType = 0;
    for (size_t i = 0; i < instances.size(); ++i) {
        if (filterSelectedType && instances[i].type != static_cast<uint32_t>(selectedType)) continue;
        listed_.push_back(static_cast<int32_t>(i));
        if (filterSelectedType) {
            EditorMesh* mesh = host->GetMesh(instances[i].type + 1);
            d.AddString(kInstanceList, (mesh ? mesh->name : "") + " (" + std::to_string(++shownOfType) + ")");
        } else {
            d.AddString(kInstanceList, InstanceName(static_cast<int32_t>(i)));
        }
    }
    const auto at = std::find(listed_.begin(), listed_.end(), selectedInstance);
    d.SetCurrent(kInstanceList, at == listed_.end() ? -1 : static_cast<int>(at - listed_.begin()));
    for (int id : {kSound1, kSound2}) {
        d.ResetContent(id);
        d.AddString(id, "None");
        for (const std::string& w : waveFiles) d.AddString(id, w);
    }
    if (selectedType >= 0 && static_cast<size_t>(selectedType) < types.size()) {
        const ObjectTypeInfo& t = types[static_cast<size_t>(selectedType)];
        d.SetCurrent(kSound1, std::max(0, d.FindString(kSound1, t.sound1)));
        d.SetCurrent(kSound2, std::max(0, d.FindString(kSound2, t.sound2)));
    }
}

void ObjectPlugin::FillInstanceFields(plat::Dialog& d) {
    const bool has = selectedInstance >= 0 && selectedInstance < static_cast<int32_t>(instances.size());
    const ObjectInstance in = has ? instances[static_cast<size_t>(selectedInstance)] : ObjectInstance{};
    const float values[7] = {in.x, in.y, in.heightAbove, in.scale, in.rotX / kDegree, in.rotY / kDegree, in.rotZ / kDegree};
    const int lowPos = static_cast<int>(std::max(-5000.0f / sensitivity, -16000.0f));
    const int highPos = static_cast<int>(std::min(15000.0f / sensitivity, 16000.0f));
    for (int i = 0; i < 7; ++i) {
        d.SetText(kInstanceFields[i], has ? shared::FormatC(i < 4 ? "%3.6f" : "%3.3f", values[i]) : "");
        if (i < 3) d.SetRange(kSpinPosX + i, lowPos, highPos);
        else if (i == 3) d.SetRange(kSpinPosX + i, 0, static_cast<int>(10.0f / sensitivity));
        else d.SetRange(kSpinPosX + i, -360, 720);
        d.SetPosition(kSpinPosX + i, static_cast<int>(std::lround(i < 4 ? values[i] / sensitivity : values[i])));
    }
    d.Check(kAlign, has && !(in.flags & kObjectNotAligned));
    d.Check(kGroundRef, has && !(in.flags & kObjectNotOnGround));
    EditorMesh* mesh = has ? host->GetMesh(in.type + 1) : nullptr;
    d.SetText(kFaceCount, mesh ? std::to_string(mesh->faceCount) : "");
    d.SetText(kVertexCount, mesh ? std::to_string(mesh->vertexCount) : "");
}

void ObjectPlugin::RefreshPanel(plat::Dialog& d) {
    filling_ = true;
    if (selectedType >= static_cast<int32_t>(types.size())) selectedType = -1;
    if (selectedInstance >= static_cast<int32_t>(instances.size())) selectedInstance = -1;
    const bool on = showObjects != 0;
    const bool typeChosen = selectedType >= 0;
    const bool instanceChosen = selectedInstance >= 0;
    const bool userInstance = selectedInstance >= 2;
    d.Check(kActivated, on);
    d.Check(kFilter, filterSelectedType);
    FillLists(d);
    FillInstanceFields(d);
    d.SetText(kSensitivity, shared::FormatC("%3.3f", sensitivity));
    const float variances[7] = {rotationVariance[0] / kDegree, rotationVariance[1] / kDegree, rotationVariance[2] / kDegree,
                                scaleVariance, positionVariance[0], positionVariance[1], positionVariance[2]};
    const int varianceIds[7] = {kRotVarX, kRotVarY, kRotVarZ, kScaleVar, kPosVarX, kPosVarY, kPosVarZ};
    for (int i = 0; i < 7; ++i) {
        d.SetText(varianceIds[i], shared::FormatC("%3.3f", variances[i]));
        d.Enable(varianceIds[i], on);
    }
    for (int id : {kTypeList, kAddType, kInstanceList, kFilter}) d.Enable(id, on);
    for (int id : {kReplaceType, kDeleteType, kAddInstance, kAddPoint}) d.Enable(id, on && selectedType >= 1);
    d.Enable(kMovePoint, on && userInstance);
    d.Enable(kCopyPoint, on && userInstance);
    d.Enable(kDelete, on && instanceChosen);
    for (int f = 0; f < 5; ++f) {
        d.Enable(kTypeChecks[f], on && typeChosen);
        d.Check(kTypeChecks[f], typeChosen && types[static_cast<size_t>(selectedType)].flags[static_cast<size_t>(f)]);
    }
    for (int id : {kDeleteAll, kSound1, kSound2}) d.Enable(id, on && typeChosen);
    // The built-in pair keeps its place: its fields are shown but cannot be typed into.
    for (int i = 0; i < 7; ++i) {
        d.Enable(kInstanceFields[i], on && userInstance);
        d.Enable(kSpinPosX + i, on && userInstance);
    }
    d.Enable(kAlign, on && userInstance);
    d.Enable(kGroundRef, on && userInstance);
    d.Check(kAddPoint, tool == ObjectTool::AddPoint);
    d.Check(kMovePoint, tool == ObjectTool::MovePoint);
    d.Check(kCopyPoint, tool == ObjectTool::CopyPoint);
    filling_ = false;
}

void ObjectPlugin::ChooseTool(plat::Dialog& d, int id) {
    const ObjectTool chosen = id == kAddPoint ? ObjectTool::AddPoint : id == kMovePoint ? ObjectTool::MovePoint : ObjectTool::CopyPoint;
    tool = d.IsChecked(id) ? chosen : ObjectTool::Select;
    if (tool == ObjectTool::CopyPoint && selectedInstance >= 0)
        baseScale = instances[static_cast<size_t>(selectedInstance)].scale;
}

void ObjectPlugin::OnAddType() {
    uint32_t index = 0;
    host->LoadMeshDialog(&index);
    const int32_t count = host->GetMeshCount();
    if (count <= 0) return;
    types.resize(static_cast<size_t>(count));
    selectedType = count - 1;
    types.back() = ObjectTypeInfo{};
}

void ObjectPlugin::PlaySound(const std::string& name) {
    if (name.empty() || name == "None") return;
    const std::string bare = name.substr(0, name.rfind('.'));
    for (int32_t w = 1; w <= host->GetWaveCount(); ++w) {
        const char* listed = host->GetWaveName(static_cast<uint32_t>(w));
        if (listed && strcasecmp(listed, bare.c_str()) == 0) {
            host->PlayWave(static_cast<uint32_t>(w), 0);
            return;
        }
    }
    uint32_t added = 0;
    host->AddWaveFromFile(("Sounds/" + name).c_str(), &added);
    if (added) host->PlayWave(added, 0);
}

void ObjectPlugin::OnFieldTyped(plat::Dialog& d, int id) {
    if (selectedInstance < 2 || selectedInstance >= static_cast<int32_t>(instances.size())) return;
    bool ok = false;
    const float value = static_cast<float>(d.Float(id, &ok));
    if (!ok) return;
    ObjectInstance& in = instances[static_cast<size_t>(selectedInstance)];
    switch (id) {
        case kPosX: in.x = value; PutOnGround(in); break;
        case kPosY: in.y = value; PutOnGround(in); break;
        case kPosZ: in.heightAbove = value; TakeUpVector(in); break;
        case kScale: in.scale = value; break;
        case kRotX: in.rotX = value * kDegree; break;
        case kRotY: in.rotY = value * kDegree; break;
        case kRotZ: in.rotZ = value * kDegree; break;
        default: return;
    }
    Redraw();
}

void ObjectPlugin::OnVarianceTyped(plat::Dialog& d, int id) {
    bool ok = false;
    float value = static_cast<float>(d.Float(id, &ok));
    if (!ok) return;
    float clamped = value;
    switch (id) {
        case kSensitivity: sensitivity = std::max(value, 0.001f); return;
        case kRotVarX: case kRotVarY: case kRotVarZ:
            clamped = std::clamp(value * kDegree, 0.0f, kFullTurn);
            rotationVariance[id - kRotVarX] = clamped;
            clamped /= kDegree;
            break;
        case kScaleVar: clamped = scaleVariance = std::clamp(value, 0.0f, 1.0f); break;
        case kPosVarX: case kPosVarY: case kPosVarZ: {
            clamped = std::max(value, 0.0f);
            positionVariance[id == kPosVarX ? 0 : id == kPosVarY ? 1 : 2] = clamped;
            break;
        }
        default: return;
    }
    if (std::fabs(clamped - value) > 1e-4f * std::max(1.0f, std::fabs(value))) {
        filling_ = true;
        d.SetText(id, shared::FormatC("%3.3f", clamped));
        filling_ = false;
    }
}

void ObjectPlugin::OnPanelCommand(plat::Dialog& d, int id, uint16_t code) {
    if (code == plat::EN_CHANGE) {
        if (!d.HasFocus(id)) return;
        if (std::find(std::begin(kInstanceFields), std::end(kInstanceFields), id) != std::end(kInstanceFields))
            OnFieldTyped(d, id);
        else
            OnVarianceTyped(d, id);
        return;
    }
    const int typeCheck = static_cast<int>(std::find(std::begin(kTypeChecks), std::end(kTypeChecks), id) - std::begin(kTypeChecks));
    if (typeCheck < 5) {
        if (selectedType >= 0) SetTypeFlag(static_cast<uint32_t>(selectedType), kObjectTypeFlags[typeCheck], d.IsChecked(id));
        Changed();
        return;
    }
    const bool validInstance = selectedInstance >= 0 && selectedInstance < static_cast<int32_t>(instances.size());
    switch (id) {
        case kActivated: showObjects = d.IsChecked(kActivated) ? 1 : 0; break;
        case kTypeList:
            if (code != plat::CBN_SELCHANGE) return;
            selectedType = d.Current(kTypeList);
            if (filterSelectedType) selectedInstance = -1;
            break;
        case kAddType: OnAddType(); break;
        case kReplaceType:
            if (selectedType >= 1) host->ReplaceMeshDialog(static_cast<uint32_t>(selectedType) + 1);
            break;
        case kDeleteType: DeleteType(selectedType); break;
        case kInstanceList: {
            if (code != plat::LBN_SELCHANGE) return;
            const int row = d.Current(kInstanceList);
            if (row >= 0 && static_cast<size_t>(row) < listed_.size()) {
                selectedInstance = listed_[static_cast<size_t>(row)];
                selectedType = static_cast<int32_t>(instances[static_cast<size_t>(selectedInstance)].type);
            }
            break;
        }
        case kFilter: filterSelectedType = d.IsChecked(kFilter); break;
        case kAddInstance:
            if (selectedType >= 1) {
                selectedInstance = AppendInstance(static_cast<uint32_t>(selectedType), 0.0f, 0.0f, 0.0f);
                PutOnGround(instances.back());
            }
            break;
        case kAddPoint: case kMovePoint: case kCopyPoint: ChooseTool(d, id); break;
        case kDelete: DeleteInstance(selectedInstance); break;
        case kDeleteAll:
            if (plat::ShowMessageBox("Are you sure you want to delete objects ?", "Warning", plat::MB_YESNOCANCEL) ==
                plat::IDYES)
                DeleteAllOfSelectedType();
            break;
        case kAlign: case kGroundRef:
            if (validInstance && selectedInstance >= 2) {
                ObjectInstance& in = instances[static_cast<size_t>(selectedInstance)];
                const uint32_t flag = id == kAlign ? kObjectNotAligned : kObjectNotOnGround;
                in.flags = d.IsChecked(id) ? (in.flags & ~flag) : (in.flags | flag);
                PutOnGround(in);
            }
            break;
        case kSound1: case kSound2: {
            if (code != plat::CBN_SELCHANGE || selectedType < 0) return;
            ObjectTypeInfo& t = types[static_cast<size_t>(selectedType)];
            (id == kSound1 ? t.sound1 : t.sound2) = d.ItemText(id, d.Current(id));
            return;
        }
        case kPlay1: case kPlay2:
            if (selectedType >= 0) {
                const ObjectTypeInfo& t = types[static_cast<size_t>(selectedType)];
                PlaySound(id == kPlay1 ? t.sound1 : t.sound2);
            }
            return;
        case kDump: {
            const std::string path = TakePath(shared::SaveFileDialog(host->GetMainWindow(), "TXT"));
            if (!path.empty()) WriteDump(path);
            return;
        }
        default: return;
    }
    Changed();
}

void ObjectPlugin::OnPanelScroll(plat::Dialog& d, int id, uint16_t code) {
    const int field = id - kSpinPosX;
    if (field < 0 || field >= 7 || (code != plat::SB_THUMBPOSITION && code != plat::SB_THUMBTRACK)) return;
    if (selectedInstance < 0 || selectedInstance >= static_cast<int32_t>(instances.size())) return;
    ObjectInstance& in = instances[static_cast<size_t>(selectedInstance)];
    const float p = static_cast<float>(d.Position(id));
    switch (field) {
        case 0: in.x = p * sensitivity; PutOnGround(in); break;
        case 1: in.y = p * sensitivity; PutOnGround(in); break;
        case 2: in.heightAbove = p * sensitivity; PutOnGround(in); break;
        case 3: in.scale = p * sensitivity; break;
        default: (field == 4 ? in.rotX : field == 5 ? in.rotY : in.rotZ) = p * kDegree; break;
    }
    Changed();
}

}  // namespace qv
