// Keeps Coin's realTime global field ticking only while something listens to it, so that an
// idle viewer wakes nobody. Requires: Coin initialised (SoQt::init). Does not: tick faster or
// slower than SoDB's real-time interval, or notice a listener that nothing redraws after.
#pragma once

namespace sowin_standin
{

// Called after each redraw. The first call takes over from Coin's own real-time sensor. Each
// call brings realTime up to date; where that reached a listener (an engine input connected
// to it, or a sensor it scheduled), realTime keeps ticking at SoDB's interval until a tick
// reaches none.
void update_real_time_after_redraw(void);

} // namespace sowin_standin
