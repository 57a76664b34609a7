#include "Tarn/common/DataObject.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace TarnCommon {

namespace {
const std::string& Empty() {
    static const std::string empty;
    return empty;
}
}  // namespace

int CompareBytes(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    const int c = n ? std::memcmp(a.data(), b.data(), n) : 0;  // memcmp compares as unsigned char
    if (c != 0) return c < 0 ? -1 : 1;
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

DataObject::DataObject() : body_(new (std::nothrow) Body) {}

DataObject::DataObject(const std::string& type, const std::string& data) : DataObject() {
    SetType(type);
    SetData(data);
}

DataObject& DataObject::operator=(const DataObject& other) {
    if (other.body_ == body_) return *this;
    if (other.body_) other.body_->refCount.fetch_add(1);
    Release();
    body_ = other.body_;
    return *this;
}

DataObject& DataObject::operator=(DataObject&& other) noexcept {
    if (&other == this) return *this;
    Release();
    body_ = other.body_;
    other.body_ = nullptr;
    return *this;
}


int DataObject::Compare(const DataObject& other, bool compareData) const {
    const int c = CompareBytes(GetType(), other.GetType());
    if (c != 0 || !compareData) return c;
    return CompareBytes(GetData(), other.GetData());
}

void DataObject::Detach() {
    if (!body_) {
        body_ = new Body;
        return;
    }
    if (body_->refCount.load() <= 1) return;
    Body* own = new Body;
    own->type = body_->type;
    own->data = body_->data;
    std::copy(std::begin(body_->reserved), std::end(body_->reserved), own->reserved);
    Release();
    body_ = own;
}

const std::string& DataObject::GetType() const { return body_ ? body_->type : Empty(); }
const std::string& DataObject::GetData() const { return body_ ? body_->data : Empty(); }

void DataObject::SetType(const std::string& type) {
    Detach();
    body_->type = type;
}

void DataObject::SetData(const std::string& data) {
    Detach();
    body_->data = data;
}

DataObject DataObjectShare::Get(std::string_view type, std::string_view data) {
    for (size_t step = 0; step < known_.size(); ++step) {
        const size_t i = (next_ + step) % known_.size();
        const DataObject& object = known_[i];
        if (object.GetType() == type && object.GetData() == data) {
            next_ = i + 1;
            return object;
        }
    }
    DataObject made{std::string(type), std::string(data)};
    if (known_.size() < kMaxDistinct) known_.push_back(made);
    return made;
}

}  // namespace TarnCommon
