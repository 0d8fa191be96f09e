#include "shell/qt/qt_text.h"

#include "services/charset.h"

namespace quarrow {

QString toQt(const std::string& gbk) {
    if (gbk.empty()) return {};
    return QString::fromUtf8(gbkToUtf8(gbk));
}

std::string toGbk(const QString& text) {
    if (text.isEmpty()) return {};
    return utf8ToGbk(text.toUtf8().toStdString());
}

}  // namespace quarrow
