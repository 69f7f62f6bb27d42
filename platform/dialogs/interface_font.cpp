#include "platform/dialogs/interface_font.h"

#include "platform/messages.h"

namespace brindle {

QFont interfaceFont() {
    QFont font(LoadResString(str::DialogFace));
    const int points = LoadResString(str::DialogPointSize).toInt();
    if (points > 0) {
        font.setPointSize(points);
    }
    return font;
}

}  // namespace brindle
