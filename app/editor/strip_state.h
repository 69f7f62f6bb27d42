// Where the slide strip stands: the selected slide, the first slide shown
// and the selected cell.
#pragma once

namespace brindle {

extern int gSelectedSlide;  // 1-based; 0 when none
extern int gFirstVisible;   // 1-based slide in cell 0
extern int gSelectedCell;   // 0..4; -1 when the selection is not shown

}  // namespace brindle
