// Reading a property's new value inside the control: the value converted to
// the member's type, or the type-mismatch answer of dispatch.
#pragma once

#include "platform/dispatch/control_api.h"

namespace brindle::orvalis {

template <class V>
bool take(const QVariant& value, V* into) {
    V v{};
    if (!dispatch::argAs(value, &v)) {
        return false;
    }
    *into = v;
    return true;
}

inline dispatch::DispResult mismatch() {
    return dispatch::DispResult::error(dispatch::DISP_E_TYPEMISMATCH);
}

}  // namespace brindle::orvalis
