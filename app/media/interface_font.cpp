#include "app/media/interface_font.h"

#include "platform/messages.h"

namespace brindle {

QFont interfaceFont() {
    QFont font(LoadResString(179));
    const int points = LoadResString(180).toInt();
    if (points > 0) {
        font.setPointSize(points);
    }
    return font;
}

}  // namespace brindle
