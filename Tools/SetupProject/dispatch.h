// The main loop's dispatch: which action a pressed button starts.
#ifndef SETUP_DISPATCH_H
#define SETUP_DISPATCH_H

// Runs the action of the button with this identifier; buttons without one (the sliders, which
// change their own value) do nothing. The first matching row of the table wins.
void Act(int id);

#endif
