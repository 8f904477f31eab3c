#pragma once
// The gallery: buttons in several colours, sizes and states, live, with their events listed.

namespace knobixhost {

// Opens the window and runs the event loop; returns the exit status.
int runGallery();

}  // namespace knobixhost
