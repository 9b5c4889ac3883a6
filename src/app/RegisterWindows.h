#pragma once

namespace tallowick {

// Tells the window registry how to build each window of the program.
void RegisterWindows();

} // namespace tallowick
