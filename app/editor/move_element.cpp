#include "app/editor/move_element.h"

#include "app/model/project.h"

namespace brindle {

bool moveElement(int from, int to) {
    const int count = gProject.count();
    if (from < 1 || from > count || to < 1 || to > count) {
        return false;
    }
    if (from == to) {
        return true;
    }
    Project::Element kept = gProject.shared(from);
    if (!kept || !gProject.Remove(from, false)) {
        return false;
    }
    // Taking the slide out and putting it in at `to` leaves it at `to` in
    // both directions: the slides from `to` on shift one place right.
    if (!gProject.insert(to, kept)) {
        gProject.insert(from, kept);
        return false;
    }
    return true;
}

}  // namespace brindle
