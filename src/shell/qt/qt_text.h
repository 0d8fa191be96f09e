#pragma once

// The program's texts are GBK byte strings; Qt's are UTF-16. Every text that
// crosses between the two goes through these.

#include <QString>
#include <string>

namespace quarrow {

QString toQt(const std::string& gbk);
std::string toGbk(const QString& text);

}  // namespace quarrow
