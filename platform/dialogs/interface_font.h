// The font of the program's dialogs: the face and point size of the string
// table's DialogFace and DialogPointSize entries.
#pragma once

#include <QFont>

namespace brindle {

QFont interfaceFont();

}  // namespace brindle
