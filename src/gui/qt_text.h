// Texts between the program (UTF-8 std::string) and Qt.
#pragma once

#include <QString>
#include <string>

namespace torvacalc {

inline QString Q(const std::string& s) { return QString::fromStdString(s); }
inline std::string S(const QString& s) { return s.toStdString(); }

}  // namespace torvacalc
