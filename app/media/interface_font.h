// The font of the program's dialogs: the face and point size of string
// table entries 179 and 180.
#pragma once

#include <QFont>

namespace brindle {

QFont interfaceFont();

}  // namespace brindle
