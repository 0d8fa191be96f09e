#pragma once

// The engine's two binary records, laid out on a NativeStruct: the
// task-parameter record that XL_CreateTask reads and the task-information
// record that XL_QueryTaskInfoEx fills. Both are packed and little-endian;
// members named "sz..." hold UTF-16LE text.
//
// Accessors read a member without an argument and write it with one; a write
// returns 1 (text accessors "1") when the member exists, 0 ("0") otherwise.

#include <cstdint>
#include <optional>
#include <string>

#include "download/native_struct.h"

namespace quarrow {

struct RecordMember {
    const char* name;
    std::int32_t width;
};

class TaskInfoRecord {
public:
    static constexpr std::int32_t kSize = 1429;

    // A fresh zero-filled record with stat 2; its address, or null.
    unsigned char* init();
    bool release() { return buffer_.release(); }
    unsigned char* address() const { return buffer_.address(); }

    std::int32_t stat() const;
    int stat(std::int32_t value);
    std::int32_t fail_code() const;
    int fail_code(std::int32_t value);
    std::string szFilename() const;
    std::string szFilename(const std::string& value);
    std::int64_t nTotalSize() const;
    int nTotalSize(std::int64_t value);
    std::int64_t nTotalDownload() const;
    int nTotalDownload(std::int64_t value);
    float fPercent() const;
    int fPercent(float value);
    std::int32_t nSrcTotal() const;
    int nSrcTotal(std::int32_t value);
    std::int32_t nSrcUsing() const;
    int nSrcUsing(std::int32_t value);
    std::int64_t nDonationP2P() const;
    int nDonationP2P(std::int64_t value);
    std::int64_t nDonationOrgin() const;
    int nDonationOrgin(std::int64_t value);
    std::int64_t nDonationP2S() const;
    int nDonationP2S(std::int64_t value);
    std::int32_t nSpeed() const;
    int nSpeed(std::int32_t value);
    std::int32_t nSpeedP2S() const;
    int nSpeedP2S(std::int32_t value);
    std::int32_t nSpeedP2P() const;
    int nSpeedP2P(std::int32_t value);
    bool bIsOriginUsable() const;
    int bIsOriginUsable(bool value);
    std::int32_t IsCreatingFile() const;
    int IsCreatingFile(std::int32_t value);

    const NativeStruct& buffer() const { return buffer_; }

private:
    NativeStruct buffer_;
};

class TaskParamRecord {
public:
    static constexpr std::int32_t kSize = 26564;

    // A fresh record for one download; its address, or null. isResume is
    // true when not given.
    unsigned char* init(const std::string& url, const std::string& fileName, const std::string& saveFolder,
                        const std::string& referrer = {}, const std::string& cookies = {},
                        bool isOnlyOriginal = false, bool disableAutoRename = false,
                        std::optional<bool> isResume = std::nullopt);
    bool release() { return buffer_.release(); }
    unsigned char* address() const { return buffer_.address(); }

    std::string szTaskUrl() const;
    std::string szTaskUrl(const std::string& value);
    std::string szRefUrl() const;
    std::string szRefUrl(const std::string& value);
    std::string szCookies() const;
    std::string szCookies(const std::string& value);
    std::string szFilename() const;
    std::string szFilename(const std::string& value);
    std::string szSavePath() const;
    std::string szSavePath(const std::string& value);
    bool IsOnlyOriginal() const;
    int IsOnlyOriginal(bool value);
    bool DisableAutoRename() const;
    int DisableAutoRename(bool value);
    bool IsResume() const;
    int IsResume(bool value);

    const NativeStruct& buffer() const { return buffer_; }

private:
    NativeStruct buffer_;
};

// The members of each record, in order, with their widths in bytes.
extern const RecordMember kTaskParamLayout[16];
extern const RecordMember kTaskInfoLayout[28];

}  // namespace quarrow
