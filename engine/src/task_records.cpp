#include "task_records.h"

#include <cstring>

#include "utf16.h"

namespace xldl {
namespace {

// Member offsets and widths of the task-parameter record.
namespace param {
constexpr std::size_t szTaskUrl = 4, urlWidth = 4168;
constexpr std::size_t szRefUrl = 4172;
constexpr std::size_t szCookies = 8340, cookiesWidth = 8192;
constexpr std::size_t szFilename = 16532, nameWidth = 520;
constexpr std::size_t szSavePath = 17572;
constexpr std::size_t IsOnlyOriginal = 18356;
constexpr std::size_t nReserved1 = 18360;
constexpr std::size_t DisableAutoRename = 18364;
constexpr std::size_t IsResume = 18368;
}  // namespace param

// Member offsets of the task-information record.
namespace info {
constexpr std::size_t stat = 0;
constexpr std::size_t fail_code = 4;
constexpr std::size_t szFilename = 8, nameWidth = 520;
constexpr std::size_t nTotalSize = 1048;
constexpr std::size_t nTotalDownload = 1056;
constexpr std::size_t fPercent = 1064;
constexpr std::size_t nSpeed = 1152;
}  // namespace info

// Whether a text member holds its zero unit.
bool terminated(const unsigned char* at, std::size_t width) {
    for (std::size_t i = 0; i + 1 < width; i += 2)
        if (at[i] == 0 && at[i + 1] == 0) return true;
    return false;
}

bool readTruth(const unsigned char* at) { return (at[0] | at[1] | at[2] | at[3]) != 0; }

template <typename T>
T readLittleEndian(const unsigned char* at) {
    T value;
    std::memcpy(&value, at, sizeof(T));
    return value;
}

template <typename T>
void writeLittleEndian(unsigned char* at, T value) {
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    // The records are little-endian, as is every machine this builds for.
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__);
    std::memcpy(at, bytes, sizeof(T));
}

}  // namespace

TaskParams readTaskParams(const unsigned char* record) {
    TaskParams params;
    params.url = utf16ToUtf8(record + param::szTaskUrl, param::urlWidth);
    params.referrer = utf16ToUtf8(record + param::szRefUrl, param::urlWidth);
    params.cookies = utf16ToUtf8(record + param::szCookies, param::cookiesWidth);
    params.fileName = utf16ToUtf8(record + param::szFilename, param::nameWidth);
    params.saveFolder = utf16ToUtf8(record + param::szSavePath, param::nameWidth);
    params.onlyOriginal = readTruth(record + param::IsOnlyOriginal);
    params.disableAutoRename = readTruth(record + param::DisableAutoRename);
    params.resume = readTruth(record + param::IsResume);
    params.truncated = !terminated(record + param::szTaskUrl, param::urlWidth) ||
                       !terminated(record + param::szRefUrl, param::urlWidth) ||
                       !terminated(record + param::szCookies, param::cookiesWidth) ||
                       !terminated(record + param::szFilename, param::nameWidth) ||
                       !terminated(record + param::szSavePath, param::nameWidth);
    return params;
}

void writeTaskParams(const TaskParams& params, unsigned char* record) {
    std::memset(record, 0, kTaskParamSize);
    utf8ToUtf16(params.url, record + param::szTaskUrl, param::urlWidth);
    utf8ToUtf16(params.referrer, record + param::szRefUrl, param::urlWidth);
    utf8ToUtf16(params.cookies, record + param::szCookies, param::cookiesWidth);
    utf8ToUtf16(params.fileName, record + param::szFilename, param::nameWidth);
    utf8ToUtf16(params.saveFolder, record + param::szSavePath, param::nameWidth);
    // Truth values and the reserved 5 take the member's lowest byte.
    record[param::IsOnlyOriginal] = params.onlyOriginal ? 1 : 0;
    record[param::nReserved1] = 5;
    record[param::DisableAutoRename] = params.disableAutoRename ? 1 : 0;
    record[param::IsResume] = params.resume ? 1 : 0;
}

TaskReport readTaskInfo(const unsigned char* record) {
    TaskReport report;
    report.status = readLittleEndian<std::int32_t>(record + info::stat);
    report.failCode = readLittleEndian<std::int32_t>(record + info::fail_code);
    report.fileName = utf16ToUtf8(record + info::szFilename, info::nameWidth);
    report.totalSize = readLittleEndian<std::int64_t>(record + info::nTotalSize);
    report.downloaded = readLittleEndian<std::int64_t>(record + info::nTotalDownload);
    report.percent = readLittleEndian<float>(record + info::fPercent);
    report.speed = readLittleEndian<std::int32_t>(record + info::nSpeed);
    return report;
}

void writeTaskInfo(const TaskReport& report, unsigned char* record) {
    std::memset(record, 0, kTaskInfoSize);
    writeLittleEndian(record + info::stat, report.status);
    writeLittleEndian(record + info::fail_code, report.failCode);
    utf8ToUtf16(report.fileName, record + info::szFilename, info::nameWidth);
    writeLittleEndian(record + info::nTotalSize, report.totalSize);
    writeLittleEndian(record + info::nTotalDownload, report.downloaded);
    writeLittleEndian(record + info::fPercent, report.percent);
    writeLittleEndian(record + info::nSpeed, report.speed);
}

}  // namespace xldl
