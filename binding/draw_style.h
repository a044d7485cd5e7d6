// The examiner's still draw styles, which its pop-up menu offers and its scene draws.
// Requires: nothing. Does not: draw anything itself.
#pragma once

namespace sowin_standin
{

enum class DrawStyle { AS_IS, HIDDEN_LINE, WIREFRAME, POINTS, BOUNDING_BOX };

} // namespace sowin_standin
