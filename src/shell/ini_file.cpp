#include "shell/ini_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "services/gbk_text.h"

namespace quarrow {
namespace {

std::string trimBlanks(const std::string& text) {
    std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) return {};
    std::size_t end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

std::optional<std::string> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// One line of the file and the line end it had, so that lines the writer
// does not touch are written back byte for byte.
struct Line {
    std::string text;
    std::string end;
};

std::vector<Line> splitLines(const std::string& content) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t newline = content.find('\n', start);
        std::size_t next = newline == std::string::npos ? content.size() : newline + 1;
        std::size_t textEnd = newline == std::string::npos ? content.size() : newline;
        if (textEnd > start && content[textEnd - 1] == '\r') --textEnd;
        lines.push_back({content.substr(start, textEnd - start), content.substr(textEnd, next - textEnd)});
        start = next;
    }
    return lines;
}

// The section name of a "[name]" line.
std::optional<std::string> sectionName(const std::string& line) {
    std::string trimmed = trimBlanks(line);
    if (trimmed.size() < 2 || trimmed.front() != '[') return std::nullopt;
    std::size_t close = trimmed.find(']');
    if (close == std::string::npos) return std::nullopt;
    return trimBlanks(trimmed.substr(1, close - 1));
}

bool isKeyLine(const std::string& line, const std::string& key) {
    std::size_t equals = line.find('=');
    if (equals == std::string::npos) return false;
    return gbkEqualsIgnoreCase(trimBlanks(line.substr(0, equals)), trimBlanks(key));
}

std::string unquote(const std::string& value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

struct Location {
    std::optional<std::size_t> section;  // index of the header line
    std::size_t sectionEnd = 0;          // one past the section's last non-blank line
    std::optional<std::size_t> key;      // index of the key's line
};

Location locate(const std::vector<Line>& lines, const std::string& section, const std::string& key) {
    Location where;
    bool inside = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& text = lines[i].text;
        if (auto name = sectionName(text)) {
            if (inside) break;
            inside = gbkEqualsIgnoreCase(*name, trimBlanks(section));
            if (inside) {
                where.section = i;
                where.sectionEnd = i + 1;
            }
            continue;
        }
        if (!inside) continue;
        if (!trimBlanks(text).empty()) where.sectionEnd = i + 1;
        if (!where.key && isKeyLine(text, key)) where.key = i;
    }
    return where;
}

bool replaceFile(const std::string& path, const std::string& content) {
    std::string temporary = path + ".tmp";
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    bool written = ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    written = ::fsync(fd) == 0 && written;
    ::close(fd);
    if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace

std::string readIniValue(const std::string& path, const std::string& section, const std::string& key) {
    std::optional<std::string> content = readFile(path);
    if (!content) return {};
    std::vector<Line> lines = splitLines(*content);
    Location where = locate(lines, section, key);
    if (!where.key) return {};
    const std::string& line = lines[*where.key].text;
    std::string value = unquote(trimBlanks(line.substr(line.find('=') + 1)));
    return gbkTruncate(value, kMaxIniValueBytes);
}

bool writeIniValue(const std::string& path, const std::string& section, const std::string& key,
                   const std::string& value) {
    if (value.find_first_of("\r\n") != std::string::npos) return false;
    std::vector<Line> lines = splitLines(readFile(path).value_or(""));
    Location where = locate(lines, section, key);
    Line keyLine{key + "=" + value, "\r\n"};
    if (where.key) {
        lines[*where.key].text = keyLine.text;
    } else if (where.section) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(where.sectionEnd), keyLine);
    } else {
        lines.push_back({"[" + section + "]", "\r\n"});
        lines.push_back(keyLine);
    }
    std::string content;
    for (Line& line : lines) {
        // A last line without a line end gets one when lines follow it.
        if (line.end.empty() && &line != &lines.back()) line.end = "\r\n";
        content += line.text + line.end;
    }
    return replaceFile(path, content);
}

}  // namespace quarrow
