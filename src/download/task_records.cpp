#include "download/task_records.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "download/wide_text.h"

namespace quarrow {

const RecordMember kTaskParamLayout[16] = {
    {"nReserved", 4},          {"szTaskUrl", 4168},      {"szRefUrl", 4168},    {"szCookies", 8192},
    {"szFilename", 520},       {"szReserved0", 520},     {"szSavePath", 520},   {"hReserved", 4},
    {"bReserved", 4},          {"szReserved1", 128},     {"szReserved2", 128},  {"IsOnlyOriginal", 4},
    {"nReserved1", 4},         {"DisableAutoRename", 4}, {"IsResume", 4},       {"reserved", 8192},
};

const RecordMember kTaskInfoLayout[28] = {
    {"stat", 4},           {"fail_code", 4},      {"szFilename", 520},    {"szReserved0", 520},
    {"nTotalSize", 8},     {"nTotalDownload", 8}, {"fPercent", 4},        {"nReserved0", 4},
    {"nSrcTotal", 4},      {"nSrcUsing", 4},      {"nReserved1", 4},      {"nReserved2", 4},
    {"nReserved3", 4},     {"nReserved4", 4},     {"nReserved5", 8},      {"nDonationP2P", 8},
    {"nReserved6", 8},     {"nDonationOrgin", 8}, {"nDonationP2S", 8},    {"nReserved7", 8},
    {"nReserved8", 8},     {"nSpeed", 4},         {"nSpeedP2S", 4},       {"nSpeedP2P", 4},
    {"bIsOriginUsable", 1}, {"fHashPercent", 4},  {"IsCreatingFile", 4},  {"reserved", 256},
};

namespace {

static_assert(std::endian::native == std::endian::little, "the records are little-endian");

template <typename T>
std::string bytesOf(T value) {
    std::string bytes(sizeof(T), '\0');
    std::memcpy(bytes.data(), &value, sizeof(T));
    return bytes;
}

// Reads a number from the member's bytes; 0 when the member is missing.
template <typename T>
T readNumber(const NativeStruct& buffer, const char* name) {
    std::string bytes = buffer.getMember(name);
    T value{};
    std::memcpy(&value, bytes.data(), std::min(bytes.size(), sizeof(T)));
    return value;
}

template <typename T>
int writeNumber(NativeStruct& buffer, const char* name, T value) {
    return buffer.setMember(name, bytesOf(value)) ? 1 : 0;
}

// Truth values are written as one byte into the member's lowest byte.
int writeTruth(NativeStruct& buffer, const char* name, bool value) {
    return buffer.setMember(name, std::string(1, value ? '\1' : '\0')) ? 1 : 0;
}

std::string readText(const NativeStruct& buffer, const char* name) { return fromWide(buffer.getMember(name)); }

std::string writeText(NativeStruct& buffer, const char* name, const std::string& value) {
    return buffer.setMember(name, toWide(value)) ? "1" : "0";
}

template <std::size_t N>
unsigned char* layOut(NativeStruct& buffer, std::int32_t size, const RecordMember (&layout)[N],
                      std::string (*startValue)(const char* name)) {
    if (!buffer.create(1, 0xCC, size)) return nullptr;
    for (const RecordMember& member : layout) buffer.addMember(member.name, member.width, startValue(member.name));
    return buffer.address();
}

}  // namespace

unsigned char* TaskInfoRecord::init() {
    return layOut(buffer_, kSize, kTaskInfoLayout, [](const char* name) {
        return std::strcmp(name, "stat") == 0 ? bytesOf<std::int32_t>(2) : std::string();
    });
}

#define QUARROW_NUMBER_ACCESSOR(Record, Type, member)                                          \
    Type Record::member() const { return readNumber<Type>(buffer_, #member); }                 \
    int Record::member(Type value) { return writeNumber<Type>(buffer_, #member, value); }

QUARROW_NUMBER_ACCESSOR(TaskInfoRecord, std::int32_t, stat)
QUARROW_NUMBER_ACCESSOR(TaskInfoRecord, std::int32_t, fail_code)
QUARROW_NUMBER_ACCESSOR(TaskInfoRecord, std::int64_t, nTotalSize)
QUARROW_NUMBER_ACCESSOR(TaskInfoRecord, std::int64_t, nTotalDownload)
QUARROW_NUMBER_ACCESSOR(TaskInfoRecord, float, fPercent)
QUARROW_NUMBER_ACCESSOR(TaskInfoRecord, std::int32_t, nSrcTotal)
QUARROW_NUMBER_ACCESSOR(TaskInfoRecord, std::int32_t, nSrcUsing)
QUARROW_NUMBER_ACCESSOR(TaskInfoRecord, std::int64_t, nDonationP2P)
QUARROW_NUMBER_ACCESSOR(TaskInfoRecord, std::int64_t, nDonationOrgin)
QUARROW_NUMBER_ACCESSOR(TaskInfoRecord, std::int64_t, nDonationP2S)
QUARROW_NUMBER_ACCESSOR(TaskInfoRecord, std::int32_t, nSpeed)
QUARROW_NUMBER_ACCESSOR(TaskInfoRecord, std::int32_t, nSpeedP2S)
QUARROW_NUMBER_ACCESSOR(TaskInfoRecord, std::int32_t, nSpeedP2P)
QUARROW_NUMBER_ACCESSOR(TaskInfoRecord, std::int32_t, IsCreatingFile)

#undef QUARROW_NUMBER_ACCESSOR

std::string TaskInfoRecord::szFilename() const { return readText(buffer_, "szFilename"); }
std::string TaskInfoRecord::szFilename(const std::string& value) { return writeText(buffer_, "szFilename", value); }
bool TaskInfoRecord::bIsOriginUsable() const { return readNumber<std::uint8_t>(buffer_, "bIsOriginUsable") != 0; }
int TaskInfoRecord::bIsOriginUsable(bool value) { return writeTruth(buffer_, "bIsOriginUsable", value); }

unsigned char* TaskParamRecord::init(const std::string& url, const std::string& fileName,
                                     const std::string& saveFolder, const std::string& referrer,
                                     const std::string& cookies, bool isOnlyOriginal, bool disableAutoRename,
                                     std::optional<bool> isResume) {
    if (!buffer_.create(1, 0xCC, kSize)) return nullptr;
    auto truth = [](bool value) { return std::string(1, value ? '\1' : '\0'); };
    for (const RecordMember& member : kTaskParamLayout) {
        std::string name = member.name, value;
        if (name == "szTaskUrl") value = toWide(url);
        else if (name == "szRefUrl") value = toWide(referrer);
        else if (name == "szCookies") value = toWide(cookies);
        else if (name == "szFilename") value = toWide(fileName);
        else if (name == "szSavePath") value = toWide(saveFolder);
        else if (name == "IsOnlyOriginal") value = truth(isOnlyOriginal);
        else if (name == "nReserved1") value = std::string(1, '\5');
        else if (name == "DisableAutoRename") value = truth(disableAutoRename);
        else if (name == "IsResume") value = truth(isResume.value_or(true));
        buffer_.addMember(member.name, member.width, value);
    }
    return buffer_.address();
}

#define QUARROW_TEXT_ACCESSOR(member)                                                             \
    std::string TaskParamRecord::member() const { return readText(buffer_, #member); }            \
    std::string TaskParamRecord::member(const std::string& value) { return writeText(buffer_, #member, value); }
#define QUARROW_TRUTH_ACCESSOR(member)                                                                  \
    bool TaskParamRecord::member() const { return readNumber<std::uint32_t>(buffer_, #member) != 0; } \
    int TaskParamRecord::member(bool value) { return writeTruth(buffer_, #member, value); }

QUARROW_TEXT_ACCESSOR(szTaskUrl)
QUARROW_TEXT_ACCESSOR(szRefUrl)
QUARROW_TEXT_ACCESSOR(szCookies)
QUARROW_TEXT_ACCESSOR(szFilename)
QUARROW_TEXT_ACCESSOR(szSavePath)
QUARROW_TRUTH_ACCESSOR(IsOnlyOriginal)
QUARROW_TRUTH_ACCESSOR(DisableAutoRename)
QUARROW_TRUTH_ACCESSOR(IsResume)

#undef QUARROW_TEXT_ACCESSOR
#undef QUARROW_TRUTH_ACCESSOR

}  // namespace quarrow
