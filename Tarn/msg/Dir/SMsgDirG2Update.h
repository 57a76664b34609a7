#pragma once
// The directory update requests: add, modify, renew, name and remove entries and set or clear their
// data objects. Each is answered by a status reply. Message types come in pairs: the add and modify
// requests add 1 for the extended form, the others add 1 for a service key.
#include <cstdint>
#include <string>

#include "Tarn/msg/Dir/SMsgDirG2Base.h"

namespace TarnMsg {

// Entity flags, display name and lifespan of the add and modify requests.
class SMsgDirG2EntityFields {
public:
    uint8_t GetEntityFlags() const { return entityFlags_; }
    void SetEntityFlags(uint8_t value) { entityFlags_ = value; }
    const std::u16string& GetDisplayName() const { return displayName_; }
    void SetDisplayName(const std::u16string& value) { displayName_ = value; }
    uint32_t GetLifespan() const { return lifespan_; }
    void SetLifespan(uint32_t value) { lifespan_ = value; }

protected:
    uint8_t entityFlags_ = 0;
    std::u16string displayName_;
    uint32_t lifespan_ = 0;
};

// Body: flags, key (path), directory name, display name, lifespan, extended objects, peer data.
class SMsgDirG2AddDirectory : public SMsgDirG2UpdateExtendBase, public SMsgDirG2EntityFields {
public:
    static constexpr uint32_t kType = 200;
    explicit SMsgDirG2AddDirectory(bool extended = false);
    // Shares a received message's bytes and reads it at once (a server, the tests).
    explicit SMsgDirG2AddDirectory(const SmallMessage& received);
    SMsgDirG2AddDirectory* Duplicate() const override { return new SMsgDirG2AddDirectory(*this); }
    const uint8_t* Pack() override;
    void Unpack() override;
    const std::u16string& GetDirName() const { return dirName_; }
    void SetDirName(const std::u16string& value) { dirName_ = value; }

private:
    std::u16string dirName_;
};

// Body: flags, key (path, name, net address), display name, lifespan, extended objects, peer data.
class SMsgDirG2AddService : public SMsgDirG2UpdateExtendBase, public SMsgDirG2EntityFields {
public:
    static constexpr uint32_t kType = 202;
    explicit SMsgDirG2AddService(bool extended = false);
    // Shares a received message's bytes and reads it at once (a server, the tests).
    explicit SMsgDirG2AddService(const SmallMessage& received);
    SMsgDirG2AddService* Duplicate() const override { return new SMsgDirG2AddService(*this); }
    const uint8_t* Pack() override;
    void Unpack() override;
};

// Body: flags, key (path), new directory name, new display name, lifespan, extended objects, peer data.
class SMsgDirG2ModifyDirectory : public SMsgDirG2UpdateExtendBase, public SMsgDirG2EntityFields {
public:
    static constexpr uint32_t kType = 210;
    explicit SMsgDirG2ModifyDirectory(bool extended = false);
    // Shares a received message's bytes and reads it at once (a server, the tests).
    explicit SMsgDirG2ModifyDirectory(const SmallMessage& received);
    SMsgDirG2ModifyDirectory* Duplicate() const override { return new SMsgDirG2ModifyDirectory(*this); }
    const uint8_t* Pack() override;
    void Unpack() override;
    const std::u16string& GetNewName() const { return newName_; }
    void SetNewName(const std::u16string& value) { newName_ = value; }

private:
    std::u16string newName_;
};

// Body: flags, key (service), new name, new net address, new display name, lifespan, extended objects,
// peer data.
class SMsgDirG2ModifyService : public SMsgDirG2UpdateExtendBase, public SMsgDirG2EntityFields {
public:
    static constexpr uint32_t kType = 212;
    explicit SMsgDirG2ModifyService(bool extended = false);
    // Shares a received message's bytes and reads it at once (a server, the tests).
    explicit SMsgDirG2ModifyService(const SmallMessage& received);
    SMsgDirG2ModifyService* Duplicate() const override { return new SMsgDirG2ModifyService(*this); }
    const uint8_t* Pack() override;
    void Unpack() override;
    const std::u16string& GetNewName() const { return newName_; }
    void SetNewName(const std::u16string& value) { newName_ = value; }
    const std::string& GetNewNetAddress() const { return newNetAddress_; }
    void SetNewNetAddress(const std::string& value) { newNetAddress_ = value; }

private:
    std::u16string newName_;
    std::string newNetAddress_;
};

// Body: key, lifespan, peer data.
class SMsgDirG2RenewEntity : public SMsgDirG2UpdateBase {
public:
    static constexpr uint32_t kType = 204;
    explicit SMsgDirG2RenewEntity(bool isService = false);
    // Shares a received message's bytes and reads it at once (a server, the tests).
    explicit SMsgDirG2RenewEntity(const SmallMessage& received);
    SMsgDirG2RenewEntity* Duplicate() const override { return new SMsgDirG2RenewEntity(*this); }
    const uint8_t* Pack() override;
    void Unpack() override;
    uint32_t GetLifespan() const { return lifespan_; }
    void SetLifespan(uint32_t value) { lifespan_ = value; }

private:
    uint32_t lifespan_ = 0;
};

// Body: name flag, key, display name, peer data.
class SMsgDirG2NameEntity : public SMsgDirG2UpdateBase {
public:
    static constexpr uint32_t kType = 206;
    explicit SMsgDirG2NameEntity(bool isService = false);
    // Shares a received message's bytes and reads it at once (a server, the tests).
    explicit SMsgDirG2NameEntity(const SmallMessage& received);
    SMsgDirG2NameEntity* Duplicate() const override { return new SMsgDirG2NameEntity(*this); }
    const uint8_t* Pack() override;
    void Unpack() override;
    bool GetNameFlag() const { return nameFlag_; }
    void SetNameFlag(bool value) { nameFlag_ = value; }
    const std::u16string& GetDisplayName() const { return displayName_; }
    void SetDisplayName(const std::u16string& value) { displayName_ = value; }

private:
    bool nameFlag_ = false;
    std::u16string displayName_;
};

// Body: key, peer data.
class SMsgDirG2RemoveEntity : public SMsgDirG2UpdateBase {
public:
    static constexpr uint32_t kType = 208;
    explicit SMsgDirG2RemoveEntity(bool isService = false);
    // Shares a received message's bytes and reads it at once (a server, the tests).
    explicit SMsgDirG2RemoveEntity(const SmallMessage& received);
    SMsgDirG2RemoveEntity* Duplicate() const override { return new SMsgDirG2RemoveEntity(*this); }
    const uint8_t* Pack() override;
    void Unpack() override;
};

// Body: set mode, key, data objects (always present), peer data.
class SMsgDirG2SetDataObjects : public SMsgDirG2UpdateExtendBase {
public:
    static constexpr uint32_t kType = 300;
    explicit SMsgDirG2SetDataObjects(bool isService = false);
    // Shares a received message's bytes and reads it at once (a server, the tests).
    explicit SMsgDirG2SetDataObjects(const SmallMessage& received);
    SMsgDirG2SetDataObjects* Duplicate() const override { return new SMsgDirG2SetDataObjects(*this); }
    const uint8_t* Pack() override;
    void Unpack() override;
    uint32_t GetSetMode() const { return setMode_; }
    void SetSetMode(uint32_t value) { setMode_ = value; }

private:
    uint32_t setMode_ = 0;  // travels as one byte
};

// Body: key, the types to clear, peer data.
class SMsgDirG2ClearDataObjects : public SMsgDirG2UpdateBase {
public:
    static constexpr uint32_t kType = 302;
    explicit SMsgDirG2ClearDataObjects(bool isService = false);
    // Shares a received message's bytes and reads it at once (a server, the tests).
    explicit SMsgDirG2ClearDataObjects(const SmallMessage& received);
    SMsgDirG2ClearDataObjects* Duplicate() const override { return new SMsgDirG2ClearDataObjects(*this); }
    const uint8_t* Pack() override;
    void Unpack() override;
    const TarnCommon::DataObjectSet& GetTypes() const { return types_; }
    void SetTypes(const TarnCommon::DataObjectSet& value) { types_ = value; }
    void AddType(const std::string& type) { types_.insert(TarnCommon::DataObject(type, {})); }

private:
    TarnCommon::DataObjectSet types_;
};

}  // namespace TarnMsg
