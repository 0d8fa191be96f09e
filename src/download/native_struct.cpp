#include "download/native_struct.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "download/crc32.h"

namespace quarrow {

NativeStruct::~NativeStruct() { release(); }

unsigned char* NativeStruct::create(std::int32_t alignment, int fill, std::int32_t initialSize, std::int32_t growth) {
    release();
    alignment_ = alignment < 1 ? 1 : alignment;
    growth_ = growth;
    fill_ = static_cast<unsigned char>(fill & 0xFF);
    if (initialSize < 0) return nullptr;
    block_ = static_cast<unsigned char*>(std::calloc(initialSize > 0 ? static_cast<std::size_t>(initialSize) : 1, 1));
    if (!block_) return nullptr;
    capacity_ = initialSize;
    return block_;
}

bool NativeStruct::release() {
    used_ = 0;
    members_.clear();
    if (!block_) return false;
    std::free(block_);
    block_ = nullptr;
    return true;
}

// One growth round: the block is capacity + growth bytes long afterwards, the
// new part zero-filled; the block may move.
bool NativeStruct::grow() {
    if (growth_ <= 0 || capacity_ > std::numeric_limits<std::int32_t>::max() - growth_) return false;
    std::int32_t bigger = capacity_ + growth_;
    auto* moved = static_cast<unsigned char*>(std::realloc(block_, static_cast<std::size_t>(bigger)));
    if (!moved) return false;
    std::memset(moved + capacity_, 0, static_cast<std::size_t>(growth_));
    block_ = moved;
    capacity_ = bigger;
    return true;
}

bool NativeStruct::addMember(const std::string& name, std::int32_t size, const std::string& value) {
    if (!block_ || size < 0 || findMember(name) != 0) return false;
    std::int64_t pad = size % alignment_;
    if (pad != 0) pad = alignment_ - pad;
    std::int64_t end = std::int64_t{used_} + size + pad;
    if (end > std::numeric_limits<std::int32_t>::max()) return false;
    while (end > capacity_)
        if (!grow()) return false;

    members_.push_back({name, used_, size, crc32(name)});
    std::memcpy(block_ + used_, value.data(), std::min<std::size_t>(value.size(), static_cast<std::size_t>(size)));
    std::memset(block_ + used_ + size, fill_, static_cast<std::size_t>(pad));
    used_ = static_cast<std::int32_t>(end);
    return true;
}

const NativeStruct::MemberEntry* NativeStruct::find(const std::string& name) const {
    int position = findMember(name);
    return position == 0 ? nullptr : &members_[static_cast<std::size_t>(position - 1)];
}

int NativeStruct::findMember(const std::string& name) const {
    std::uint32_t checksum = crc32(name);
    for (std::size_t i = 0; i < members_.size(); ++i)
        if (members_[i].checksum == checksum) return static_cast<int>(i + 1);
    return 0;
}

std::string NativeStruct::getMember(const std::string& name) const {
    const MemberEntry* member = find(name);
    if (!member) return {};
    return std::string(reinterpret_cast<const char*>(block_ + member->offset), static_cast<std::size_t>(member->size));
}

bool NativeStruct::setMember(const std::string& name, const std::string& value) {
    const MemberEntry* member = find(name);
    if (!member) return false;
    std::memcpy(block_ + member->offset, value.data(),
                std::min<std::size_t>(value.size(), static_cast<std::size_t>(member->size)));
    return true;
}

}  // namespace quarrow
