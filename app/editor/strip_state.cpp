// The slide strip's position: what is selected and what is shown first.
#include "app/editor/strip_state.h"

namespace brindle {

int gSelectedSlide = 0;
int gFirstVisible = 1;
int gSelectedCell = -1;

}  // namespace brindle
