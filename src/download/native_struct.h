#pragma once

// A growable block of bytes whose layout is declared member by member at run
// time, each member found again by its name. The block is contiguous, so its
// address can be handed to a foreign library as a C record.

#include <cstdint>
#include <string>
#include <vector>

namespace quarrow {

class NativeStruct {
public:
    struct MemberEntry {
        std::string name;
        std::int32_t offset;
        std::int32_t size;
        std::uint32_t checksum;  // CRC-32 of the name's bytes
    };

    NativeStruct() = default;
    ~NativeStruct();
    NativeStruct(const NativeStruct&) = delete;
    NativeStruct& operator=(const NativeStruct&) = delete;

    // Drops any earlier layout and makes a zero-filled block; null on failure.
    // Every member's width is padded to a multiple of alignment with the fill
    // byte; the block grows by growth bytes a round.
    unsigned char* create(std::int32_t alignment = 1, int fill = 0xCC, std::int32_t initialSize = 1024,
                          std::int32_t growth = 1024);
    // Frees the block and forgets the members; false when there was nothing to free.
    bool release();
    // Appends a member written with (the start of) value; false for a name
    // already present (by checksum), a negative size, or no memory.
    bool addMember(const std::string& name, std::int32_t size, const std::string& value = {});
    // 1-based position of the member, 0 when there is none.
    int findMember(const std::string& name) const;
    // A copy of the member's bytes; empty when there is no such member.
    std::string getMember(const std::string& name) const;
    // Writes the start of value over the member; false when there is none.
    bool setMember(const std::string& name, const std::string& value);
    std::int32_t size() const { return used_; }
    unsigned char* address() const { return block_; }

    std::int32_t capacity() const { return capacity_; }
    const std::vector<MemberEntry>& members() const { return members_; }

private:
    bool grow();
    const MemberEntry* find(const std::string& name) const;

    unsigned char fill_ = 0xCC;
    std::int32_t used_ = 0;
    unsigned char* block_ = nullptr;
    std::vector<MemberEntry> members_;
    std::int32_t alignment_ = 1;
    std::int32_t growth_ = 1024;
    std::int32_t capacity_ = 0;
};

}  // namespace quarrow
